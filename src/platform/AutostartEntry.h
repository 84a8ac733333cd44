#pragma once

#include <QString>
#include <QStringList>

// Start at login: the desktop's autostart entry of the program,
// $XDG_CONFIG_HOME/autostart/<application name>.desktop, whose Exec line starts
// the program with "-autorun". Every desktop that follows the XDG autostart
// rules (GNOME, KDE, Xfce, LXQt, ...) starts what it names at login.
class AutostartEntry {
public:
    // The entry of this user ($XDG_CONFIG_HOME, else ~/.config).
    AutostartEntry();
    // An entry at an explicit path (tests).
    explicit AutostartEntry(QString filePath);

    const QString& FilePath() const { return m_filePath; }

    // The entry exists and is not switched off (a desktop's session settings
    // switch an entry off with "Hidden=true" or
    // "X-GNOME-Autostart-enabled=false" instead of deleting it).
    bool IsEnabled() const;
    // Writes the entry for `program` (an absolute path) with "-autorun",
    // replacing any earlier one. False when it cannot be written.
    bool Enable(const QString& program);
    // Removes the entry. True when none is left.
    bool Disable();

    // The Exec value that runs `program` with `arguments`, quoted and escaped
    // as the desktop entry rules require: an argument holding a blank or
    // another reserved character is put in double quotes with '"', '`', '$'
    // and '\' escaped; '%' is doubled; then backslashes are escaped once more
    // as in every string value of the file.
    static QString ExecLine(const QString& program, const QStringList& arguments);
    // The inverse of ExecLine, by the same rules: the program and its
    // arguments; empty for a malformed line (an unterminated quote).
    static QStringList SplitExecLine(const QString& exec);

private:
    QString m_filePath;
};
