// Writes to a store until it is killed, announcing every write that returned:
//   ready            the database is open
//   C <value>        SetConfigValue(1, "dpi_group0_value", value) returned true
//   M <id> <count>   macro <id> and its <count> steps were written
// Arguments: <data folder> <stem> <first value>

#include "store/ProfileLoader.h"
#include "store/SettingsStore.h"
#include "store/StoreRecords.h"

#include <QString>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void Announce(const char* format, int a, int b = 0)
{
    std::printf(format, a, b);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    SettingsStore store;
    if (!store.OpenForDevice(QString::fromUtf8(argv[1]), QString::fromUtf8(argv[2])))
        return 3;
    // A fresh database gets its profiles (and their rows) first, as the
    // program's first read does; an existing one is only read.
    if (ProfileLoader::LoadProfiles(store).profile != 1)
        return 4;
    Announce("ready\n", 0);
    const int base = std::atoi(argv[3]);
    for (int i = 1; i < 1000000; ++i) {
        if (store.SetConfigValue(1, QStringLiteral("dpi_group0_value"), QString::number(base + i)))
            Announce("C %d\n", base + i);
        if (i % 4 == 0) {
            const int count = 1 + (i * 7) % 25;
            const int macro = store.AddMacro(QStringLiteral("c%1").arg(count));
            if (macro <= 0)
                continue;
            std::vector<MacroStep> steps;
            for (int n = 0; n < count; ++n)
                steps.push_back(MacroStep { 0, macro, 2 + n % 2, n, 4 + n, 10, QStringLiteral("step") });
            if (store.AddMacroSteps(std::move(steps)))
                Announce("M %d %d\n", macro, count);
        }
    }
    return 0;
}
