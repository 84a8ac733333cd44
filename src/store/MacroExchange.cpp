// The macro file: export and the checked import.
#include "store/ExchangeFiles.h"

#include "editors/SettingRules.h"
#include "store/ExchangeSupport.h"
#include "store/SettingsStore.h"
#include "store/StoreSavepoint.h"
#include "xml/XmlDocument.h"

using namespace ExchangeSupport;
using Status = ExchangeResult::Status;

namespace {

// What a new macro has until the file says otherwise (SettingsStore::AddMacro).
constexpr int32_t kNewPlayType = 0;
constexpr int32_t kNewPlayTimes = 1;
constexpr int32_t kNewDelayType = 1;
constexpr int32_t kNewDelayTime = 0;
// The delay of an event whose file gives none, as the editor inserts one.
constexpr int32_t kNewEventDelay = 10;

QString Number(int64_t value)
{
    return QString::number(value);
}

// The macro's own values: each checked, a missing or unusable one keeping
// what a new macro has.
MacroInfo ReadMacroInfo(const XmlDocument& doc, Notes& notes)
{
    const QString where = QStringLiteral("macroinfo");
    MacroInfo macro;
    macro.play_type = kNewPlayType;
    macro.play_times = kNewPlayTimes;
    macro.delay_type = kNewDelayType;
    macro.delay_time = kNewDelayTime;
    auto checked = [&](const char* name, int32_t& field, bool (*valid)(int64_t)) {
        if (const std::optional<int64_t> value = ReadInteger(doc, QString::fromLatin1(name), where, notes)) {
            if (valid(*value))
                field = int32_t(*value);
            else
                notes.LeftOut(where + QLatin1Char('/') + QString::fromLatin1(name), Number(*value));
        }
    };
    checked("macro_type", macro.play_type, SettingRules::IsPlayByte);
    checked("play_times", macro.play_times, SettingRules::IsPlayByte);
    checked("delay_type", macro.delay_type, SettingRules::IsDelayType);
    if (const std::optional<int64_t> value = ReadInteger(doc, QStringLiteral("delay_time"), where, notes)) {
        macro.delay_time = SettingRules::ClampMacroDelay(*value);
        if (macro.delay_time != *value)
            notes.Adjusted(where + QStringLiteral("/delay_time"), Number(*value), Number(macro.delay_time));
    }
    // The suffix always fits: the file's part is cut to leave room for it.
    const QString name = doc.GetAttribute(QStringLiteral("macro_name"));
    const qsizetype room = SettingRules::kMaxNameLength - ExchangeFiles::kImportSuffix.size();
    QString kept = name.left(room);
    if (!kept.isEmpty() && kept.back().isHighSurrogate())
        kept.chop(1);
    // The name as the store keeps it: in UTF-8 a lone surrogate (a damaged
    // UTF-16 file) becomes a replacement, and the result must name the macro
    // the store holds.
    kept = QString::fromUtf8(kept.toUtf8());
    if (kept != name)
        notes.Adjusted(where + QStringLiteral("/macro_name"), name, kept);
    macro.name = kept + ExchangeFiles::kImportSuffix;
    return macro;
}

// One "item" as an event the editor could have stored; false (with a note)
// when it could not have.
bool ReadStep(const XmlDocument& doc, const QString& where, Notes& notes, MacroStep& step)
{
    const std::optional<int64_t> type = ReadInteger(doc, QStringLiteral("type"), where, notes);
    const std::optional<int64_t> value = ReadInteger(doc, QStringLiteral("value"), where, notes);
    if (!type || !value)
        return false;
    if (!SettingRules::IsMacroEventType(*type)) {
        notes.LeftOut(where + QStringLiteral("/type"), Number(*type));
        return false;
    }
    if (!SettingRules::IsMacroEventValue(*value)) {
        notes.LeftOut(where + QStringLiteral("/value"), Number(*value));
        return false;
    }
    step.type = int32_t(*type);
    step.value = int32_t(*value);
    step.delay_time = kNewEventDelay;
    if (const std::optional<int64_t> delay = ReadInteger(doc, QStringLiteral("timestamp"), where, notes)) {
        step.delay_time = SettingRules::ClampEventDelay(*delay);
        if (step.delay_time != *delay)
            notes.Adjusted(where + QStringLiteral("/timestamp"), Number(*delay), Number(step.delay_time));
    }
    const QString desc = doc.GetAttribute(QStringLiteral("desc"));
    step.desc = SettingRules::ClampName(desc);
    if (step.desc != desc)
        notes.Adjusted(where + QStringLiteral("/desc"), desc, step.desc);
    return true;
}

} // namespace

