#pragma once

#include <QString>

// Interface texts by number from the language file of the current language
// (Language::Current()): <program folder>language/<LCID>.lan, section "LAN".
// A parsed file is kept and read again when its size or modification time
// changes, so a lookup costs one stat() instead of a parse. Thread-safe.
class InterfaceText {
public:
    // Set once at start-up; until then every lookup gives the empty text.
    static void SetProgramFolder(const QString& folder);
    static QString ProgramFolder();

    // The text with key `id` in section "LAN"; empty for a missing file, section or key.
    static QString Get(int id);
    static QString Get(const QString& section, int id);

    // <program folder>language/<lcid>.lan
    static QString LanguageFilePath(int lcid);

    // The language whose texts are shown when none has a file.
    static constexpr int kFallbackLanguage = 1033;
    // True when the language's file is there to be read (a regular file under
    // the size cap).
    static bool HasLanguageFile(int lcid);
    // The language to run with: `chosen` when it has a file, else the user's
    // own language when that has one, else English. A stored language
    // without a file (a hand-edited "LCID", a language of another version)
    // would otherwise blank every text of the window.
    static int UsableLanguage(int chosen, int userLcid);

    // Forgets every parsed file (a settings dialog that swaps files may want it;
    // lookups work without it).
    static void ClearCache();
};
