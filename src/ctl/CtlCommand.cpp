#include "ctl/CtlCommand.h"

#include "editors/ButtonRules.h"
#include "editors/DpiRules.h"
#include "editors/KeyCodes.h"
#include "editors/PerformanceRules.h"
#include "editors/SettingRules.h"
#include "store/ProfileLoader.h"

#include <limits>
#include <optional>

using CtlVocabulary::Setting;

namespace {

// A whole number from `minimum` to `maximum` written as digits only; a
// message for anything else ("-5", "12k", "1e3", "", 30 digits).
std::optional<int64_t> Number(
    const QString& text, int64_t minimum, int64_t maximum, const QString& what, QString& error)
{
    const QString range = QStringLiteral("%1 to %2").arg(minimum).arg(maximum);
    bool digits = !text.isEmpty();
    for (const QChar c : text)
        digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!digits) {
        if (text.startsWith(QLatin1Char('-')))
            error = QStringLiteral("%1 must not be negative, got \"%2\" (%3)").arg(what, text, range);
        else
            error = QStringLiteral("%1 must be a whole number, got \"%2\" (%3)").arg(what, text, range);
        return std::nullopt;
    }
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || value < minimum || value > maximum) {
        error = QStringLiteral("%1 must be %2, got %3").arg(what, range, text);
        return std::nullopt;
    }
    return value;
}

std::optional<int32_t> OnOff(const QString& text, const QString& what, QString& error)
{
    if (text == QLatin1String("on") || text == QLatin1String("1"))
        return 1;
    if (text == QLatin1String("off") || text == QLatin1String("0"))
        return 0;
    error = QStringLiteral("%1 must be on or off, got \"%2\"").arg(what, text);
    return std::nullopt;
}

bool ParseSet(const QStringList& words, CtlCommand& command, QString& error)
{
    if (words.size() < 2) {
        error = QStringLiteral("set needs a setting and a value");
        return false;
    }
    const std::optional<Setting> setting = CtlVocabulary::FindSetting(words[1]);
    if (!setting) {
        QStringList names;
        for (const CtlVocabulary::SettingName& entry : CtlVocabulary::Settings())
            names << QString::fromLatin1(entry.name);
        error = QStringLiteral("unknown setting \"%1\" (one of %2)").arg(words[1], names.join(QStringLiteral(", ")));
        return false;
    }
    command.setting = *setting;
    const QString name = words[1];
    const qsizetype wanted = *setting == Setting::Dpi ? 4 : 3;
    if (words.size() != wanted) {
        error = *setting == Setting::Dpi
            ? QStringLiteral("set dpi takes LEVEL and VALUE, e.g. set dpi 2 1600")
            : QStringLiteral("set %1 takes one value (%2)").arg(name, CtlVocabulary::ValuesOf(*setting));
        return false;
    }
    const QString& value = words[2];
    switch (*setting) {
    case Setting::Dpi: {
        const auto level = Number(value, 1, DpiRules::kLevelCount, QStringLiteral("DPI LEVEL"), error);
        if (!level)
            return false;
        const auto dpi = Number(
            words[3], DpiRules::kMinimum, DpiRules::UpperBound(101), QStringLiteral("DPI VALUE"), error);
        if (!dpi)
            return false;
        command.level = int32_t(*level - 1);
        command.number = *dpi;
        return true;
    }
    case Setting::DpiCount:
    case Setting::DpiIndex: {
        const auto n = Number(value, 1, DpiRules::kLevelCount, name, error);
        command.number = n.value_or(0);
        return n.has_value();
    }
    case Setting::ReportRate: {
        const auto hertz = Number(value, 1, std::numeric_limits<int32_t>::max(), name, error);
        if (!hertz || DpiRules::ReportRateCode(int32_t(*hertz)) < 0) {
            error = QStringLiteral("report-rate must be 125, 250, 500 or 1000 (Hz), got \"%1\"").arg(value);
            return false;
        }
        command.number = *hertz;
        command.code = DpiRules::ReportRateCode(int32_t(*hertz));
        return true;
    }
    case Setting::LiftOff: {
        QString mm = value;
        if (mm.endsWith(QLatin1String("mm")))
            mm.chop(2);
        for (const PerformanceRules::LiftOff& choice : PerformanceRules::kLiftOffs) {
            if (mm == QString::number(int(choice.millimetres)) || mm == QString::number(choice.millimetres, 'f', 1)) {
                command.code = choice.code;
                return true;
            }
        }
        error = QStringLiteral("lift-off must be 1 or 2 (mm), got \"%1\"").arg(value);
        return false;
    }
    case Setting::MotionSync:
    case Setting::AngleSnapping:
    case Setting::RippleControl:
    case Setting::HighSpeed: {
        const auto on = OnOff(value, name, error);
        command.code = on.value_or(0);
        return on.has_value();
    }
    case Setting::Scroll:
        if (value == QLatin1String("standard") || value == QLatin1String("reversed")) {
            command.code = value == QLatin1String("standard") ? 0 : 1;
            return true;
        }
        error = QStringLiteral("scroll must be standard or reversed, got \"%1\"").arg(value);
        return false;
    case Setting::ResponseTime: {
        const auto ms = Number(value, PerformanceRules::kResponseMinimum, PerformanceRules::kResponseMaximum,
            QStringLiteral("response-time (ms)"), error);
        command.number = ms.value_or(0);
        return ms.has_value();
    }
    case Setting::DeepSleep: {
        const auto seconds = CtlVocabulary::SleepSeconds(value);
        if (!seconds) {
            error = QStringLiteral("deep-sleep must be one of %1, got \"%2\"").arg(CtlVocabulary::SleepNames(), value);
            return false;
        }
        command.code = *seconds;
        return true;
    }
    }
    return false;
}

