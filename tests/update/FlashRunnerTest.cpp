// The flashing tool's runner against scripted tools: what the dialog is told,
// when reading ends, and that only a tool that says it succeeded and exits
// with 0 counts as a success.
#include "platform/ChildProcess.h"
#include "update/FlashToolRunner.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <mutex>
#include <vector>

namespace {

// What the dialog would have shown, in order.
class RecordingView : public FlashView {
public:
    void OnToolStartFailed(int32_t errorNumber) override { Add("start failed " + std::to_string(errorNumber)); }
    void OnToolStarted() override { Add("started"); }
    void OnToolText(const QString& text) override { Add("text " + text.trimmed().toStdString()); }
    void OnToolProgress(int32_t percent) override { Add("progress " + std::to_string(percent)); }
    void OnToolEndMarker(bool success) override { Add(success ? "end success" : "end no device"); }

    std::vector<std::string> Events()
    {
        std::lock_guard lock(m_mutex);
        return m_events;
    }

private:
    void Add(std::string event)
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(event));
    }
    std::mutex m_mutex;
    std::vector<std::string> m_events;
};

FlashLimits Quick()
{
    FlashLimits limits;
    limits.toolTimeoutMs = 5000;
    limits.drainTimeoutMs = 1000;
    limits.endPauseMs = 50;
    return limits;
}

class FlashRunnerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_program = m_folder.path() + QStringLiteral("/Program Folder/");
        ASSERT_TRUE(QDir().mkpath(m_program + QStringLiteral("BurnTool")));
    }
    // The tool: a shell script with `body`; each printf a block of its own
    // (the pause lets the reader take it before the next).
    void WriteTool(const QByteArray& body)
    {
        QFile tool(m_program + QStringLiteral("BurnTool/BurnTool"));
        ASSERT_TRUE(tool.open(QIODevice::WriteOnly | QIODevice::Truncate));
        tool.write("#!/bin/sh\n" + body);
        tool.close();
        tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    FlashResult Run(RecordingView& view, FlashLimits limits = Quick())
    {
        FlashCommand command;
        command.program = m_program + QStringLiteral("BurnTool/BurnTool");
        command.arguments = {QStringLiteral("-dfu"), QStringLiteral("-pid:0x6d25")};
        FlashToolRunner runner(view, limits);
        m_started = runner.system_hide(command, m_program);
        return runner.Result();
    }

    QTemporaryDir m_folder;
    QString m_program;
    bool m_started = false;
};

const QByteArray kBar = "Download\\t[=========================]";

TEST_F(FlashRunnerTest, ProgressThenSuccess)
{
    WriteTool("printf 'Opening DFU capable USB device...\\n'; sleep 0.1\n"
              "printf '"
        + kBar
        + "  40%%\\n'; sleep 0.1\n"
          "printf '"
        + kBar
        + " 100%%\\n'; sleep 0.1\n"
          "printf 'All images burn successfully\\n'\n");
    RecordingView view;
    const FlashResult result = Run(view);
    EXPECT_TRUE(m_started);
    EXPECT_EQ(result.outcome, FlashOutcome::Succeeded);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(view.Events(),
        (std::vector<std::string>{
            "started", "text Opening DFU capable USB device...", "progress 40", "progress 100", "end success"}));
}

