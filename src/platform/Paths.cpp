#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <filesystem>
#include <system_error>

#ifndef TARVO_FETCH_FROM_BIN
#define TARVO_FETCH_FROM_BIN "../libexec/tarvo/tarvo-fetch"
#endif

#ifndef TARVO_INSTALL_PREFIX
#define TARVO_INSTALL_PREFIX "/usr/local"
#endif

namespace {

constexpr const char* kApplicationName = "Tarvo";

QString ExecutableFolder()
{
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    return QString::fromStdString(exe.parent_path().string());
}

} // namespace

QString Paths::ApplicationName()
{
    return QString::fromLatin1(kApplicationName);
}

QString Paths::WithSlash(const QString& folder)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + QLatin1Char('/');
}

QString Paths::ResolveProgramFolder(
    const QString& overrideDir, const QString& executableDir, const QString& installPrefix)
{
    if (!overrideDir.isEmpty())
        return WithSlash(overrideDir);
    if (!executableDir.isEmpty()) {
        const QString beside = WithSlash(executableDir);
        if (QFileInfo::exists(beside + QStringLiteral("config.xml")))
            return beside;
        // <root>/bin/tarvo finds <root>/share/tarvo/, wherever <root> is.
        const QString shared = WithSlash(QDir::cleanPath(beside + QStringLiteral("../share/tarvo")));
        if (QFileInfo::exists(shared + QStringLiteral("config.xml")))
            return shared;
    }
    const QString prefix = installPrefix.isEmpty() ? QStringLiteral("/usr/local") : installPrefix;
    return WithSlash(prefix) + QStringLiteral("share/tarvo/");
}

QString Paths::ProgramFolder()
{
    return ResolveProgramFolder(
        qEnvironmentVariable("TARVO_PROGRAM_DIR"), ExecutableFolder(), QString::fromUtf8(TARVO_INSTALL_PREFIX));
}

QString Paths::ResolveFetchProgram(const QString& overrideProgram, const QString& executableDir)
{
    if (!overrideProgram.isEmpty())
        return overrideProgram;
    if (executableDir.isEmpty())
        return QDir::cleanPath(QString::fromUtf8(TARVO_INSTALL_PREFIX "/bin/" TARVO_FETCH_FROM_BIN));
    const QString beside = WithSlash(executableDir);
    const QString built = beside + QStringLiteral("tarvo-fetch");
    if (QFileInfo(built).isFile())
        return built;
    return QDir::cleanPath(beside + QString::fromUtf8(TARVO_FETCH_FROM_BIN));
}

QString Paths::FetchProgram()
{
    return ResolveFetchProgram(qEnvironmentVariable("TARVO_FETCH_PROGRAM"), ExecutableFolder());
}

QString Paths::XdgBase(const char* variable, const char* fallbackBelowHome)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return WithSlash(value);
    QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty())
        home = QDir::homePath();
    return WithSlash(home) + QString::fromLatin1(fallbackBelowHome);
}

QString Paths::DataFolder()
{
    return XdgBase("XDG_DATA_HOME", ".local/share/") + ApplicationName() + QStringLiteral(" Files/");
}

QString Paths::DatabaseFolder()
{
    return DataFolder() + QStringLiteral("db/");
}

QString Paths::TempFolder()
{
    return DataFolder() + QStringLiteral("temp/");
}

QString Paths::ConfigHome()
{
    return XdgBase("XDG_CONFIG_HOME", ".config/");
}

QString Paths::SettingsFilePath()
{
    return ConfigHome() + ApplicationName() + QLatin1Char('/') + ApplicationName() + QStringLiteral(".conf");
}

QString Paths::RuntimeFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return WithSlash(folder);
}

bool Paths::MakePath(const QString& folder)
{
    if (folder.isEmpty())
        return false;
    QDir().mkpath(folder);
    return QFileInfo(folder).isDir();
}

bool Paths::PrepareDataFolder()
{
    return MakePath(DatabaseFolder());
}
