#include "StoreTestSupport.h"

#include "store/ProfileLoader.h"
#include "store/StoreRecords.h"

#include <QProcess>

#include <algorithm>
#include <chrono>
#include <map>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr int kKills = 200;

struct Acknowledged {
    int lastValue = 0;              // 0: no value acknowledged in this run
    std::map<int, int> macros;      // id -> step count
};

Acknowledged Parse(const QByteArray& output)
{
    Acknowledged acknowledged;
    // Only complete lines count: a line cut by the kill was never acknowledged.
    const qsizetype end = output.lastIndexOf('\n');
    for (const QByteArray& line : output.left(end + 1).split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 2 && parts[0] == "C")
            acknowledged.lastValue = parts[1].toInt();
        else if (parts.size() == 3 && parts[0] == "M")
            acknowledged.macros[parts[1].toInt()] = parts[2].toInt();
    }
    return acknowledged;
}

struct StepSummary {
    int count = 0;
    int lowestIndex = 0;
    int highestIndex = 0;
};

std::map<int, StepSummary> Summarise(SettingsStore& store, int afterMacro)
{
    std::map<int, StepSummary> summaries;
    const auto lock = store.Lock();
    SQLiteStatement statement;
    store.Prepare(statement,
        "SELECT macro_id, count(*), min(record_index), max(record_index) FROM t_macrorecord "
        "WHERE macro_id > ? GROUP BY macro_id",
        -1);
    statement.BindInt(1, afterMacro);
    while (statement.Step() == 100) {
        summaries[statement.GetColumnInt(0)]
            = StepSummary { statement.GetColumnInt(1), statement.GetColumnInt(2), statement.GetColumnInt(3) };
    }
    return summaries;
}

// A writer process killed with SIGKILL at random moments, 200 times: after
// every kill the file is intact and every write that had returned is there.
using CrashSafetyTest = StoreTest;

TEST_F(CrashSafetyTest, WritesThatReturnedSurviveAKillAtAnyMoment)
{
    {
        SettingsStore setup;
        ASSERT_TRUE(setup.OpenForDevice(m_data, QStringLiteral("plover")));
        ASSERT_EQ(ProfileLoader::LoadProfiles(setup).profile, 1);
    }
    const unsigned seed = std::random_device {}();
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 random(seed);

    int storedValue = 400;
    std::map<int, int> allMacros;
    int killedWhileWriting = 0;
    int lastMacroChecked = 0;
    for (int run = 0; run < kKills; ++run) {
        const int base = (run + 1) * 1000000;
        QProcess writer;
        writer.start(QStringLiteral(TARVO_CRASH_WRITER),
            { m_data, QStringLiteral("plover"), QString::number(base) });
        ASSERT_TRUE(writer.waitForStarted(10000));
        // One run in ten is killed during start-up and the log recovery of the
        // open; the others while writing.
        if (run % 10 != 0) {
            QByteArray seen;
            while (!seen.contains("ready\n") && writer.waitForReadyRead(10000))
                seen += writer.peek(4096);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        writer.kill();
        ASSERT_TRUE(writer.waitForFinished(10000));
        const Acknowledged acknowledged = Parse(writer.readAllStandardOutput());
        if (acknowledged.lastValue != 0)
            ++killedWhileWriting;

        SettingsStore check;
        ASSERT_TRUE(check.OpenForDevice(m_data, QStringLiteral("plover"))) << "run " << run;
        {
            const auto lock = check.Lock();
            SQLiteStatement statement;
            check.Prepare(statement, "PRAGMA integrity_check", -1);
            ASSERT_EQ(statement.Step(), 100);
            ASSERT_STREQ(statement.GetColumnText(0), "ok") << "run " << run;
        }
        const int value = check.GetConfigInt(1, QStringLiteral("dpi_group0_value"));
        if (acknowledged.lastValue != 0) {
            // The acknowledged value, or the one write after it that had not yet been announced.
            ASSERT_TRUE(value == acknowledged.lastValue || value == acknowledged.lastValue + 1)
                << "run " << run << ": acknowledged " << acknowledged.lastValue << ", stored " << value;
        } else {
            ASSERT_TRUE(value == storedValue || value == base + 1) << "run " << run << ": stored " << value;
        }
        storedValue = value;

        // Steps per macro of this run, in one pass (the steps table has no
        // index on macro_id, so a lookup per macro would scan it every time).
        const std::map<int, StepSummary> summaries = Summarise(check, lastMacroChecked);
        for (const auto& [id, count] : acknowledged.macros) {
            const auto found = summaries.find(id);
            ASSERT_TRUE(found != summaries.end()) << "run " << run << ": macro " << id << " lost";
            EXPECT_EQ(found->second.count, count) << "run " << run << ": macro " << id;
            EXPECT_EQ(found->second.lowestIndex, 0);
            EXPECT_EQ(found->second.highestIndex, count - 1);
        }
        if (!acknowledged.macros.empty()) {
            // And through the store's own read, in record order.
            const auto& [id, count] = *acknowledged.macros.rbegin();
            std::vector<MacroStep> steps;
            ASSERT_EQ(check.ListMacroSteps(id, steps), count);
            for (int n = 0; n < count; ++n)
                ASSERT_EQ(steps[n].record_index, n);
        }
        allMacros.insert(acknowledged.macros.begin(), acknowledged.macros.end());
        // A macro of this run cut short by the kill has all of its steps or none.
        {
            const auto lock = check.Lock();
            SQLiteStatement statement;
            check.Prepare(statement, "SELECT macro_id, name FROM t_macro_data WHERE macro_id > ?", -1);
            statement.BindInt(1, lastMacroChecked);
            int highest = lastMacroChecked;
            while (statement.Step() == 100) {
                const int id = statement.GetColumnInt(0);
                const auto found = summaries.find(id);
                const int listed = found == summaries.end() ? 0 : found->second.count;
                ASSERT_TRUE(listed == 0 || QStringLiteral("c%1").arg(listed) == QString::fromUtf8(statement.GetColumnText(1)))
                    << "run " << run << ": macro " << id << " has " << listed << " steps";
                highest = std::max(highest, id);
            }
            lastMacroChecked = highest;
        }
    }
    // At the end every macro that was ever acknowledged is still whole.
    SettingsStore last;
    ASSERT_TRUE(last.OpenForDevice(m_data, QStringLiteral("plover")));
    const std::map<int, StepSummary> summaries = Summarise(last, 0);
    for (const auto& [id, count] : allMacros) {
        const auto found = summaries.find(id);
        ASSERT_TRUE(found != summaries.end()) << "macro " << id << " lost";
        EXPECT_EQ(found->second.count, count) << "macro " << id;
    }
    // Nothing was ever taken for a damaged file.
    EXPECT_TRUE(QDir(m_data + QStringLiteral("db")).entryList({ QStringLiteral("*.corrupt-*") }).isEmpty());
    // The kills did land while writing (not all during start-up).
    // Most kills must land while writing, or the test proves little; how many
    // depends on the machine's load, so a quarter is the floor.
    EXPECT_GT(killedWhileWriting, kKills / 4);
    EXPECT_FALSE(allMacros.empty());
}

} // namespace
