#include "platform/AutostartEntry.h"
#include "platform/ChildProcess.h"

#include "support/OddFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <unistd.h>

#include <gtest/gtest.h>

namespace {

QString ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString ExecOf(const QString& entryPath)
{
    for (const QString& line : ReadAll(entryPath).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("Exec=")))
            return line.mid(5);
    }
    return {};
}

TEST(AutostartEntry, ExecLinesQuoteAndEscapeByTheDesktopEntryRules)
{
    const struct {
        const char* program;
        const char* expected;
    } cases[] = {
        {"/usr/bin/tarvo", "/usr/bin/tarvo -autorun"},
        {"/opt/my programs/tarvo", "\"/opt/my programs/tarvo\" -autorun"},
        {"/home/a/it's/tarvo", "\"/home/a/it's/tarvo\" -autorun"},
        {"/x/$HOME/\"q\"/t", "\"/x/\\\\$HOME/\\\\\"q\\\\\"/t\" -autorun"},
        // A backslash: escaped inside the quotes, then once more as in every string value.
        {"/x/a\\b/t", "\"/x/a\\\\\\\\b/t\" -autorun"},
        {"/x/100%/t", "/x/100%%/t -autorun"},
        {"/x/a`b/t", "\"/x/a\\\\`b/t\" -autorun"},
        {"/x/(1)/t", "\"/x/(1)/t\" -autorun"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        const QString program = QString::fromUtf8(c.program);
        const QString line = AutostartEntry::ExecLine(program, {QStringLiteral("-autorun")});
        EXPECT_EQ(line, QString::fromUtf8(c.expected));
        EXPECT_EQ(AutostartEntry::SplitExecLine(line), (QStringList{program, QStringLiteral("-autorun")}));
    }
    EXPECT_TRUE(AutostartEntry::SplitExecLine(QStringLiteral("\"/unterminated -autorun")).isEmpty());
    EXPECT_EQ(AutostartEntry::SplitExecLine(QStringLiteral("  a\\sb   \"c d\"  ")),
        (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c d")}));
}

TEST(AutostartEntry, EnableWritesTheEntryAndDisableRemovesIt)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The autostart folder does not exist yet: it is made.
    const QString path = dir.path() + QStringLiteral("/config/autostart/Tarvo.desktop");
    AutostartEntry entry(path);
    EXPECT_FALSE(entry.IsEnabled());
    EXPECT_TRUE(entry.Disable()); // nothing to remove is no failure

    ASSERT_TRUE(entry.Enable(QStringLiteral("/opt/Tarvo Suite/tarvo")));
    EXPECT_TRUE(entry.IsEnabled());
    const QString text = ReadAll(path);
    EXPECT_TRUE(text.startsWith(QLatin1String("[Desktop Entry]\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QLatin1String("\nType=Application\n")));
    EXPECT_TRUE(text.contains(QLatin1String("\nName=Tarvo\n")));
    EXPECT_EQ(ExecOf(path), QStringLiteral("\"/opt/Tarvo Suite/tarvo\" -autorun"));

    // Enabling again replaces the entry rather than appending to it.
    ASSERT_TRUE(entry.Enable(QStringLiteral("/usr/bin/tarvo")));
    EXPECT_EQ(ReadAll(path).count(QLatin1String("Exec=")), 1);
    EXPECT_EQ(ExecOf(path), QStringLiteral("/usr/bin/tarvo -autorun"));

    ASSERT_TRUE(entry.Disable());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(entry.IsEnabled());
    EXPECT_FALSE(entry.Enable(QString()));
}

TEST(AutostartEntry, AnEntrySwitchedOffByTheDesktopIsNotEnabled)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/Tarvo.desktop");
    AutostartEntry entry(path);
    const struct {
        const char* text;
        bool enabled;
    } cases[] = {
        {"[Desktop Entry]\nType=Application\nExec=tarvo -autorun\n", true},
        {"[Desktop Entry]\nExec=tarvo\nHidden=true\n", false},
        {"[Desktop Entry]\nExec=tarvo\nHidden = True\n", false},
        {"[Desktop Entry]\nExec=tarvo\nX-GNOME-Autostart-enabled=false\n", false},
        {"[Desktop Entry]\nExec=tarvo\nX-GNOME-Autostart-enabled=true\n", true},
        // Keys of another group do not count.
        {"[Desktop Entry]\nExec=tarvo\n[Desktop Action x]\nHidden=true\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(WriteFile(path, c.text));
        EXPECT_EQ(entry.IsEnabled(), c.enabled);
    }
    // A folder in the entry's place is no entry, and cannot be removed as one.
    QDir().mkpath(path + QStringLiteral(".d"));
    EXPECT_FALSE(AutostartEntry(path + QStringLiteral(".d")).IsEnabled());
}

// Whatever sits at the entry's path, the settings dialog asking whether start
// at login is on gets an answer at once and never reads more than an entry.
TEST(AutostartEntry, SomethingOtherThanAnEntryAtItsPathIsNotEnabled)
{
    QTemporaryDir dir;
    const QString fifo = dir.path() + QStringLiteral("/fifo.desktop");
    ASSERT_TRUE(OddFiles::MakeFifo(fifo));
    bool enabled = true;
    EXPECT_TRUE(OddFiles::ReturnsWithin([&] { enabled = AutostartEntry(fifo).IsEnabled(); }, fifo));
    EXPECT_FALSE(enabled);

    const QString zero = dir.path() + QStringLiteral("/zero.desktop");
    ASSERT_TRUE(OddFiles::MakeLink(QStringLiteral("/dev/zero"), zero));
    EXPECT_FALSE(AutostartEntry(zero).IsEnabled());

    // Two gigabytes with no line break: once read line by line, whole.
    const QString huge = dir.path() + QStringLiteral("/huge.desktop");
    ASSERT_TRUE(OddFiles::MakeSparse(huge, 2LL * 1024 * 1024 * 1024));
    EXPECT_FALSE(AutostartEntry(huge).IsEnabled());

    // A link to a real entry is followed.
    const QString real = dir.path() + QStringLiteral("/real.desktop");
    const QString link = dir.path() + QStringLiteral("/link.desktop");
    ASSERT_TRUE(WriteFile(real, "[Desktop Entry]\nExec=tarvo -autorun\n"));
    ASSERT_TRUE(OddFiles::MakeLink(real, link));
    EXPECT_TRUE(AutostartEntry(link).IsEnabled());
}

TEST(AutostartEntry, AnUnwritableFolderFailsTheWrite)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/autostart");
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    AutostartEntry entry(folder + QStringLiteral("/Tarvo.desktop"));
    EXPECT_FALSE(entry.Enable(QStringLiteral("/usr/bin/tarvo")));
    EXPECT_FALSE(entry.IsEnabled());
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The written entry launched by GLib's own desktop-entry parser: the program
// in a folder with blanks, quotes and a dollar sign starts, and receives
// exactly "-autorun".
TEST(AutostartEntry, GioLaunchesTheEntryOfAProgramInAFolderWithBlanks)
{
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    if (gio.isEmpty())
        GTEST_SKIP() << "gio is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // (No '%': GLib checks the program's path before it undoes the doubled
    // percent sign, so such a path fails there; the table above covers it.)
    const QString folder = dir.path() + QStringLiteral("/My Programs/it's \"$HOME\" (x86) `id`");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString program = folder + QStringLiteral("/tarvo start");
    const QString output = dir.path() + QStringLiteral("/arguments.txt");
    ASSERT_TRUE(
        WriteFile(program, QStringLiteral("#!/bin/sh\nprintf '%s|' \"$0\" \"$@\" > '%1'\n").arg(output).toUtf8()));
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    AutostartEntry entry(dir.path() + QStringLiteral("/autostart/Tarvo.desktop"));
    ASSERT_TRUE(entry.Enable(program));

    // Through ChildProcess rather than QProcess, whose way of starting a child
    // hides the later tests' threads from ThreadSanitizer.
    ChildProcess launch;
    int32_t error = 0;
    ASSERT_TRUE(launch.Start(gio, {QStringLiteral("launch"), entry.FilePath()}, error)) << error;
    QByteArray said;
    QByteArray block;
    while (launch.Read(block, 4096, 10000) == ChildProcess::ReadStatus::Data)
        said += block;
    ASSERT_TRUE(launch.Wait(10000));
    EXPECT_EQ(launch.ExitCode(), 0) << said.toStdString();
    QElapsedTimer timer;
    timer.start();
    while (!QFile::exists(output) && timer.elapsed() < 10000)
        QThread::msleep(20);
    QThread::msleep(50);
    EXPECT_EQ(ReadAll(output), program + QStringLiteral("|-autorun|"));
}

} // namespace