bool ParseButton(const QStringList& words, CtlCommand& command, QString& error)
{
    const QString usage = QStringLiteral("button N mouse|key|media|shortcut NAME, button N dpi or button N disable");
    if (words.size() < 3) {
        error = QStringLiteral("button takes a number and a function: %1").arg(usage);
        return false;
    }
    const auto number = Number(words[1], 1, 64, QStringLiteral("button"), error);
    if (!number)
        return false;
    command.button = int32_t(*number);
    const QString& kind = words[2];
    CtlCommand::Function& function = command.function;
    if (kind == QLatin1String("dpi") || kind == QLatin1String("disable")) {
        if (words.size() != 3) {
            error = QStringLiteral("button N %1 takes nothing more, got \"%2\"").arg(kind, words[3]);
            return false;
        }
        if (kind == QLatin1String("dpi")) {
            function = {ButtonRules::kMouse, CtlVocabulary::kDpiSwitch, 0,
                ButtonRules::ValueTextId(ButtonRules::kMouse, CtlVocabulary::kDpiSwitch), {}};
        } else {
            function = {ButtonRules::kDisabled, SettingRules::kDisabledValue, 0, ButtonRules::kDisabledText, {}};
        }
        return true;
    }
    const struct {
        const char* word;
        ButtonRules::FunctionType type;
        std::span<const CtlVocabulary::FunctionName> list;
    } lists[] = {
        {"mouse", ButtonRules::kMouse, CtlVocabulary::MouseFunctions()},
        {"media", ButtonRules::kMultimedia, CtlVocabulary::MediaKeys()},
        {"shortcut", ButtonRules::kShortcut, CtlVocabulary::Shortcuts()},
    };
    if (words.size() != 4) {
        error = QStringLiteral("button takes a number and a function: %1").arg(usage);
        return false;
    }
    const QString& name = words[3];
    for (const auto& list : lists) {
        if (kind != QLatin1String(list.word))
            continue;
        const CtlVocabulary::FunctionName* entry = CtlVocabulary::FindFunction(list.list, name);
        if (!entry) {
            error = QStringLiteral("unknown %1 function \"%2\" (one of %3)")
                        .arg(kind, name, CtlVocabulary::NamesOf(list.list));
            return false;
        }
        function = {list.type, entry->value, 0, ButtonRules::ValueTextId(list.type, entry->value), {}};
        return true;
    }
    if (kind != QLatin1String("key")) {
        error = QStringLiteral("unknown button function \"%1\": %2").arg(kind, usage);
        return false;
    }
    // "ctrl+shift+f5": modifiers, then at most one key; modifiers alone are a
    // function too, as the window's four boxes without a key are.
    function = {ButtonRules::kKeyboard, 0, 0, 0, {}};
    const QStringList parts = name.toLower().split(QLatin1Char('+'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& part = parts[i];
        if (const int32_t bit = CtlVocabulary::ModifierBit(part);
            bit != 0 && (i + 1 < parts.size() || function.value == 0)) {
            if (function.modifiers & bit) {
                error = QStringLiteral("key \"%1\" names %2 twice").arg(name, part);
                return false;
            }
            function.modifiers |= bit;
            continue;
        }
        const int32_t key = CtlVocabulary::KeyUsage(part);
        if (key == 0 || function.value != 0 || i + 1 != parts.size()) {
            error = key == 0 ? QStringLiteral("unknown key \"%1\" (keys as the key list names them: a, f5, "
                                              "num-enter, page-up, ...; modifiers ctrl, shift, alt, win)")
                                   .arg(part)
                             : QStringLiteral("key \"%1\": one key after the modifiers").arg(name);
            return false;
        }
        function.value = key;
        function.keyName = UsageDisplayName(key);
    }
    if (function.value == 0 && function.modifiers == 0) {
        error = QStringLiteral("key needs a key or a modifier");
        return false;
    }
    return true;
}

// export FILE / import FILE of `profile` and `macro`.
bool ParseExchange(const QStringList& words, CtlCommand& command, QString& error)
{
    const bool profile = words[0] == QLatin1String("profile");
    const QString& verb = words.value(1);
    const qsizetype wanted = !profile && verb == QLatin1String("export") ? 4 : 3;
    if ((verb != QLatin1String("export") && verb != QLatin1String("import")) || words.size() != wanted) {
        error = profile ? QStringLiteral("profile takes a number 1 to %1, export FILE or import FILE")
                              .arg(ProfileLoader::kProfileCount)
                        : QStringLiteral("macro takes export MACRO FILE or import FILE");
        return false;
    }
    command.path = words[wanted - 1];
    if (command.path.isEmpty()) {
        error = QStringLiteral("%1 %2 needs a file name").arg(words[0], verb);
        return false;
    }
    if (!profile && verb == QLatin1String("export"))
        command.macro = words[2];
    const bool exports = verb == QLatin1String("export");
    command.kind = profile ? (exports ? CtlCommand::Kind::ProfileExport : CtlCommand::Kind::ProfileImport)
                           : (exports ? CtlCommand::Kind::MacroExport : CtlCommand::Kind::MacroImport);
    return true;
}

} // namespace

