#include "platform/DeviceAccess.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The unprivileged account of Debian ("nobody", "nogroup").
constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;

// Probes `path` as an unprivileged user, from a child process that drops
// root's privileges first: root opens anything, so a check run by root
// directly would prove nothing. The child returns the result as its exit code.
DeviceAccess::Result ProbeAsNobody(const QString& path)
{
    const QByteArray native = path.toLocal8Bit(); // converted before the fork
    const pid_t child = fork();
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(kNoGroup) != 0 || setuid(kNobody) != 0)
            _exit(100);
        _exit(static_cast<int>(DeviceAccess::Probe(QString::fromLocal8Bit(native))));
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) >= 100) {
        ADD_FAILURE() << "the unprivileged probe did not run";
        return DeviceAccess::Result::Failed;
    }
    return static_cast<DeviceAccess::Result>(WEXITSTATUS(status));
}

DeviceAccess::Result ProbeAsUnprivileged(const QString& path)
{
    return geteuid() == 0 ? ProbeAsNobody(path) : DeviceAccess::Probe(path);
}

QString MakeFile(const QTemporaryDir& dir, const char* name, QFile::Permissions permissions)
{
    const QString path = dir.path() + QLatin1Char('/') + QLatin1String(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_TRUE(file.setPermissions(permissions));
    return path;
}

} // namespace

TEST(DeviceAccess, ErrorNumbersMeanWhatTheUserCanDo)
{
    const struct {
        int errorNumber;
        DeviceAccess::Result result;
    } cases[] = {
        {0, DeviceAccess::Result::Granted},
        {EACCES, DeviceAccess::Result::PermissionDenied},
        {EPERM, DeviceAccess::Result::PermissionDenied},
        {ENOENT, DeviceAccess::Result::Missing},
        {ENODEV, DeviceAccess::Result::Missing},
        {ENXIO, DeviceAccess::Result::Missing},
        {EBUSY, DeviceAccess::Result::Failed},
        {EMFILE, DeviceAccess::Result::Failed},
        {EIO, DeviceAccess::Result::Failed},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DeviceAccess::FromErrorNumber(c.errorNumber), c.result) << c.errorNumber;
}

// A node made unreadable is told apart from one that is missing or opens.
TEST(DeviceAccess, ProbeOfRealFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Others may pass through the folder, as through /dev.
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
            | QFile::ExeGroup | QFile::ExeOther));
    const QString locked = MakeFile(dir, "hidraw-locked", {});
    const QString open = MakeFile(dir, "hidraw-open", QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
            | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther);
    const QString readOnly = MakeFile(dir, "hidraw-readonly", QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);

    EXPECT_EQ(ProbeAsUnprivileged(locked), DeviceAccess::Result::PermissionDenied);
    // Reading alone is not enough: commands are written.
    EXPECT_EQ(ProbeAsUnprivileged(readOnly), DeviceAccess::Result::PermissionDenied);
    EXPECT_EQ(ProbeAsUnprivileged(open), DeviceAccess::Result::Granted);
    EXPECT_EQ(DeviceAccess::Probe(open), DeviceAccess::Result::Granted);
    EXPECT_EQ(DeviceAccess::Probe(dir.path() + QStringLiteral("/hidraw-gone")), DeviceAccess::Result::Missing);
    EXPECT_EQ(DeviceAccess::Probe(dir.path()), DeviceAccess::Result::Failed) << "a folder is no device";
}

TEST(DeviceAccess, ExplainingAFailedOpenNeverSaysGranted)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString open = MakeFile(dir, "hidraw-open", QFile::ReadOwner | QFile::WriteOwner);
    const QString simulated = QStringLiteral("\\\\?\\HID#VID_7768&PID_6D25&MI_01#7&1&0&0000#{x}");

    EXPECT_TRUE(DeviceAccess::IsNodePath(open));
    EXPECT_FALSE(DeviceAccess::IsNodePath(simulated));
    // Not a node: the library's error number is all there is.
    EXPECT_EQ(DeviceAccess::Explain(simulated, EACCES), DeviceAccess::Result::PermissionDenied);
    EXPECT_EQ(DeviceAccess::Explain(simulated, ENOENT), DeviceAccess::Result::Missing);
    EXPECT_EQ(DeviceAccess::Explain(simulated, 0), DeviceAccess::Result::Failed);
    // A node: the probe wins over an error number another call may have overwritten.
    EXPECT_EQ(DeviceAccess::Explain(open, EACCES), DeviceAccess::Result::Failed) << "it opens for us now";
    EXPECT_EQ(DeviceAccess::Explain(dir.path() + QStringLiteral("/gone"), EACCES), DeviceAccess::Result::Missing);
}

// An installation moved or unpacked elsewhere finds its files beside bin/.
TEST(Paths, ProgramFolderBesideTheExecutablesBinFolder)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString bin = root.path() + QStringLiteral("/usr/bin");
    const QString share = root.path() + QStringLiteral("/usr/share/tarvo/");
    ASSERT_TRUE(QDir().mkpath(bin));
    ASSERT_TRUE(QDir().mkpath(share));
    // Without config.xml the share folder is no program folder.
    EXPECT_EQ(Paths::ResolveProgramFolder(QString(), bin, QStringLiteral("/usr/local")),
        QStringLiteral("/usr/local/share/tarvo/"));
    QFile config(share + QStringLiteral("config.xml"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.close();
    EXPECT_EQ(Paths::ResolveProgramFolder(QString(), bin, QStringLiteral("/usr/local")), share);
    EXPECT_EQ(Paths::ResolveProgramFolder(QString(), bin + QLatin1Char('/'), QStringLiteral("/usr/local")), share);
    // A build tree (config.xml beside the program) and the override still come first.
    QFile beside(bin + QStringLiteral("/config.xml"));
    ASSERT_TRUE(beside.open(QIODevice::WriteOnly));
    beside.close();
    EXPECT_EQ(Paths::ResolveProgramFolder(QString(), bin, QStringLiteral("/usr/local")), bin + QLatin1Char('/'));
    EXPECT_EQ(Paths::ResolveProgramFolder(QStringLiteral("/srv/t"), bin, QStringLiteral("/usr/local")),
        QStringLiteral("/srv/t/"));
}
