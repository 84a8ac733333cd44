#pragma once

// The process-wide interface language as a Windows language identifier (LCID):
// chosen at start-up, changed by the settings dialog, read by the text lookup
// and by the store's localised profile names. Safe to read from any thread.
class Language {
public:
    static int Current();
    static void SetCurrent(int lcid);
};