CtlCommand CtlCommand::Parse(const QStringList& words, QString& error)
{
    CtlCommand command;
    error.clear();
    if (words.isEmpty()) {
        error = QStringLiteral("no command given");
        return command;
    }
    command.words = words;
    const QString& verb = words.first();
    auto noMore = [&](qsizetype allowed) {
        if (words.size() <= allowed)
            return true;
        error = QStringLiteral("%1 takes %2, got \"%3\"")
                    .arg(verb, allowed == 1 ? QStringLiteral("no arguments") : QStringLiteral("at most one argument"),
                        words[allowed]);
        return false;
    };
    Kind kind = Kind::None;
    if (verb == QLatin1String("list")) {
        if (noMore(1))
            kind = Kind::List;
    } else if (verb == QLatin1String("show")) {
        if (noMore(2)) {
            kind = Kind::Show;
            command.model = words.value(1);
        }
    } else if (verb == QLatin1String("set")) {
        if (ParseSet(words, command, error))
            kind = Kind::Set;
    } else if (verb == QLatin1String("button")) {
        if (ParseButton(words, command, error))
            kind = Kind::Button;
    } else if (verb == QLatin1String("macro")
        || (verb == QLatin1String("profile") && words.size() > 1
            && (words[1] == QLatin1String("export") || words[1] == QLatin1String("import")))) {
        if (ParseExchange(words, command, error))
            kind = command.kind;
    } else if (verb == QLatin1String("profile")) {
        if (words.size() != 2) {
            error = QStringLiteral("profile takes one number, 1 to %1").arg(ProfileLoader::kProfileCount);
        } else if (const auto n = Number(words[1], 1, ProfileLoader::kProfileCount, QStringLiteral("profile"), error)) {
            command.profile = int32_t(*n);
            kind = Kind::Profile;
        }
    } else if (verb == QLatin1String("reset")) {
        if (noMore(1))
            kind = Kind::Reset;
    } else {
        error = QStringLiteral("unknown command \"%1\"").arg(verb);
    }
    command.kind = error.isEmpty() ? kind : Kind::None;
    return command;
}