TEST_F(FlashRunnerTest, FailuresAreNeverReportedAsSuccess)
{
    const struct {
        const char* what;
        QByteArray body;
        FlashOutcome outcome;
        int32_t exitCode;
    } cases[] = {
        {"no device in update mode", "printf 'No DFU capable USB device available\\n'\nexit 0\n",
            FlashOutcome::NoDevice, 0},
        {"ends without a success marker", "printf 'Opening...\\n'\nexit 0\n", FlashOutcome::NoSuccessMarker, 0},
        {"success marker but an error exit", "printf 'All images burn successfully\\n'\nexit 3\n",
            FlashOutcome::ExitCode, 3},
        {"an error exit with nothing said", "exit 1\n", FlashOutcome::ExitCode, 1},
        {"killed by a signal", "printf 'Download done\\n'\nkill -9 $$\n", FlashOutcome::ExitCode, 137},
        // Written to standard error: the same pipe.
        {"no device, on standard error", "printf 'No DFU capable USB\\n' >&2\nexit 1\n", FlashOutcome::NoDevice, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteTool(c.body);
        RecordingView view;
        const FlashResult result = Run(view);
        EXPECT_TRUE(m_started);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_FALSE(result.Succeeded());
    }
}

TEST_F(FlashRunnerTest, AMarkerBlockWithDownloadDoneOnlyMovesTheBar)
{
    // One block: the bar at 100 % and the end marker together.
    WriteTool("printf '" + kBar + " 100%%\\nDownload done\\n'; sleep 0.3\nprintf 'after\\n'\n");
    RecordingView view;
    const FlashResult result = Run(view);
    // Reading went on after it (the block did not end it) ...
    EXPECT_EQ(view.Events(), (std::vector<std::string>{"started", "progress 100", "text after"}));
    // ... and the marker still counts for the outcome.
    EXPECT_EQ(result.outcome, FlashOutcome::Succeeded);
}

TEST_F(FlashRunnerTest, AnUpperCaseEchoOfTheProgramFolderEndsTheReading)
{
    const QByteArray echo = QDir::cleanPath(m_program).toUpper().toLocal8Bit();
    WriteTool("printf '" + kBar
        + "  10%%\\n'; sleep 0.1\n"
          "printf '"
        + echo
        + ">\\n'; sleep 0.1\n"
          "printf '"
        + kBar
        + "  90%%\\n'; sleep 0.1\n"
          "printf 'All images burn successfully\\n'\n");
    RecordingView view;
    const FlashResult result = Run(view);
    EXPECT_EQ(view.Events(), (std::vector<std::string>{"started", "progress 10", "text " + echo.toStdString() + ">"}));
    // What came after was drained unseen; the tool was waited for.
    EXPECT_EQ(result.outcome, FlashOutcome::Succeeded);
    EXPECT_EQ(result.exitCode, 0);
}

TEST_F(FlashRunnerTest, AToolThatNeverEndsIsEnded)
{
    WriteTool("printf 'Opening...\\n'\nexec sleep 60\n");
    RecordingView view;
    FlashLimits limits = Quick();
    limits.toolTimeoutMs = 500;
    QElapsedTimer timer;
    timer.start();
    const FlashResult result = Run(view, limits);
    EXPECT_EQ(result.outcome, FlashOutcome::TimedOut);
    EXPECT_LT(timer.elapsed(), 3000);

    // Reading ended at a marker, but the tool goes on: ended after the drain time.
    WriteTool("printf 'All images burn successfully\\n'\nexec sleep 60\n");
    timer.restart();
    const FlashResult lingering = Run(view, limits);
    EXPECT_EQ(lingering.outcome, FlashOutcome::ExitCode);
    EXPECT_EQ(lingering.exitCode, 128 + 9);
    EXPECT_LT(timer.elapsed(), 3000);
}

TEST_F(FlashRunnerTest, AMissingToolIsAStartFailureWithItsErrorNumber)
{
    RecordingView view;
    const FlashResult result = Run(view);
    EXPECT_FALSE(m_started);
    EXPECT_EQ(result.outcome, FlashOutcome::StartFailed);
    EXPECT_EQ(result.errorNumber, ENOENT);
    EXPECT_EQ(view.Events(), std::vector<std::string>{"start failed " + std::to_string(ENOENT)});
}

TEST(ChildProcessTest, ArgumentsReachTheProgramAsTheyAreWithoutAShell)
{
    QTemporaryDir dir;
    const QString marker = dir.filePath(QStringLiteral("touched"));
    // Every shell would act on these; an argument list does not.
    const QStringList arguments = {QStringLiteral("-bin:/tmp/a b/$(touch ") + marker + QStringLiteral(")"),
        QStringLiteral("`touch ") + marker + QStringLiteral("`"), QStringLiteral("\"; touch ") + marker,
        QStringLiteral("*")};
    ChildProcess child;
    int32_t error = 0;
    ASSERT_TRUE(
        child.Start(QStringLiteral("/usr/bin/printf"), QStringList{QStringLiteral("[%s]\\n")} + arguments, error));
    QByteArray all;
    QByteArray block;
    while (child.Read(block, 1024, 2000) == ChildProcess::ReadStatus::Data)
        all += block;
    ASSERT_TRUE(child.Wait(2000));
    EXPECT_EQ(child.ExitCode(), 0);
    QByteArray expected;
    for (const QString& argument : arguments)
        expected += "[" + argument.toLocal8Bit() + "]\n";
    EXPECT_EQ(all, expected);
    EXPECT_FALSE(QFile::exists(marker));
}

} // namespace
