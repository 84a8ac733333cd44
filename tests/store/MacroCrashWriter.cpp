// Edits one macro over and over until it is killed, as the macro page saves
// after every change: row and steps replaced together. Announces
//   ready            the macro exists, with 1 step
//   R <count> <next> ReplaceMacro with <count> steps returned true; the next
//                    write will have <next> steps
// Every write stores delay_time = <count> and steps 0 .. count-1 whose value
// is <count>, so a reader can tell whether row and steps belong together.
// Arguments: <data folder> <stem>

#include "store/SettingsStore.h"
#include "store/StoreRecords.h"

#include <QString>

#include <cstdio>
#include <vector>

namespace {

std::vector<MacroStep> Steps(int count)
{
    std::vector<MacroStep> steps;
    for (int n = 0; n < count; ++n)
        steps.push_back(MacroStep{0, 0, 2 + n % 2, n, count, 10, QStringLiteral("\u2193  A")});
    return steps;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    SettingsStore store;
    if (!store.OpenForDevice(QString::fromUtf8(argv[1]), QString::fromUtf8(argv[2])))
        return 3;
    std::vector<MacroInfo> macros;
    int id = store.ListMacros(macros) > 0 ? macros.front().macro_id : 0;
    MacroInfo macro{0, QStringLiteral("edited"), 0, 1, 1, 1};
    if (id == 0)
        id = store.AddMacroWithSteps(macro, Steps(1));
    if (id <= 0)
        return 4;
    std::printf("ready\n");
    std::fflush(stdout);
    const auto countOf = [](int i) { return 1 + (i * 37) % 200; };
    for (int i = 1; i < 1000000; ++i) {
        macro.delay_time = countOf(i);
        if (store.ReplaceMacro(id, macro, Steps(countOf(i)))) {
            std::printf("R %d %d\n", countOf(i), countOf(i + 1));
            std::fflush(stdout);
        }
    }
    return 0;
}
