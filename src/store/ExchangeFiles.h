#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <vector>

class SettingsStore;

// Profiles and macros as XML files, to keep a copy or to move them to another
// computer. The formats are fixed: UTF-8 without a byte-order mark, the XML
// declaration, one element per line ended by CR LF, every value an attribute.
//
// A file to import comes from anywhere and is held to what the pages could
// store: a value that is missing or not a number keeps what the profile had,
// numbers are brought into range as the pages bring typed ones (DPI values,
// counts, slider positions), and what no page could store (an unknown function
// type or event type, a button the model does not let the pages assign, a
// macro or snippet this database does not have) is left out. Each such value
// becomes a note of the result, so the user can be told. An import is one
// transaction: refused or failed, it changes nothing.
//
// No dialogs and no messages here: the caller chooses the path and tells the
// user (editors/ExchangeFlow). Interface thread or any other; the store's lock
// is held for each whole import.

// What an import needs to know of the current model.
struct ExchangeModel {
    int32_t deviceType = 0; // bounds the DPI values (DpiRules)
    bool lighting = false; // the model has lighting: "Lightitems" travels
    std::vector<int32_t> buttons; // button codes the button page may assign
};

// One value of an imported file that was not stored as it stood.
struct ExchangeNote {
    enum class Kind {
        LeftOut, // not stored; the profile keeps what it had
        Adjusted, // stored as `stored` instead
        Missing, // the file has no such value; the profile keeps what it had
    };
    Kind kind = Kind::LeftOut;
    QString where; // element and attribute: "Mouse_DPI/DPI2/value", "keyitems/item 3"
    QString value; // as the file gave it, at most 32 characters
    QString stored; // Adjusted: the value stored
};

struct ExchangeResult {
    enum class Status {
        Done, // exported, or imported (notes say what was not taken as it stood)
        Unreadable, // missing, not a regular file, or not readable
        TooLarge, // larger than ExchangeFiles::kMaxFileSize; not read
        NotXml, // not well-formed XML (or in no encoding we read)
        WrongKind, // XML, but not a profile (or macro) file of this program
        TooManyEvents, // a macro with more than 200 events
        NotFound, // export: no such profile or macro
        StoreFailed, // the store did not take it; nothing was changed
        WriteFailed, // export: not written; a file already there is left as it was
    };
    Status status = Status::Done;
    std::vector<ExchangeNote> notes;
    // ImportMacro: the new macro and its name.
    int32_t macroId = 0;
    QString macroName;

    bool Ok() const { return status == Status::Done; }
};

namespace ExchangeFiles {

// Files larger than this are refused unread: an exported profile is a few
// kilobytes, a macro of 200 events about 20.
constexpr int64_t kMaxFileSize = 1024 * 1024;
// What an imported macro's name gets at its end (a blank and "import").
inline const QString kImportSuffix = QStringLiteral(" 导入");

// ---- Profiles ----
// The profile file of `profile`: its name as shown, its buttons, its lighting
// when the model has lighting and the profile has lighting rows, DPI levels 1
// to 5 and the seven performance values, every value as stored.
QString ProfileDocument(SettingsStore& store, int32_t profile, const ExchangeModel& model);
// Writes ProfileDocument to `path` (atomically). NotFound without such a profile.
ExchangeResult ExportProfile(SettingsStore& store, int32_t profile, const ExchangeModel& model, const QString& path);
// Reads a profile file into `profile`: the button rows when the file has
// "keyitems" (all of them replaced, so an empty "keyitems" removes them), the
// lighting when the model has lighting and the file has "Lightitems", the DPI
// values of "Mouse_DPI" and the values of "Mouse". The profile keeps its name.
// Elements count only in the order the format writes them.
ExchangeResult ImportProfile(SettingsStore& store, int32_t profile, const ExchangeModel& model, const QString& path);
// The same for a file's bytes already read.
ExchangeResult ImportProfileBytes(
    SettingsStore& store, int32_t profile, const ExchangeModel& model, QByteArrayView bytes);

// ---- Macros ----
// The macro file of macro `macroId`: its stored name, play and delay values
// and events in order.
QString MacroDocument(SettingsStore& store, int32_t macroId);
ExchangeResult ExportMacro(SettingsStore& store, int32_t macroId, const QString& path);
// Adds the file's macro as a new one, named as in the file followed by
// kImportSuffix; existing macros are never changed, so importing a file twice
// gives two macros. The result carries the new id and name.
ExchangeResult ImportMacro(SettingsStore& store, const QString& path);
ExchangeResult ImportMacroBytes(SettingsStore& store, QByteArrayView bytes);

} // namespace ExchangeFiles
