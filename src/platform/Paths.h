#pragma once

#include <QString>

// Where Tarvo finds its resources and keeps its per-user data. Folder results
// always end with '/', so a file name can be appended directly.
class Paths {
public:
    // Names the settings file, the data folder, the single-instance channel and
    // the window title. Never changes during a run.
    static QString ApplicationName();

    // Folder of config.xml, device/, language/, skins/ and the flashing tool:
    // $TARVO_PROGRAM_DIR when set; else the executable's folder when it holds
    // config.xml (a build tree or an unpacked bundle); else share/tarvo/ beside
    // the executable's bin/ folder when it holds config.xml (an installation
    // moved or unpacked elsewhere, such as a .deb extracted into a scratch
    // root); else the share folder of the prefix the program was built for.
    static QString ProgramFolder();

    // The decision behind ProgramFolder(), given its inputs; any empty input is
    // treated as absent.
    static QString ResolveProgramFolder(
        const QString& overrideDir, const QString& executableDir, const QString& installPrefix);

    // The transfer helper, tarvo-fetch: $TARVO_FETCH_PROGRAM when set; else the
    // one beside the executable (a build tree); else the installed one in
    // libexec/tarvo/ beside the executable's bin/ folder. When neither exists,
    // the installed path, so an error can name where it was expected.
    static QString FetchProgram();
    // The decision behind FetchProgram(), given its inputs.
    static QString ResolveFetchProgram(const QString& overrideProgram, const QString& executableDir);

    // $XDG_DATA_HOME/Tarvo Files/ ($HOME/.local/share when the variable is unset,
    // empty or relative, as the XDG rules require).
    static QString DataFolder();
    static QString DatabaseFolder(); // DataFolder() + "db/"
    static QString TempFolder(); // DataFolder() + "temp/"

    // $XDG_CONFIG_HOME/ ($HOME/.config/ when the variable is unset, empty or
    // relative).
    static QString ConfigHome();
    // ConfigHome() + "Tarvo/Tarvo.conf".
    static QString SettingsFilePath();

    // The user's runtime folder ($XDG_RUNTIME_DIR as Qt checks it), else the
    // temporary folder: where the single-instance lock and channel live.
    static QString RuntimeFolder();

    // Creates every missing folder along the path. True when the folder exists
    // afterwards, whether it was created now or before.
    static bool MakePath(const QString& folder);

    // Start-up: creates the database folder of the data folder.
    static bool PrepareDataFolder();

private:
    static QString XdgBase(const char* variable, const char* fallbackBelowHome);
    static QString WithSlash(const QString& folder);
};
