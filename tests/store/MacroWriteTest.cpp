// Writing a whole macro at once: an edited macro's row and steps are replaced
// together, a copy arrives with all its steps, and neither a refused
// statement nor a killed process ever leaves half a macro behind.
#include "StoreTestSupport.h"

#include "store/ProfileLoader.h"
#include "store/StoreRecords.h"

#include <QProcess>

#include <chrono>
#include <random>
#include <thread>

namespace {

std::vector<MacroStep> Steps(int count, int value = 65)
{
    std::vector<MacroStep> steps;
    for (int n = 0; n < count; ++n)
        steps.push_back(MacroStep{0, 0, 2 + n % 2, n, value, 10 + n, QStringLiteral("\u2193  A \"&'")});
    return steps;
}

class MacroWriteTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        ASSERT_TRUE(Open());
        ProfileLoader::LoadProfiles(m_store);
    }
    void Refuse(const char* trigger) { ASSERT_EQ(m_store.Execute(trigger), 0); }
    int StepRows() { return QueryInt("SELECT count(*) FROM t_macrorecord"); }
};

TEST_F(MacroWriteTest, ReplaceWritesTheRowAndEveryStepUnderTheMacro)
{
    const int id = m_store.AddMacroWithSteps(MacroInfo{0, QStringLiteral("m"), 3, 5, 1, 10}, Steps(4));
    ASSERT_GT(id, 0);
    std::vector<MacroStep> read;
    ASSERT_EQ(m_store.ListMacroSteps(id, read), 4);

    // The steps passed in name another macro: the store files them under `id`.
    std::vector<MacroStep> steps = Steps(3, 66);
    for (MacroStep& step : steps)
        step.macro_id = 999;
    ASSERT_TRUE(m_store.ReplaceMacro(id, MacroInfo{0, QStringLiteral("renamed"), 3, 5, 2, 250}, steps));
    MacroInfo macro;
    ASSERT_TRUE(m_store.GetMacro(id, macro));
    EXPECT_EQ(macro.name, QStringLiteral("renamed"));
    EXPECT_EQ(macro.play_type, 3);
    EXPECT_EQ(macro.play_times, 5);
    EXPECT_EQ(macro.delay_type, 2);
    EXPECT_EQ(macro.delay_time, 250);
    ASSERT_EQ(m_store.ListMacroSteps(id, read), 3);
    for (int n = 0; n < 3; ++n) {
        EXPECT_EQ(read[n].macro_id, id);
        EXPECT_EQ(read[n].record_index, n);
        EXPECT_EQ(read[n].value, 66);
        EXPECT_EQ(read[n].delay_time, 10 + n);
        EXPECT_EQ(read[n].desc, QStringLiteral("\u2193  A \"&'"));
    }
    EXPECT_EQ(StepRows(), 3);

    // Emptying a macro and filling it with many steps.
    ASSERT_TRUE(m_store.ReplaceMacro(id, macro, {}));
    EXPECT_EQ(m_store.ListMacroSteps(id, read), 0);
    ASSERT_TRUE(m_store.ReplaceMacro(id, macro, Steps(10000)));
    EXPECT_EQ(m_store.ListMacroSteps(id, read), 10000);
    EXPECT_FALSE(m_store.InTransaction());
}

