#include "platform/SystemMouseSettings.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

#include <array>

namespace SystemMouseSettings {

namespace {

struct Candidate {
    const char* desktop; // as XDG_CURRENT_DESKTOP names it
    const char* program;
    const char* argument; // the mouse page; null: the program is the mouse page
};

// In the order tried when the running desktop's own is not installed. KDE's
// settings take the module's id since Plasma 6 and its short name before.
constexpr std::array<Candidate, 10> kCandidates = {{
    {"GNOME", "gnome-control-center", "mouse"},
    {"KDE", "systemsettings", "kcm_mouse"},
    {"KDE", "systemsettings5", "mouse"},
    {"KDE", "kcmshell6", "kcm_mouse"},
    {"KDE", "kcmshell5", "mouse"},
    {"XFCE", "xfce4-mouse-settings", nullptr},
    {"X-Cinnamon", "cinnamon-settings", "mouse"},
    {"MATE", "mate-mouse-properties", nullptr},
    {"Budgie", "budgie-control-center", "mouse"},
    {"LXQt", "lxqt-config-input", nullptr},
}};

QString Locate(const Candidate& candidate, const QStringList& searchPath)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(candidate.program), searchPath);
}

Command MakeCommand(const Candidate& candidate, const QString& path)
{
    Command command{path, {}};
    if (candidate.argument)
        command.arguments << QString::fromLatin1(candidate.argument);
    return command;
}

} // namespace

std::optional<Command> Find(const QString& currentDesktop, const QStringList& searchPath)
{
    // The running desktop's own first, in the order it names its desktops.
    for (const QString& desktop : currentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        for (const Candidate& candidate : kCandidates) {
            if (desktop.compare(QLatin1String(candidate.desktop), Qt::CaseInsensitive) != 0)
                continue;
            if (const QString path = Locate(candidate, searchPath); !path.isEmpty())
                return MakeCommand(candidate, path);
        }
    }
    for (const Candidate& candidate : kCandidates) {
        if (const QString path = Locate(candidate, searchPath); !path.isEmpty())
            return MakeCommand(candidate, path);
    }
    return std::nullopt;
}

Result Open()
{
    const std::optional<Command> command = Find(qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
    if (!command)
        return Result::NotInstalled;
    return QProcess::startDetached(command->program, command->arguments, QDir::homePath()) ? Result::Started
                                                                                           : Result::StartFailed;
}

} // namespace SystemMouseSettings
