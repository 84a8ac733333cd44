#pragma once

#include <QString>

class SettingsStore;

// What the main window shows after a profile load.
struct LoadedProfile {
    int profile = 0; // the current profile; 0 when the store has none (not connected)
    QString name;    // its name, localised
};

// The profile load that runs before the mouse is read (start-up, arrival,
// model switch, factory reset). A database without profiles gets its four,
// named with interface text 61 and " 1" to " 4", each with its configuration
// rows, profile 1 active; a database without an active profile gets profile 1
// active. The window's DeviceMainDlg::LoadProfiles delegates here, so the
// worker and the window share one implementation.
class ProfileLoader {
public:
    static constexpr int kProfileCount = 4;

    static LoadedProfile LoadProfiles(SettingsStore& store);
};