namespace ExchangeFiles {

QString MacroDocument(SettingsStore& store, int32_t macroId)
{
    MacroInfo macro;
    store.GetMacro(macroId, macro);
    std::vector<MacroStep> steps;
    store.ListMacroSteps(macroId, steps);

    XmlDocument doc;
    StartDocument(doc);
    Append(doc, QStringLiteral("macro"), {});
    doc.StepIn();
    Append(doc, QStringLiteral("macroinfo"),
        {{"macro_name", macro.name}, {"macro_type", Number(macro.play_type)}, {"play_times", Number(macro.play_times)},
            {"delay_type", Number(macro.delay_type)}, {"delay_time", Number(macro.delay_time)}});
    Append(doc, QStringLiteral("macroitems"), {});
    doc.StepIn();
    for (const MacroStep& step : steps) {
        Append(doc, QStringLiteral("item"),
            {{"desc", step.desc}, {"index", Number(step.record_index)}, {"type", Number(step.type)},
                {"value", Number(step.value)}, {"timestamp", Number(step.delay_time)}});
    }
    return doc.DocumentText();
}

ExchangeResult ExportMacro(SettingsStore& store, int32_t macroId, const QString& path)
{
    ExchangeResult result;
    MacroInfo macro;
    if (!store.GetMacro(macroId, macro)) {
        result.status = Status::NotFound;
        return result;
    }
    XmlDocument doc;
    doc.SetDocumentText(MacroDocument(store, macroId));
    result.status = Save(doc, path);
    return result;
}

ExchangeResult ImportMacro(SettingsStore& store, const QString& path)
{
    QByteArray bytes;
    ExchangeResult result;
    result.status = ReadFile(path, bytes);
    if (!result.Ok())
        return result;
    return ImportMacroBytes(store, bytes);
}

ExchangeResult ImportMacroBytes(SettingsStore& store, QByteArrayView bytes)
{
    ExchangeResult result;
    XmlDocument doc;
    if (!Parse(doc, bytes)) {
        result.status = Status::NotXml;
        return result;
    }
    if (!doc.FindNext(QStringLiteral("macro")) || !doc.StepIn() || !doc.FindNext(QStringLiteral("macroinfo"))) {
        result.status = Status::WrongKind;
        return result;
    }
    const uint32_t root = doc.ParentIndex();
    Notes notes(result.notes);
    Consumed parts;
    parts.Take(doc);
    const MacroInfo macro = ReadMacroInfo(doc, notes);

    // The events in file order, which is the order they are written in;
    // record_index counts them from 0 whatever the file's "index" says, so
    // no two share a place.
    std::vector<MacroStep> steps;
    if (doc.FindNext(QStringLiteral("macroitems"))) {
        parts.Take(doc);
        const uint32_t list = doc.CurrentIndex();
        Consumed items;
        doc.StepIn();
        for (int number = 1; doc.FindNext(QStringLiteral("item")); ++number) {
            items.Take(doc);
            if (number > SettingRules::kMaxMacroEvents) {
                result.notes.clear();
                result.status = Status::TooManyEvents;
                return result;
            }
            MacroStep step;
            if (ReadStep(doc, QStringLiteral("macroitems/item %1").arg(number), notes, step)) {
                step.record_index = int32_t(steps.size());
                steps.push_back(step);
            }
        }
        doc.StepOut();
        NoteUnusedChildren(doc, list, items, QStringLiteral("macroitems"), notes);
    }
    NoteUnusedChildren(doc, root, parts, QStringLiteral("macro"), notes);

    const auto lock = store.Lock();
    StoreSavepoint savepoint(store);
    bool stored = savepoint.IsOpen();
    const int32_t id = stored ? store.AddMacroInfo(macro) : 0;
    stored = stored && id > 0;
    for (MacroStep& step : steps) {
        if (!stored)
            break;
        step.macro_id = id;
        stored = store.AddMacroStep(step) > 0;
    }
    if (!stored || !savepoint.Release()) {
        savepoint.Rollback();
        result.notes.clear();
        result.status = Status::StoreFailed;
        return result;
    }
    result.macroId = id;
    result.macroName = macro.name;
    return result;
}

} // namespace ExchangeFiles
