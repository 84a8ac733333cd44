#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

// What the program asks of the user's desktop when a mouse button wants it:
// a web address opened, a program started, a text typed into the focused
// window, the character map. Called on the interface thread; none of them
// waits for the program or window it hands the work to.
class DesktopActions {
public:
    virtual ~DesktopActions() = default;

    // Opens an http or https address with the desktop's URL opener (never a
    // shell). False, opening nothing, for any other scheme or no host.
    virtual bool OpenWebAddress(const QUrl& address) = 0;
    // Starts `program` (an absolute path) with `arguments`, detached and
    // without a shell. False, starting nothing, when the path is not an
    // existing file this user may run.
    virtual bool StartProgram(const QString& program, const QStringList& arguments) = 0;
    // Types `text` into the focused window through the clipboard, which is
    // put back afterwards. False, changing nothing, for an empty text or when
    // the window system takes no synthetic keys.
    virtual bool TypeText(const QString& text) = 0;
    // Starts the desktop's character map; false when none is installed.
    virtual bool OpenCharacterMap() = 0;
};
