#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The desktop's own mouse settings (pointer speed, buttons, the wheel), which
// the performance page offers beside the mouse's. Each desktop ships its own
// program; the one of the running desktop is preferred, else the first
// installed of the known ones (GNOME's, then KDE's, then the others).
namespace SystemMouseSettings {

struct Command {
    QString program; // absolute path of the executable
    QStringList arguments;
};

// The command to start. `currentDesktop` is XDG_CURRENT_DESKTOP's form (names
// separated by ':', "ubuntu:GNOME"); `searchPath` lists the folders to look
// in, empty for the process's PATH. None when no known program is installed.
std::optional<Command> Find(const QString& currentDesktop, const QStringList& searchPath = {});

enum class Result {
    Started,
    NotInstalled,
    StartFailed,
};
// Finds the program for this session's desktop and starts it detached, from
// an argument list and without a shell, so nothing in its arguments is
// interpreted.
Result Open();

} // namespace SystemMouseSettings
