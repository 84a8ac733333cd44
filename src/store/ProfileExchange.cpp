// The profile file: export and the checked import.
#include "store/ExchangeFiles.h"

#include "editors/DpiRules.h"
#include "editors/LightingRules.h"
#include "editors/PerformanceRules.h"
#include "editors/SettingRules.h"
#include "store/ExchangeSupport.h"
#include "store/SettingsStore.h"
#include "store/StoreSavepoint.h"
#include "xml/XmlDocument.h"

#include <algorithm>
#include <limits>

using namespace ExchangeSupport;
using Status = ExchangeResult::Status;

namespace {

// Levels 1 to 5 travel; the sixth stays in the profile.
constexpr int kExchangedLevels = 5;

// The elements of "Mouse" in file order, each with the key it carries.
struct MouseValue {
    const char* element;
    const char* key;
};
constexpr MouseValue kMouseValues[] = {
    {"button_respondtime", "button_respondtime"},
    {"report_rate", "report_rate"},
    {"sensor_flag", "sensor_flag"},
    {"liftoff_height", "liftoff_height"},
    {"scroll_flag", "scroll_flag"},
    {"e-sports_flag", "highspeed_mode"},
    {"leftbtn_lock", "leftbtn_lock"},
};

QString Latin(const char* text)
{
    return QString::fromLatin1(text);
}

QString LevelValueKey(int level)
{
    return QStringLiteral("dpi_group%1_value").arg(level);
}

QString LevelColorKey(int level)
{
    return QStringLiteral("dpi_group%1_rgb").arg(level);
}

QString Stored(SettingsStore& store, int32_t profile, const QString& key)
{
    QString value;
    store.GetConfigValue(profile, key, value);
    return value;
}

QString Number(int64_t value)
{
    return QString::number(value);
}

bool FitsInt32(int64_t value)
{
    return value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max();
}

int32_t Saturated(int64_t value)
{
    return int32_t(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// One import into one profile, run inside the caller's savepoint with the
// store's lock held. Each step returns false only when the store failed.
class ProfileImport {
public:
    ProfileImport(SettingsStore& store, int32_t profile, const ExchangeModel& model, XmlDocument& doc,
        std::vector<ExchangeNote>& notes)
        : m_store(store)
        , m_profile(profile)
        , m_model(model)
        , m_doc(doc)
        , m_notes(notes)
    {}

    // The cursor is on "profileinfo".
    bool Run()
    {
        const uint32_t info = m_doc.CurrentIndex();
        Consumed parts;
        m_doc.StepIn();
        // Each element is looked for after the one found last, so only the
        // file's own order counts; anything else is noted as left out.
        if (m_doc.FindNext(QStringLiteral("keyitems"))) {
            parts.Take(m_doc);
            if (!ImportButtons())
                return false;
        }
        if (m_doc.FindNext(QStringLiteral("Lightitems"))) {
            if (m_model.lighting) {
                parts.Take(m_doc);
                if (!ImportLighting())
                    return false;
            }
        }
        if (m_doc.FindNext(QStringLiteral("Mouse_DPI"))) {
            parts.Take(m_doc);
            if (!ImportDpi())
                return false;
        }
        if (m_doc.FindNext(QStringLiteral("Mouse"))) {
            parts.Take(m_doc);
            if (!ImportMouse())
                return false;
        }
        m_doc.StepOut();
        NoteUnusedChildren(m_doc, info, parts, QStringLiteral("profileinfo"), m_notes);
        return true;
    }

private:
    // ---- Buttons ----
    bool ImportButtons()
    {
        std::vector<KeyAssignment> rows;
        const uint32_t list = m_doc.CurrentIndex();
        Consumed items;
        m_doc.StepIn();
        for (int number = 1; m_doc.FindNext(QStringLiteral("item")); ++number) {
            items.Take(m_doc);
            const QString where = QStringLiteral("keyitems/item %1").arg(number);
            KeyAssignment row;
            if (ReadButton(where, row))
                rows.push_back(row);
        }
        m_doc.StepOut();
        NoteUnusedChildren(m_doc, list, items, QStringLiteral("keyitems"), m_notes);
        // The file's buttons replace the profile's, all of them.
        if (!m_store.DeleteKeyAssignments(m_profile))
            return false;
        for (const KeyAssignment& row : rows) {
            const int id = m_store.SetKeyAssignment(row);
            const bool kept = row.macro_value != 0 || row.macro_value2 != 0;
            if (kept && id <= 0)
                return false;
        }
        return true;
    }

    // The current "item" as a row the button page could have stored; false
    // (with a note) when it could not have.
    bool ReadButton(const QString& where, KeyAssignment& row)
    {
        Notes& notes = m_notes;
        const std::optional<int64_t> key = ReadInteger(m_doc, QStringLiteral("key_code"), where, notes);
        const std::optional<int64_t> type = ReadInteger(m_doc, QStringLiteral("macro_type"), where, notes);
        if (!key || !type)
            return false;
        if (std::find(m_model.buttons.begin(), m_model.buttons.end(), *key) == m_model.buttons.end()) {
            notes.LeftOut(where + QStringLiteral("/key_code"), Number(*key));
            return false;
        }
        if (!SettingRules::IsStoredFunctionType(*type)) {
            notes.LeftOut(where + QStringLiteral("/macro_type"), Number(*type));
            return false;
        }
        // The three values; an absent one is 0, as the button page leaves an
        // unused value, but one that is no number makes the row unusable.
        int64_t values[3] = {0, 0, 0};
        const char* names[3] = {"macro_value", "macro_value2", "macro_value3"};
        for (int i = 0; i < 3; ++i) {
            const QString text = m_doc.GetAttribute(Latin(names[i]));
            if (text.isEmpty())
                continue;
            const std::optional<int64_t> value = StrictInteger(text);
            if (!value || !FitsInt32(*value)) {
                notes.LeftOut(where + QLatin1Char('/') + Latin(names[i]), text);
                return false;
            }
            values[i] = *value;
        }
        row.profile = m_profile;
        row.fn_layer = 0;
        row.key_code = int32_t(*key);
        row.layout_value = 0;
        row.macro_type = int32_t(*type);
        row.macro_value = int32_t(values[0]);
        row.macro_value2 = int32_t(values[1]);
        row.macro_value3 = int32_t(values[2]);
        const QString desc = m_doc.GetAttribute(QStringLiteral("macro_desc"));
        row.macro_desc = SettingRules::ClampName(desc);
        if (row.macro_desc != desc)
            notes.Adjusted(where + QStringLiteral("/macro_desc"), desc, row.macro_desc);
        if (!CheckFunction(row)) {
            notes.LeftOut(where,
                QStringLiteral("%1/%2/%3/%4")
                    .arg(row.macro_type)
                    .arg(row.macro_value)
                    .arg(row.macro_value2)
                    .arg(row.macro_value3));
            return false;
        }
        return true;
    }

    // Whether the button page could have stored these values for the type.
    // Values a type does not use are set to 0, as the page writes them.
    bool CheckFunction(KeyAssignment& row)
    {
        using SettingRules::FunctionType;
        const auto type = static_cast<FunctionType>(row.macro_type);
        auto unusedZero = [&row](bool second) {
            if (second)
                row.macro_value2 = 0;
            row.macro_value3 = 0;
        };
        switch (type) {
        case FunctionType::Mouse:
            unusedZero(true);
            return SettingRules::IsMouseFunction(row.macro_value);
        case FunctionType::Multimedia:
            unusedZero(true);
            return SettingRules::IsMultimediaFunction(row.macro_value);
        case FunctionType::SystemShortcut:
            unusedZero(true);
            return SettingRules::IsSystemShortcut(row.macro_value);
        case FunctionType::Disabled:
            unusedZero(true);
            return row.macro_value == SettingRules::kDisabledValue;
        case FunctionType::Keyboard:
            unusedZero(false);
            return SettingRules::IsKeyUsage(row.macro_value) && SettingRules::IsModifierByte(row.macro_value2);
        case FunctionType::Macro: {
            // A macro of this database: the file names it by an id of the
            // database it came from, which is only meaningful here when the
            // macro exists.
            MacroInfo macro;
            return m_store.GetMacro(row.macro_value, macro) && SettingRules::IsRepeatCount(row.macro_value2)
                && SettingRules::IsPlayMode(row.macro_value3);
        }
        case FunctionType::Program:
        case FunctionType::WebAddress: {
            unusedZero(true);
            // The program or address lives in a row of this database; the
            // file can only name one, and it must be of the same kind.
            QString description;
            QString parameter;
            int kind = -1;
            m_store.GetKeyOtherData(row.macro_value, description, parameter, kind);
            return row.macro_value > 0 && kind == row.macro_type;
        }
        case FunctionType::TextSnippet: {
            unusedZero(true);
            QString name;
            return m_store.GetTextName(row.macro_value, name);
        }
        }
        return false;
    }

    // ---- Lighting ----
    bool ImportLighting()
    {
        Notes& notes = m_notes;
        // A profile whose lighting page never opened has no rows yet; it gets
        // the rows that page would give it, so the file has rows to fill.
        if (!m_store.AddDefaultLightModes(m_profile))
            return false;
        const QString where = QStringLiteral("Lightitems");
        if (const std::optional<int64_t> active = ReadInteger(m_doc, QStringLiteral("lightmode"), where, notes)) {
            LightMode row;
            if (SettingRules::IsLightMode(*active) && m_store.GetLightMode(m_profile, int32_t(*active), row)) {
                if (!m_store.SetActiveLightMode(m_profile, int32_t(*active)))
                    return false;
            } else {
                notes.LeftOut(where + QStringLiteral("/lightmode"), Number(*active));
            }
        }
        const uint32_t list = m_doc.CurrentIndex();
        Consumed items;
        m_doc.StepIn();
        for (int number = 1; m_doc.FindNext(QStringLiteral("item")); ++number) {
            items.Take(m_doc);
            if (!ImportLightItem(QStringLiteral("Lightitems/item %1").arg(number)))
                return false;
        }
        m_doc.StepOut();
        NoteUnusedChildren(m_doc, list, items, where, m_notes);
        return true;
    }

    bool ImportLightItem(const QString& where)
    {
        Notes& notes = m_notes;
        const std::optional<int64_t> mode = ReadInteger(m_doc, QStringLiteral("light_mode"), where, notes);
        if (!mode)
            return true;
        LightMode row;
        if (!SettingRules::IsLightMode(*mode) || !m_store.GetLightMode(m_profile, int32_t(*mode), row)) {
            notes.LeftOut(where + QStringLiteral("/light_mode"), Number(*mode));
            return true;
        }
        auto slider = [&](const char* name, int32_t& field) {
            if (const std::optional<int64_t> value = ReadInteger(m_doc, Latin(name), where, notes)) {
                field = int32_t(std::clamp<int64_t>(*value, 0, LightingRules::kLevelMaximum));
                if (field != *value)
                    notes.Adjusted(where + QLatin1Char('/') + Latin(name), Number(*value), Number(field));
            }
        };
        auto checked = [&](const char* name, int32_t& field, bool (*valid)(int64_t)) {
            if (const std::optional<int64_t> value = ReadInteger(m_doc, Latin(name), where, notes)) {
                if (valid(*value))
                    field = int32_t(*value);
                else
                    notes.LeftOut(where + QLatin1Char('/') + Latin(name), Number(*value));
            }
        };
        slider("brightness", row.brightness);
        slider("speed", row.speed);
        checked("direction", row.direction, SettingRules::IsLightByte);
        checked("colorful", row.colorful, SettingRules::IsLightByte);
        checked("colorindex", row.colorindex, SettingRules::IsLightByte);
        checked("color_value", row.color_value, SettingRules::IsColor);
        return m_store.UpdateLightMode(m_profile, row.mode, row);
    }

    // ---- DPI levels ----
    bool ImportDpi()
    {
        Notes& notes = m_notes;
        const QString where = QStringLiteral("Mouse_DPI");
        if (const std::optional<int64_t> flag = ReadInteger(m_doc, QStringLiteral("dpi_flag"), where, notes)) {
            if (SettingRules::IsOptionByte(*flag)) {
                if (!Set(QStringLiteral("dpi_flag"), Number(*flag)))
                    return false;
            } else {
                notes.LeftOut(where + QStringLiteral("/dpi_flag"), Number(*flag));
            }
        }
        // The count first: the current level must lie within it.
        int32_t count = DpiRules::ClampCount(m_store.GetConfigInt(m_profile, QStringLiteral("dpi_count")));
        if (const std::optional<int64_t> value = ReadInteger(m_doc, QStringLiteral("dpi_count"), where, notes)) {
            count = DpiRules::ClampCount(Saturated(*value));
            if (count != *value)
                notes.Adjusted(where + QStringLiteral("/dpi_count"), Number(*value), Number(count));
        }
        if (!Set(QStringLiteral("dpi_count"), Number(count)))
            return false;
        int32_t index = m_store.GetConfigInt(m_profile, QStringLiteral("dpi_index"));
        if (const std::optional<int64_t> value = ReadInteger(m_doc, QStringLiteral("dpi_index"), where, notes)) {
            index = DpiRules::ClampIndex(Saturated(*value), count);
            if (index != *value)
                notes.Adjusted(where + QStringLiteral("/dpi_index"), Number(*value), Number(index));
        }
        if (!Set(QStringLiteral("dpi_index"), Number(DpiRules::ClampIndex(index, count))))
            return false;

        const uint32_t levels = m_doc.CurrentIndex();
        Consumed found;
        m_doc.StepIn();
        for (int level = 0; level < kExchangedLevels; ++level) {
            const QString name = QStringLiteral("DPI%1").arg(level + 1);
            if (!m_doc.FindNext(name))
                continue;
            found.Take(m_doc);
            const QString place = where + QLatin1Char('/') + name;
            if (const std::optional<int64_t> value = ReadInteger(m_doc, QStringLiteral("value"), place, notes)) {
                const int32_t dpi = DpiRules::Clamp(*value, m_model.deviceType);
                if (dpi != *value)
                    notes.Adjusted(place + QStringLiteral("/value"), Number(*value), Number(dpi));
                if (!Set(LevelValueKey(level), Number(dpi)))
                    return false;
            }
            if (const std::optional<int64_t> color = ReadInteger(m_doc, QStringLiteral("color"), place, notes)) {
                if (!SettingRules::IsColor(*color))
                    notes.LeftOut(place + QStringLiteral("/color"), Number(*color));
                else if (!Set(LevelColorKey(level), Number(*color)))
                    return false;
            }
        }
        m_doc.StepOut();
        NoteUnusedChildren(m_doc, levels, found, where, m_notes);
        return true;
    }

    // ---- Performance values ----
    bool ImportMouse()
    {
        Notes& notes = m_notes;
        const uint32_t mouse = m_doc.CurrentIndex();
        Consumed found;
        m_doc.StepIn();
        for (const MouseValue& entry : kMouseValues) {
            if (!m_doc.FindNext(Latin(entry.element)))
                continue;
            found.Take(m_doc);
            const QString place = QStringLiteral("Mouse/") + Latin(entry.element);
            const std::optional<int64_t> value = ReadInteger(m_doc, QStringLiteral("value"), place, notes);
            if (!value)
                continue;
            const QString key = Latin(entry.key);
            int64_t stored = *value;
            if (key == QLatin1String("button_respondtime")) {
                stored = std::clamp<int64_t>(
                    *value, PerformanceRules::kResponseMinimum, PerformanceRules::kResponseMaximum);
                if (stored != *value)
                    notes.Adjusted(place + QStringLiteral("/value"), Number(*value), Number(stored));
            } else if (key == QLatin1String("report_rate") ? !SettingRules::IsReportRateCode(*value)
                                                           : !SettingRules::IsOptionByte(*value)) {
                notes.LeftOut(place + QStringLiteral("/value"), Number(*value));
                continue;
            }
            if (!Set(key, Number(stored)))
                return false;
        }
        m_doc.StepOut();
        NoteUnusedChildren(m_doc, mouse, found, QStringLiteral("Mouse"), m_notes);
        return true;
    }

    bool Set(const QString& key, const QString& value) { return m_store.SetConfigValue(m_profile, key, value); }

    SettingsStore& m_store;
    int32_t m_profile;
    const ExchangeModel& m_model;
    XmlDocument& m_doc;
    Notes m_notes;
};

} // namespace

namespace ExchangeFiles {

QString ProfileDocument(SettingsStore& store, int32_t profile, const ExchangeModel& model)
{
    XmlDocument doc;
    StartDocument(doc);
    Append(doc, QStringLiteral("profile"), {});
    doc.StepIn();
    QString name;
    store.GetProfileName(profile, name);
    Append(doc, QStringLiteral("profileinfo"), {{"name", name}});
    doc.StepIn();

    Append(doc, QStringLiteral("keyitems"), {});
    std::vector<KeyAssignment> keys;
    store.ListKeyAssignments(profile, keys);
    doc.StepIn();
    for (const KeyAssignment& key : keys) {
        Append(doc, QStringLiteral("item"),
            {{"key_code", Number(key.key_code)}, {"macro_type", Number(key.macro_type)},
                {"macro_value", Number(key.macro_value)}, {"macro_value2", Number(key.macro_value2)},
                {"macro_value3", Number(key.macro_value3)}, {"macro_desc", key.macro_desc}});
    }
    doc.StepOut();

    // Without lighting rows (the lighting page never opened) there is nothing
    // to carry; an empty "Lightitems" would switch the lights off where imported.
    std::vector<LightMode> lights;
    if (model.lighting && store.ListLightModes(profile, lights) > 0) {
        Append(doc, QStringLiteral("Lightitems"), {{"lightmode", Number(store.GetActiveLightMode(profile))}});
        doc.StepIn();
        for (const LightMode& light : lights) {
            Append(doc, QStringLiteral("item"),
                {{"light_mode", Number(light.mode)}, {"brightness", Number(light.brightness)},
                    {"speed", Number(light.speed)}, {"direction", Number(light.direction)},
                    {"colorful", Number(light.colorful)}, {"colorindex", Number(light.colorindex)},
                    {"color_value", Number(light.color_value)}});
        }
        doc.StepOut();
    }

    Append(doc, QStringLiteral("Mouse_DPI"),
        {{"dpi_flag", Stored(store, profile, QStringLiteral("dpi_flag"))},
            {"dpi_index", Stored(store, profile, QStringLiteral("dpi_index"))},
            {"dpi_count", Stored(store, profile, QStringLiteral("dpi_count"))}});
    doc.StepIn();
    for (int level = 0; level < kExchangedLevels; ++level) {
        Append(doc, QStringLiteral("DPI%1").arg(level + 1),
            {{"value", Stored(store, profile, LevelValueKey(level))},
                {"color", Stored(store, profile, LevelColorKey(level))}});
    }
    doc.StepOut();

    Append(doc, QStringLiteral("Mouse"), {});
    doc.StepIn();
    for (const MouseValue& entry : kMouseValues)
        Append(doc, Latin(entry.element), {{"value", Stored(store, profile, Latin(entry.key))}});
    return doc.DocumentText();
}

ExchangeResult ExportProfile(SettingsStore& store, int32_t profile, const ExchangeModel& model, const QString& path)
{
    ExchangeResult result;
    QString name;
    if (!store.GetProfileName(profile, name)) {
        result.status = Status::NotFound;
        return result;
    }
    XmlDocument doc;
    doc.SetDocumentText(ProfileDocument(store, profile, model));
    result.status = Save(doc, path);
    return result;
}

ExchangeResult ImportProfile(SettingsStore& store, int32_t profile, const ExchangeModel& model, const QString& path)
{
    QByteArray bytes;
    ExchangeResult result;
    result.status = ReadFile(path, bytes);
    if (!result.Ok())
        return result;
    return ImportProfileBytes(store, profile, model, bytes);
}

ExchangeResult ImportProfileBytes(
    SettingsStore& store, int32_t profile, const ExchangeModel& model, QByteArrayView bytes)
{
    ExchangeResult result;
    XmlDocument doc;
    if (!Parse(doc, bytes)) {
        result.status = Status::NotXml;
        return result;
    }
    // Without "profileinfo" the file holds no profile at all: refused, rather
    // than taken as an order to remove every button.
    if (!doc.FindNext(QStringLiteral("profile")) || !doc.StepIn() || !doc.FindNext(QStringLiteral("profileinfo"))) {
        result.status = Status::WrongKind;
        return result;
    }
    const auto lock = store.Lock();
    QString name;
    if (!store.GetProfileName(profile, name)) {
        result.status = Status::StoreFailed;
        return result;
    }
    StoreSavepoint savepoint(store);
    ProfileImport import(store, profile, model, doc, result.notes);
    if (!savepoint.IsOpen() || !import.Run() || !savepoint.Release()) {
        savepoint.Rollback();
        result.notes.clear();
        result.status = Status::StoreFailed;
    }
    return result;
}

} // namespace ExchangeFiles
