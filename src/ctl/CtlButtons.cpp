#include "ctl/CtlButtons.h"

#include "ctl/CtlVocabulary.h"
#include "editors/ButtonRules.h"
#include "editors/KeyCodes.h"
#include "store/SettingsStore.h"

#include <QStringList>

#include <algorithm>

namespace {

using namespace ButtonRules;

bool SentToMouse(int32_t type)
{
    return type != kRestore
        && std::any_of(std::begin(kTypes), std::end(kTypes), [type](const TypeEntry& t) { return t.type == type; });
}

// A function of one of the fixed lists by its command-line name; a value no
// list names is shown by its number and cannot be typed back.
void FromList(
    ButtonShown& shown, const char* function, std::span<const CtlVocabulary::FunctionName> list, int32_t value)
{
    shown.function = QString::fromLatin1(function);
    if (const CtlVocabulary::FunctionName* entry = CtlVocabulary::FindValue(list, value)) {
        shown.name = QString::fromLatin1(entry->name);
    } else {
        shown.name = QStringLiteral("#%1").arg(value);
        shown.settable = false;
    }
}

void FromKeyboard(ButtonShown& shown, int32_t usage, int32_t modifiers)
{
    shown.function = QStringLiteral("key");
    QStringList parts;
    if (const QString names = CtlVocabulary::ModifierNames(modifiers); !names.isEmpty())
        parts << names;
    if (usage != 0) {
        const QString key = CtlVocabulary::KeyName(UsageDisplayName(usage));
        // A code the key list does not offer under that name cannot be typed.
        if (key.isEmpty() || CtlVocabulary::KeyUsage(key) != usage) {
            parts << QStringLiteral("#%1").arg(usage);
            shown.settable = false;
        } else {
            parts << key;
        }
    }
    if (parts.isEmpty()) {
        parts << QStringLiteral("none");
        shown.settable = false;
    }
    shown.name = parts.join(QLatin1Char('+'));
}

// What the store names a macro, program, web address or text snippet by.
void FromStoredName(ButtonShown& shown, SettingsStore& store, const KeyAssignment& row)
{
    shown.settable = false;
    switch (row.macro_type) {
    case kMacro: {
        shown.function = QStringLiteral("macro");
        MacroInfo macro;
        if (store.GetMacro(row.macro_value, macro))
            shown.name = macro.name;
        break;
    }
    case kProgram:
    case kWebAddress: {
        shown.function = row.macro_type == kProgram ? QStringLiteral("program") : QStringLiteral("web");
        QString description;
        QString parameter;
        int type = 0;
        store.GetKeyOtherData(row.macro_value, description, parameter, type);
        shown.name = description.isEmpty() ? row.macro_desc : description;
        break;
    }
    default:
        shown.function = QStringLiteral("text");
        store.GetTextName(row.macro_value, shown.name);
        break;
    }
}

} // namespace

QString ButtonShown::Words() const
{
    if (name.isEmpty() && (function == QLatin1String("dpi") || function == QLatin1String("disable")))
        return function;
    if (settable)
        return function + QLatin1Char(' ') + name;
    if (function == QLatin1String("macro") || function == QLatin1String("program") || function == QLatin1String("web")
        || function == QLatin1String("text")) {
        // Gone from the store: the mouse still holds what it was sent.
        if (name.isEmpty())
            return function + QStringLiteral(" (deleted)");
        QString quoted = name;
        quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
        return function + QStringLiteral(" \"") + quoted + QLatin1Char('"');
    }
    return function + QLatin1Char(' ') + name;
}

QJsonObject ButtonShown::Json() const
{
    QJsonObject object{
        {QStringLiteral("button"), button},
        {QStringLiteral("key_code"), keyCode},
        {QStringLiteral("function"), function},
        {QStringLiteral("settable"), settable},
        {QStringLiteral("factory"), factory},
    };
    if (!name.isEmpty())
        object.insert(QStringLiteral("name"), name);
    if (settable)
        object.insert(QStringLiteral("command"), QStringLiteral("button %1 %2").arg(button).arg(Words()));
    return object;
}

namespace CtlButtons {

std::vector<ButtonShown> List(SettingsStore& store, int32_t profile, const std::vector<KeyAssignment>& buttons)
{
    std::vector<KeyAssignment> rows;
    store.ListKeyAssignments(profile, rows);
    std::vector<ButtonShown> list;
    // The first is the left button, which keeps its click.
    for (size_t i = 1; i < buttons.size(); ++i) {
        ButtonShown shown;
        shown.button = int32_t(i);
        shown.keyCode = buttons[i].key_code;
        const auto stored = std::find_if(
            rows.begin(), rows.end(), [&](const KeyAssignment& row) { return row.key_code == shown.keyCode; });
        KeyAssignment row = buttons[i];
        if (stored != rows.end() && SentToMouse(stored->macro_type))
            row = *stored;
        else
            shown.factory = true;
        switch (row.macro_type) {
        case kMouse:
            if (row.macro_value == CtlVocabulary::kDpiSwitch)
                shown.function = QStringLiteral("dpi");
            else
                FromList(shown, "mouse", CtlVocabulary::MouseFunctions(), row.macro_value);
            break;
        case kKeyboard:
            FromKeyboard(shown, row.macro_value, row.macro_value2);
            break;
        case kMultimedia:
            FromList(shown, "media", CtlVocabulary::MediaKeys(), row.macro_value);
            break;
        case kShortcut:
            FromList(shown, "shortcut", CtlVocabulary::Shortcuts(), row.macro_value);
            break;
        case kDisabled:
            shown.function = QStringLiteral("disable");
            break;
        case kMacro:
        case kProgram:
        case kWebAddress:
        case kTextSnippet:
            FromStoredName(shown, store, row);
            break;
        default:
            // A description file's function of a type no list has.
            shown.function = QStringLiteral("type-%1").arg(row.macro_type);
            shown.name = QStringLiteral("#%1").arg(row.macro_value);
            shown.settable = false;
            break;
        }
        list.push_back(shown);
    }
    return list;
}

} // namespace CtlButtons
