#pragma once

#include <QString>

// Process-wide settings of the widget library. Interface thread only, except
// GetDeviceName, which is constant.
class Manager {
public:
    static void SetInstance(void* instance);
    static void* GetInstance();
    // The application name: non-empty and fixed for the run.
    static QString GetDeviceName();
    // Theme folder name under "skins/".
    static QString GetTheme();
    static void SetTheme(const QString& theme);
    // The program folder with a trailing '/'. Defaults to $TARVO_PROGRAM_DIR,
    // else the executable's folder.
    static QString GetProgramFolder();
    static void SetProgramFolder(const QString& folder);
    static QString GetSkinFolder();
    // A skin-relative name ("icon\\tab_home.png" or "icon/tab_home.png") as a
    // full path; absolute paths are returned unchanged.
    static QString SkinPath(const QString& name);
};