TEST_F(MacroWriteTest, ARefusedStepLeavesTheMacroAsItWas)
{
    const int id = m_store.AddMacroWithSteps(MacroInfo{0, QStringLiteral("before"), 0, 1, 1, 10}, Steps(5));
    ASSERT_GT(id, 0);
    Refuse("CREATE TRIGGER refuse BEFORE INSERT ON t_macrorecord WHEN NEW.record_index = 3 "
           "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    EXPECT_FALSE(m_store.ReplaceMacro(id, MacroInfo{0, QStringLiteral("after"), 0, 1, 2, 500}, Steps(8, 70)));
    MacroInfo macro;
    ASSERT_TRUE(m_store.GetMacro(id, macro));
    EXPECT_EQ(macro.name, QStringLiteral("before"));
    EXPECT_EQ(macro.delay_type, 1);
    std::vector<MacroStep> read;
    ASSERT_EQ(m_store.ListMacroSteps(id, read), 5);
    EXPECT_EQ(read[4].value, 65);
    EXPECT_FALSE(m_store.InTransaction());

    // A refused row update: the steps stay too.
    Refuse("CREATE TRIGGER refuse_row BEFORE UPDATE ON t_macro_data BEGIN SELECT RAISE(ABORT, 'refused'); END");
    EXPECT_FALSE(m_store.ReplaceMacro(id, macro, Steps(2)));
    EXPECT_EQ(m_store.ListMacroSteps(id, read), 5);

    // A copy that cannot take all its steps is not added at all.
    const int macros = QueryInt("SELECT count(*) FROM t_macro_data");
    EXPECT_EQ(m_store.AddMacroWithSteps(MacroInfo{0, QStringLiteral("copy"), 0, 1, 1, 10}, Steps(6)), 0);
    EXPECT_EQ(QueryInt("SELECT count(*) FROM t_macro_data"), macros);
    EXPECT_EQ(StepRows(), 5);
}

TEST_F(MacroWriteTest, AMissingMacroIsNotWrittenAndLeavesNoStrayStep)
{
    EXPECT_FALSE(m_store.ReplaceMacro(4242, MacroInfo{0, QStringLiteral("ghost"), 0, 1, 1, 10}, Steps(3)));
    EXPECT_EQ(StepRows(), 0);
    EXPECT_EQ(QueryInt("SELECT count(*) FROM t_macro_data"), 0);
}

TEST(UnconnectedMacroWrite, FailsQuietly)
{
    SettingsStore store;
    EXPECT_FALSE(store.ReplaceMacro(1, MacroInfo{}, Steps(2)));
    EXPECT_EQ(store.AddMacroWithSteps(MacroInfo{}, Steps(2)), 0);
}

// A process saving one macro again and again, killed at random moments: the
// macro is always a whole edit, the acknowledged one or the one after it.
using MacroCrashTest = StoreTest;

TEST_F(MacroCrashTest, AKilledSaveLeavesAWholeMacro)
{
    constexpr int kKills = 60;
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    // The writer's first edit of a run has 38 steps; a new macro has 1.
    constexpr int kFirstCount = 38;
    int stored = 1;
    int killedWhileWriting = 0;
    for (int run = 0; run < kKills; ++run) {
        QProcess writer;
        writer.start(QStringLiteral(TARVO_MACRO_CRASH_WRITER), {m_data, QStringLiteral("egret")});
        ASSERT_TRUE(writer.waitForStarted(10000));
        QByteArray seen;
        while (!seen.contains("ready\n") && writer.waitForReadyRead(10000))
            seen += writer.peek(4096);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 30000));
        writer.kill();
        ASSERT_TRUE(writer.waitForFinished(10000));
        const QByteArray output = writer.readAllStandardOutput();
        // Only complete lines count: a line cut by the kill was never acknowledged.
        int acknowledged = 0;
        int next = 0;
        for (const QByteArray& line : output.left(output.lastIndexOf('\n') + 1).split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() == 3 && parts[0] == "R") {
                acknowledged = parts[1].toInt();
                next = parts[2].toInt();
            }
        }
        if (acknowledged > 0)
            ++killedWhileWriting;

        SettingsStore check;
        ASSERT_TRUE(check.OpenForDevice(m_data, QStringLiteral("egret")));
        std::vector<MacroInfo> macros;
        ASSERT_EQ(check.ListMacros(macros), 1) << "run " << run;
        std::vector<MacroStep> steps;
        const int count = check.ListMacroSteps(macros[0].macro_id, steps);
        ASSERT_EQ(count, macros[0].delay_time) << "run " << run << ": row and steps of different edits";
        for (int n = 0; n < count; ++n) {
            ASSERT_EQ(steps[n].record_index, n) << "run " << run;
            ASSERT_EQ(steps[n].value, count) << "run " << run;
        }
        if (acknowledged > 0) {
            ASSERT_TRUE(count == acknowledged || count == next)
                << "run " << run << ": acknowledged " << acknowledged << ", stored " << count;
        } else {
            // Killed before its first save returned: the last run's macro or
            // this run's first edit.
            ASSERT_TRUE(count == stored || count == kFirstCount) << "run " << run << ": stored " << count;
        }
        stored = count;
    }
    EXPECT_GT(killedWhileWriting, kKills / 4);
}

} // namespace
