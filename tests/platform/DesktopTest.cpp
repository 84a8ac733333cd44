// What the program asks of the desktop: key names of the window system, the
// checks before a program starts or an address opens, and programs started
// as an argument list on a thread of their own.
#include "platform/NativeKeys.h"
#include "platform/ProgramLauncher.h"
#include "platform/SystemDesktop.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace {

TEST(NativeKeysTest, KeySymsBecomeVirtualKeys)
{
    const struct {
        uint32_t keysym;
        int virtualKey;
    } cases[] = {
        {0x61, 'A'}, {0x5a, 'Z'}, {0x30, '0'}, {0x39, '9'}, {0xffbe, 112}, {0xffd5, 135}, // a, Z, 0, 9, F1, F24
        {0xffe1, 160}, {0xffe2, 161}, {0xffe3, 162}, {0xffe4, 163}, {0xffe9, 164}, {0xffea, 165}, {0xfe03, 165},
        {0xffeb, 91}, {0xffec, 92}, {0xff67, 93}, // AltGr, Super, Menu
        {0xff0d, 13}, {0xff8d, 13}, {0xff1b, 27}, {0xff08, 8}, {0xff09, 9}, {0xfe20, 9}, {0x20, 32}, {0xff51, 37},
        {0xff52, 38}, {0xff53, 39}, {0xff54, 40}, {0xff55, 33}, {0xff56, 34}, {0xffb0, 96}, {0xffb9, 105},
        {0xffaa, 106}, {0xffab, 107}, {0xffad, 109}, {0xffae, 110}, {0xffaf, 111}, {0xff95, 36},
        {0xff9f, 46}, // keypad Home, Delete (Num Lock off)
        {0x2d, 189}, {0x5f, 189}, {0x21, '1'}, {0x29, '0'}, {0x7e, 192}, {0x3f, 191}, {0x1008ff13, 175},
        {0x1008ff14, 179}, {0x1008ff1d, 183}, {0xf6, 0}, {0, 0}, {0xffffff, 0}, // ö, nothing, no such keysym
    };
    for (const auto& c : cases)
        EXPECT_EQ(NativeKeys::VirtualKeyOfKeySym(c.keysym), c.virtualKey) << std::hex << c.keysym;
}

TEST(SystemDesktopTest, OnlyRunnableFilesAndWebAddressesPass)
{
    QTemporaryDir dir;
    const QString tool = dir.path() + QStringLiteral("/tool");
    QFile file(tool);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_FALSE(SystemDesktop::IsRunnable(tool)) << "not executable";
    ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    EXPECT_TRUE(SystemDesktop::IsRunnable(tool));
    EXPECT_FALSE(SystemDesktop::IsRunnable(QStringLiteral("tool")));
    EXPECT_FALSE(SystemDesktop::IsRunnable(dir.path()));
    EXPECT_FALSE(SystemDesktop::IsRunnable(QString()));
    EXPECT_FALSE(SystemDesktop::IsRunnable(dir.path() + QStringLiteral("/missing")));

    EXPECT_TRUE(SystemDesktop::IsWebAddress(QUrl(QStringLiteral("https://example.com"))));
    EXPECT_TRUE(SystemDesktop::IsWebAddress(QUrl(QStringLiteral("HTTP://example.com/x"))));
    for (const char* refused : {"javascript:alert(1)", "file:///etc/passwd", "https://", "ftp://example.com", ""})
        EXPECT_FALSE(SystemDesktop::IsWebAddress(QUrl(QString::fromLatin1(refused)))) << refused;

    // Refused before anything is handed to the desktop.
    SystemDesktop desktop;
    EXPECT_FALSE(desktop.OpenWebAddress(QUrl(QStringLiteral("javascript:alert(1)"))));
    EXPECT_FALSE(desktop.StartProgram(dir.path() + QStringLiteral("/missing"), {}));
    EXPECT_FALSE(desktop.TypeText(QString()));
}

// A program whose name and arguments hold what a shell would act on: it runs
// alone, with its arguments as they are, in its own folder.
TEST(ProgramLauncherTest, AProgramStartsAsItsPathAndArgumentsWithNoShell)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/we ird \"q\" ;$(touch INJECTED)\nline");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString program = folder + QStringLiteral("/run me; $(touch INJECTED) `touch INJECTED`");
    const QString record = dir.path() + QStringLiteral("/record.txt");
    QFile script(program);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\n{ pwd; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; } > '%1'\n")
                     .arg(record)
                     .toUtf8());
    script.close();
    ASSERT_TRUE(script.setPermissions(QFile::ReadOwner | QFile::ExeOwner));

    SystemDesktop desktop;
    ASSERT_TRUE(desktop.StartProgram(program, {QStringLiteral("a b"), QStringLiteral("$(id)"), QStringLiteral(";ls")}));
    QElapsedTimer timer;
    timer.start();
    while (!QFile::exists(record) && timer.elapsed() < 10000)
        QThread::msleep(10);
    QThread::msleep(100);
    QFile out(record);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly)) << "the program did not run";
    EXPECT_EQ(QString::fromUtf8(out.readAll()), folder + QStringLiteral("\n[a b]\n[$(id)]\n[;ls]\n"));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/INJECTED")));
    EXPECT_FALSE(QFile::exists(dir.path() + QStringLiteral("/INJECTED")));
    EXPECT_FALSE(QFile::exists(QDir::currentPath() + QStringLiteral("/INJECTED")));
}

TEST(ProgramLauncherTest, ASlowStartNeverHoldsUpTheCaller)
{
    std::mutex mutex;
    std::condition_variable released;
    bool release = false;
    std::vector<std::string> started;
    ProgramLauncher launcher([&](const QString& program, const QStringList& arguments, const QString& folder) {
        std::unique_lock lock(mutex);
        released.wait(lock, [&] { return release; });
        started.push_back(program.toStdString() + " " + arguments.join(QLatin1Char(',')).toStdString() + " in "
            + folder.toStdString());
        return true;
    });
    // Both calls return while the first start is still held.
    launcher.Start(QStringLiteral("/opt/a/first"), {QStringLiteral("1")});
    launcher.Start(QStringLiteral("/opt/b/second"), {});
    {
        std::lock_guard lock(mutex);
        EXPECT_TRUE(started.empty());
        release = true;
    }
    released.notify_all();
    launcher.WaitIdle();
    std::lock_guard lock(mutex);
    EXPECT_EQ(started, (std::vector<std::string>{"/opt/a/first 1 in /opt/a", "/opt/b/second  in /opt/b"}));
}

TEST(ProgramLauncherTest, ClosingFinishesTheStartUnderWayAndDropsTheRest)
{
    std::atomic<int> started{0};
    std::atomic<bool> entered{false};
    {
        ProgramLauncher launcher([&](const QString&, const QStringList&, const QString&) {
            entered = true;
            QThread::msleep(100);
            ++started;
            return true;
        });
        launcher.Start(QStringLiteral("/x/one"), {});
        launcher.Start(QStringLiteral("/x/two"), {});
        launcher.Start(QStringLiteral("/x/three"), {});
        while (!entered)
            QThread::msleep(1);
    }
    EXPECT_EQ(started, 1);
}

} // namespace
