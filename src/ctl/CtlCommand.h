#pragma once

#include "ctl/CtlVocabulary.h"

#include <QString>
#include <QStringList>

#include <cstdint>

// One tarvoctl command, its words checked and turned into values. The same
// parse runs in tarvoctl and in a Tarvo window that is handed the words, so
// both refuse alike. What depends on the model or on the stored profile
// (a DPI value above the model's bound, a level beyond dpi-count) is checked
// when the command is applied (CtlEdits).
struct CtlCommand {
    enum class Kind {
        None, // only with an error
        List,
        Show,
        Set,
        Profile, // switch to a profile
        Reset, // the current profile and the mouse back to their factory settings
        ProfileExport, // the current profile to `path`
        ProfileImport, // `path` into the current profile, then everything sent
        MacroExport, // macro `macro` to `path`
        MacroImport, // `path` as a new macro
        Button, // button `button` gets `function`
    };

    // A button's new function as the button page stores it.
    struct Function {
        int32_t type = 0; // SettingRules::FunctionType
        int32_t value = 0; // macro_value
        int32_t modifiers = 0; // macro_value2 of a keyboard key
        int textId = 0; // the list item's interface text; 0 for a key (described from its names)
        QString keyName; // a key's name as KeyCodes shows it
    };

    Kind kind = Kind::None;
    QString model; // `show MODEL`; else empty (tarvoctl's --model fills it)
    CtlVocabulary::Setting setting = CtlVocabulary::Setting::Dpi;
    int32_t level = 0; // set dpi: the level, 0-based (the user types 1 to 6)
    int64_t number = 0; // set dpi VALUE, dpi-count, dpi-index (1-based), report-rate Hz, response-time
    int32_t code = 0; // lift-off code, scroll 0/1, deep-sleep seconds, on/off as 1/0
    int32_t profile = 0; // `profile N`: 1 to 4, the position in the profile list
    QString path; // export and import: the file, as given
    QString macro; // macro export: its name or its place in the macro list (1, 2, ...)
    int32_t button = 0; // `button N`: 1 up to the model's last assignable button
    Function function;
    QStringList words; // as given, for a Tarvo window to parse again

    // Empty `error` on success; else a message naming the word at fault.
    static CtlCommand Parse(const QStringList& words, QString& error);

    // Commands that send something to the mouse; the others only read it or
    // change the store alone.
    bool Changes() const
    {
        return kind == Kind::Set || kind == Kind::Profile || kind == Kind::Reset || kind == Kind::ProfileImport
            || kind == Kind::Button;
    }
};
