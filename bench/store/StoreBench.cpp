// Latency of the store operations the editors and the worker call most, on a
// real file in a temporary folder. Prints median and 99th percentile in
// microseconds and the ratio of each to its target where one exists.

#include "language/InterfaceText.h"
#include "store/ProfileLoader.h"
#include "store/SQLiteStatement.h"
#include "store/SettingsStore.h"
#include "store/StoreRecords.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
    double median = 0;
    double p99 = 0;
};

// `prepare` runs before each sample, outside the timed part.
Figures Measure(int iterations, const std::function<void(int)>& operation,
    const std::function<void(int)>& prepare = {})
{
    for (int i = 0; i < std::min(iterations / 10, 50); ++i) { // warm the page cache
        if (prepare)
            prepare(i);
        operation(i);
    }
    std::vector<double> samples;
    samples.reserve(static_cast<size_t>(iterations));
    for (int i = 0; i < iterations; ++i) {
        if (prepare)
            prepare(i);
        const auto start = Clock::now();
        operation(i);
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) { return samples[static_cast<size_t>(q * (samples.size() - 1))]; };
    return { at(0.5), at(0.99) };
}

// A benchmark of writes that fail measures nothing: it stops there.
void Require(bool kept, const char* what)
{
    if (kept)
        return;
    std::fprintf(stderr, "tarvo-bench-store: %s failed\n", what);
    std::exit(1);
}

void Print(const char* name, int iterations, Figures f, double targetMedianUs = 0)
{
    std::printf("%-34s n=%-5d median %9.1f us   p99 %9.1f us", name, iterations, f.median, f.p99);
    if (targetMedianUs > 0)
        std::printf("   target %.0f us, median/target %.2f", targetMedianUs, f.median / targetMedianUs);
    std::printf("\n");
}

} // namespace

int main()
{
    // Beside the working folder rather than in /tmp, which may be memory-backed.
    QTemporaryDir dir(QStringLiteral("tarvo-bench-XXXXXX"));
    if (!dir.isValid())
        return 1;
    const QString data = dir.path() + QStringLiteral("/");
    SettingsStore store;
    if (!store.OpenForDevice(data, QStringLiteral("heron")))
        return 1;
    ProfileLoader::LoadProfiles(store);
    for (int key = 1; key <= 14; ++key) {
        KeyAssignment button;
        button.profile = 1;
        button.key_code = key;
        button.macro_type = 2;
        button.macro_value = key;
        button.macro_desc = QStringLiteral("Key %1").arg(key);
        Require(store.SetKeyAssignment(button) > 0, "SetKeyAssignment");
    }

    std::printf("tarvo-bench-store (WAL, synchronous NORMAL, file in %s)\n", qPrintable(dir.path()));

    constexpr int kSmall = 5000;
    Print("SetConfigValue", kSmall, Measure(kSmall, [&](int i) {
        Require(store.SetConfigValue(1, QStringLiteral("dpi_group0_value"), QString::number(400 + i % 100)),
            "SetConfigValue");
    }), 50);

    QString value;
    Print("GetConfigValue", kSmall, Measure(kSmall, [&](int) {
        store.GetConfigValue(1, QStringLiteral("dpi_group0_value"), value);
    }));

    std::vector<KeyAssignment> keys;
    Print("ListKeyAssignments (14 rows)", kSmall, Measure(kSmall, [&](int) {
        store.ListKeyAssignments(1, keys);
    }));

    const int macro = store.AddMacro(QStringLiteral("bench"));
    std::vector<MacroStep> steps;
    for (int n = 0; n < 200; ++n)
        steps.push_back(MacroStep { 0, macro, 2 + n % 2, n, 4 + n % 20, 15, QStringLiteral("A") });
    constexpr int kBulk = 300;
    Print("AddMacroSteps (200 steps)", kBulk,
        Measure(kBulk, [&](int) { Require(store.AddMacroSteps(steps), "AddMacroSteps"); },
            [&](int) { Require(store.DeleteMacroSteps(macro), "DeleteMacroSteps"); }),
        5000);

    constexpr int kLoads = 100;
    int stem = 0;
    Print("Create database (switch to new)", kLoads, Measure(kLoads, [&](int) {
        store.SelectDevice(data, QStringLiteral("new%1").arg(stem++));
    }));
    Print("Profile load of a new database", kLoads,
        Measure(kLoads, [&](int) { ProfileLoader::LoadProfiles(store); },
            [&](int) { store.SelectDevice(data, QStringLiteral("load%1").arg(stem++)); }));
    std::printf("%-34s (four profiles, 144 configuration rows, activation, name)\n", "");

    // Opening an existing database runs a quick check of every page and
    // index: its cost on a full database (four profiles with their buttons
    // and lighting, 40 macros of 200 steps) and on a larger one.
    for (const int macros : {40, 400}) {
        const QString full = QStringLiteral("full%1").arg(macros);
        Require(store.SelectDevice(data, full), "SelectDevice");
        ProfileLoader::LoadProfiles(store);
        for (int profile = 1; profile <= 4; ++profile) {
            for (int key = 1; key <= 14; ++key) {
                KeyAssignment button;
                button.profile = profile;
                button.key_code = key;
                button.macro_type = 2;
                button.macro_value = key;
                Require(store.SetKeyAssignment(button) > 0, "SetKeyAssignment");
            }
            Require(store.AddDefaultLightModes(profile), "AddDefaultLightModes");
        }
        for (int m = 0; m < macros; ++m) {
            const int id = store.AddMacro(QStringLiteral("Macro%1").arg(m));
            std::vector<MacroStep> macroSteps;
            for (int n = 0; n < 200; ++n)
                macroSteps.push_back(MacroStep{0, id, 2 + n % 2, n, 4 + n % 20, 15, QStringLiteral("A")});
            Require(id > 0 && store.AddMacroSteps(macroSteps), "AddMacroSteps");
        }
        store.CloseDatabase();
        const qint64 bytes = QFileInfo(SettingsStore::DatabaseFilePath(data, full)).size();
        constexpr int kOpens = 50;
        const Figures open = Measure(kOpens, [&](int) { Require(store.SelectDevice(data, full), "open"); });
        const Figures check = Measure(kOpens, [&](int) {
            const auto lock = store.Lock();
            SQLiteStatement statement;
            store.Prepare(statement, "PRAGMA quick_check(1)", -1);
            Require(statement.Step() == SQLiteResult::kRow && statement.GetColumnString(0) == QLatin1String("ok"),
                "quick check");
        });
        char name[64];
        std::snprintf(name, sizeof name, "Open existing, %d macros", macros);
        Print(name, kOpens, open);
        std::snprintf(name, sizeof name, "  of which quick check (%lld kB)", static_cast<long long>(bytes / 1024));
        Print(name, kOpens, check);
        std::printf("%-34s quick check / open (medians) %.2f\n", "", check.median / open.median);
    }
    return 0;
}
