#include "ctl/CtlEdits.h"

#include "ctl/CtlExitCode.h"
#include "ctl/CtlHost.h"
#include "devices/DeviceDescription.h"
#include "editors/ButtonRules.h"
#include "editors/DpiRules.h"
#include "editors/KeyCodes.h"
#include "editors/PerformanceRules.h"
#include "editors/SettingEdits.h"
#include "editors/SettingRules.h"
#include "language/InterfaceText.h"
#include "store/ExchangeFiles.h"
#include "store/SettingsStore.h"

#include <QJsonArray>

#include <vector>

using CtlVocabulary::Setting;

namespace {

CtlOutcome Refused(int code, const QString& error)
{
    CtlOutcome outcome;
    outcome.code = code;
    outcome.error = error;
    return outcome;
}

CtlOutcome NotStored()
{
    return Refused(kCtlDeviceError,
        QStringLiteral("the settings store did not take the change (disk full or "
                       "database damaged); nothing was sent"));
}

QString OnOff(bool on)
{
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

std::vector<NamedEntry> Profiles(EditHost& host)
{
    std::vector<NamedEntry> profiles;
    host.Store().ListProfiles(profiles);
    return profiles;
}

// The outcome of a change: the lines of the settings it touched, and the
// whole profile for scripts.
CtlOutcome Changed(CtlHost& host, const QString& modelName, std::initializer_list<Setting> settings)
{
    const ProfileSettings now = CtlEdits::Read(host, modelName);
    CtlOutcome outcome;
    for (Setting setting : settings)
        outcome.text += CtlEdits::SettingLine(now, setting) + QLatin1Char('\n');
    outcome.json = CtlEdits::Json(now);
    return outcome;
}

CtlOutcome ApplySet(const CtlCommand& command, CtlHost& host, const QString& modelName)
{
    const int32_t count = DpiRules::ClampCount(host.ConfigInt(QStringLiteral("dpi_count")));
    switch (command.setting) {
    case Setting::Dpi: {
        const int32_t bound = DpiRules::UpperBound(host.CurrentDeviceType());
        if (command.number > bound)
            return Refused(kCtlBadArguments,
                QStringLiteral("DPI VALUE must be %1 to %2 for %3, got %4")
                    .arg(DpiRules::kMinimum)
                    .arg(bound)
                    .arg(modelName)
                    .arg(command.number));
        if (command.level >= count)
            return Refused(kCtlBadArguments,
                QStringLiteral("DPI level %1 is not in use: dpi-count is %2 (set dpi-count first)")
                    .arg(command.level + 1)
                    .arg(count));
        if (DpiEdits::SetLevelValue(host, command.level, command.number) < 0)
            return NotStored();
        return Changed(host, modelName, {Setting::Dpi});
    }
    case Setting::DpiCount:
        if (DpiEdits::SetCount(host, int32_t(command.number)) < 0)
            return NotStored();
        return Changed(host, modelName, {Setting::DpiCount, Setting::DpiIndex});
    case Setting::DpiIndex:
        if (command.number > count)
            return Refused(kCtlBadArguments,
                QStringLiteral("dpi-index must be 1 to %1 (dpi-count), got %2").arg(count).arg(command.number));
        if (!DpiEdits::SelectLevel(host, int32_t(command.number - 1)))
            return NotStored();
        return Changed(host, modelName, {Setting::DpiIndex});
    case Setting::ReportRate:
        if (!DpiEdits::SetReportRate(host, command.code))
            return NotStored();
        break;
    case Setting::LiftOff:
        if (!PerformanceEdits::SetLiftOff(host, command.code))
            return NotStored();
        break;
    case Setting::MotionSync:
    case Setting::AngleSnapping:
    case Setting::RippleControl: {
        // As the page's boxes do: the three shown bits, the others dropped.
        std::array<bool, 3> boxes = PerformanceRules::SensorBoxes(host.ConfigInt(QStringLiteral("sensor_flag")));
        const int32_t bit = CtlVocabulary::SensorBit(command.setting);
        for (size_t i = 0; i < boxes.size(); ++i) {
            if (PerformanceRules::kSensorBits[i] == bit)
                boxes[i] = command.code != 0;
        }
        if (!PerformanceEdits::SetSensorFlag(host, PerformanceRules::SensorFlag(boxes)))
            return NotStored();
        break;
    }
    case Setting::Scroll:
        if (!PerformanceEdits::SetScroll(host, command.code))
            return NotStored();
        break;
    case Setting::HighSpeed:
        switch (PerformanceEdits::SetHighSpeed(host, command.code != 0)) {
        case PerformanceEdits::HighSpeed::LockedOnCable:
            return Refused(kCtlBadArguments,
                QStringLiteral("high-speed mode is for the receiver: by cable the mouse always runs at full speed"));
        case PerformanceEdits::HighSpeed::NotStored:
            return NotStored();
        case PerformanceEdits::HighSpeed::Stored:
            break;
        }
        break;
    case Setting::ResponseTime:
        if (PerformanceEdits::SetResponseTime(host, QString::number(command.number), PerformanceEdits::Send::Now) < 0)
            return NotStored();
        break;
    case Setting::DeepSleep:
        if (!PerformanceEdits::SetDeepSleep(host, command.code))
            return NotStored();
        break;
    }
    return Changed(host, modelName, {command.setting});
}

ExchangeModel ModelOf(CtlHost& host)
{
    return ProfileEdits::ExchangeModelOf(host.CurrentDeviceType(), host.Description());
}

// A file that could not be taken; nothing was changed.
CtlOutcome ExchangeFailed(const ExchangeResult& result, const QString& path)
{
    using Status = ExchangeResult::Status;
    switch (result.status) {
    case Status::Unreadable:
        return Refused(kCtlBadArguments, QStringLiteral("%1 cannot be read").arg(path));
    case Status::TooLarge:
        return Refused(kCtlBadArguments, QStringLiteral("%1 is larger than any file Tarvo writes").arg(path));
    case Status::NotXml:
    case Status::WrongKind:
        return Refused(kCtlBadArguments, QStringLiteral("%1 is not a file Tarvo exported").arg(path));
    case Status::TooManyEvents:
        return Refused(kCtlBadArguments,
            QStringLiteral("%1 holds a macro of more than %2 events").arg(path).arg(SettingRules::kMaxMacroEvents));
    case Status::NotFound:
        return Refused(kCtlBadArguments, QStringLiteral("there is nothing to export"));
    case Status::WriteFailed:
        return Refused(kCtlBadArguments, QStringLiteral("%1 cannot be written").arg(path));
    case Status::StoreFailed:
        return NotStored();
    case Status::Done:
        break;
    }
    return {};
}

// What an import did not take as the file gave it, one line each.
QString NoteLines(const ExchangeResult& result, const QString& path)
{
    QStringList lines;
    for (const ExchangeNote& note : result.notes) {
        switch (note.kind) {
        case ExchangeNote::Kind::LeftOut:
            lines << QStringLiteral("%1: %2 \"%3\" left out").arg(path, note.where, note.value);
            break;
        case ExchangeNote::Kind::Adjusted:
            lines << QStringLiteral("%1: %2 \"%3\" stored as %4").arg(path, note.where, note.value, note.stored);
            break;
        case ExchangeNote::Kind::Missing:
            lines << QStringLiteral("%1: %2 missing; kept as it was").arg(path, note.where);
            break;
        }
    }
    return lines.join(QLatin1Char('\n'));
}

CtlOutcome ApplyButton(const CtlCommand& command, CtlHost& host, const QString& modelName)
{
    const std::vector<KeyAssignment> buttons = host.Description().DefaultKeys();
    // The first button (the left one) is never reassigned, as on the page.
    if (buttons.size() < 2 || size_t(command.button) >= buttons.size())
        return Refused(kCtlBadArguments,
            QStringLiteral("%1 has buttons 1 to %2, not %3")
                .arg(modelName)
                .arg(qsizetype(buttons.size()) - 1)
                .arg(command.button));
    const CtlCommand::Function& function = command.function;
    KeyAssignment assignment;
    assignment.profile = host.CurrentProfile();
    assignment.key_code = buttons[size_t(command.button)].key_code;
    assignment.macro_type = function.type;
    assignment.macro_value = function.value;
    assignment.macro_value2 = function.modifiers;
    assignment.macro_desc = function.textId
        ? InterfaceText::Get(function.textId)
        : ButtonRules::KeyText(ButtonRules::ModifierText(function.modifiers), function.keyName);
    if (!ButtonEdits::Assign(host, assignment))
        return NotStored();
    CtlOutcome outcome;
    outcome.text = QStringLiteral("button %1: %2\n").arg(command.button).arg(assignment.macro_desc);
    outcome.json = QJsonObject{
        {QStringLiteral("button"), command.button},
        {QStringLiteral("key_code"), assignment.key_code},
        {QStringLiteral("type"), assignment.macro_type},
        {QStringLiteral("value"), assignment.macro_value},
        {QStringLiteral("modifiers"), assignment.macro_value2},
        {QStringLiteral("description"), assignment.macro_desc},
    };
    return outcome;
}

CtlOutcome ApplyExchange(const CtlCommand& command, CtlHost& host, const QString& modelName)
{
    SettingsStore& store = host.Store();
    const int32_t profile = host.CurrentProfile();
    CtlOutcome outcome;
    ExchangeResult result;
    switch (command.kind) {
    case CtlCommand::Kind::ProfileExport: {
        result = ExchangeFiles::ExportProfile(store, profile, ModelOf(host), command.path);
        const ProfileSettings now = CtlEdits::Read(host, modelName);
        outcome.text = QStringLiteral("profile %1 \"%2\" of %3 exported to %4\n")
                           .arg(now.profileNumber)
                           .arg(now.profileName, modelName, command.path);
        break;
    }
    case CtlCommand::Kind::ProfileImport: {
        result = ExchangeFiles::ImportProfile(store, profile, ModelOf(host), command.path);
        if (result.Ok())
            host.QueueTask(WorkerTask::WriteEverything);
        const ProfileSettings now = CtlEdits::Read(host, modelName);
        outcome.text = QStringLiteral("%1 imported into profile %2 \"%3\"\n")
                           .arg(command.path)
                           .arg(now.profileNumber)
                           .arg(now.profileName);
        outcome.json = CtlEdits::Json(now);
        break;
    }
    case CtlCommand::Kind::MacroExport: {
        std::vector<MacroInfo> macros;
        store.ListMacros(macros);
        const MacroInfo* found = nullptr;
        bool isNumber = false;
        const int position = command.macro.toInt(&isNumber);
        for (size_t i = 0; i < macros.size() && !found; ++i) {
            if (macros[i].name == command.macro || (isNumber && position == int(i + 1)))
                found = &macros[i];
        }
        if (!found) {
            QStringList names;
            for (size_t i = 0; i < macros.size(); ++i)
                names << QStringLiteral("%1 \"%2\"").arg(i + 1).arg(macros[i].name);
            return Refused(kCtlBadArguments,
                QStringLiteral("no macro \"%1\"; %2")
                    .arg(command.macro,
                        names.isEmpty() ? QStringLiteral("there are none")
                                        : QStringLiteral("there are ") + names.join(QStringLiteral(", "))));
        }
        result = ExchangeFiles::ExportMacro(store, found->macro_id, command.path);
        outcome.text = QStringLiteral("macro \"%1\" exported to %2\n").arg(found->name, command.path);
        outcome.json = QJsonObject{{QStringLiteral("macro"), found->name}, {QStringLiteral("file"), command.path}};
        break;
    }
    case CtlCommand::Kind::MacroImport:
        result = ExchangeFiles::ImportMacro(store, command.path);
        outcome.text = QStringLiteral("%1 imported as macro \"%2\"\n").arg(command.path, result.macroName);
        outcome.json = QJsonObject{{QStringLiteral("macro"), result.macroName}, {QStringLiteral("file"), command.path}};
        break;
    default:
        return Refused(kCtlBadArguments, QStringLiteral("not an exchange"));
    }
    if (!result.Ok())
        return ExchangeFailed(result, command.path);
    if (outcome.json.isEmpty())
        outcome.json = QJsonObject{{QStringLiteral("file"), command.path}};
    outcome.error = NoteLines(result, command.path);
    return outcome;
}

} // namespace

namespace CtlEdits {

CtlOutcome Apply(const CtlCommand& command, CtlHost& host, const QString& modelName)
{
    switch (command.kind) {
    case CtlCommand::Kind::Show: {
        const ProfileSettings settings = Read(host, modelName);
        CtlOutcome outcome;
        outcome.text = Text(settings);
        outcome.json = Json(settings);
        return outcome;
    }
    case CtlCommand::Kind::Set:
        return ApplySet(command, host, modelName);
    case CtlCommand::Kind::Profile: {
        const std::vector<NamedEntry> profiles = Profiles(host);
        if (command.profile < 1 || size_t(command.profile) > profiles.size())
            return Refused(kCtlDeviceError,
                QStringLiteral("%1 has %2 profiles; there is no profile %3")
                    .arg(modelName)
                    .arg(profiles.size())
                    .arg(command.profile));
        if (!host.SwitchProfile(profiles[size_t(command.profile - 1)].id))
            return NotStored();
        const ProfileSettings now = Read(host, modelName);
        CtlOutcome outcome;
        outcome.text = QStringLiteral("profile: %1 \"%2\"\n").arg(now.profileNumber).arg(now.profileName);
        outcome.json = Json(now);
        return outcome;
    }
    case CtlCommand::Kind::Reset: {
        // The window's restore button: the profile's store first, then the
        // mouse, which is read back afterwards.
        if (!ProfileEdits::ResetForFactory(host.Store(), host.CurrentProfile())) {
            host.StoreWriteFailed();
            return NotStored();
        }
        host.QueueTask(WorkerTask::FactoryReset);
        const ProfileSettings now = Read(host, modelName);
        CtlOutcome outcome;
        outcome.text = QStringLiteral("profile %1 \"%2\" and the mouse are back to their factory settings\n")
                           .arg(now.profileNumber)
                           .arg(now.profileName);
        outcome.json = Json(now);
        return outcome;
    }
    case CtlCommand::Kind::Button:
        return ApplyButton(command, host, modelName);
    case CtlCommand::Kind::ProfileExport:
    case CtlCommand::Kind::ProfileImport:
    case CtlCommand::Kind::MacroExport:
    case CtlCommand::Kind::MacroImport:
        return ApplyExchange(command, host, modelName);
    case CtlCommand::Kind::List:
    case CtlCommand::Kind::None:
        break;
    }
    return Refused(kCtlBadArguments, QStringLiteral("not a command for one mouse"));
}

CtlOutcome ShowStored(CtlHost& host, const QString& modelName)
{
    ProfileSettings settings = Read(host, modelName);
    settings.mouseAnswered = false;
    CtlOutcome outcome;
    outcome.text = Text(settings);
    outcome.json = Json(settings);
    outcome.error = QStringLiteral("%1 did not answer: these are the settings stored for it; its current DPI level "
                                   "and report rate as the mouse reports them, its firmware and its battery are "
                                   "missing")
                        .arg(modelName);
    return outcome;
}

ProfileSettings Read(CtlHost& host, const QString& modelName)
{
    ProfileSettings s;
    s.deviceType = host.CurrentDeviceType();
    s.modelName = modelName;
    const int32_t current = host.CurrentProfile();
    const std::vector<NamedEntry> profiles = Profiles(host);
    for (size_t i = 0; i < profiles.size(); ++i) {
        if (profiles[i].id == current) {
            s.profileNumber = int32_t(i + 1);
            s.profileName = profiles[i].name;
        }
    }
    for (size_t level = 0; level < s.dpi.size(); ++level)
        s.dpi[level] = host.ConfigInt(QStringLiteral("dpi_group%1_value").arg(level));
    s.dpiCount = DpiRules::ClampCount(host.ConfigInt(QStringLiteral("dpi_count")));
    s.dpiIndex = DpiRules::ClampIndex(host.ConfigInt(QStringLiteral("dpi_index")), s.dpiCount) + 1;
    const int32_t rate = host.ConfigInt(QStringLiteral("report_rate"));
    for (const DpiRules::ReportRate& choice : DpiRules::kReportRates) {
        if (choice.code == rate)
            s.reportRate = choice.hertz;
    }
    s.liftOff = PerformanceRules::kLiftOffs[size_t(PerformanceRules::LiftOffChoice(
                                                host.ConfigInt(QStringLiteral("liftoff_height"))))]
                    .millimetres;
    s.sensor = PerformanceRules::SensorBoxes(host.ConfigInt(QStringLiteral("sensor_flag")));
    s.scroll = host.ConfigInt(QStringLiteral("scroll_flag")) == 0 ? 0 : 1;
    // By cable the mouse always runs at full speed, whatever is stored.
    s.highSpeed = host.CurrentConnectionMode() == 0 || host.ConfigInt(QStringLiteral("highspeed_mode")) != 0;
    s.responseTime = PerformanceRules::ClampResponseTime(host.ConfigText(QStringLiteral("button_respondtime")));
    s.deepSleep = host.ConfigInt(QStringLiteral("deep_sleep"));
    s.buttons = CtlButtons::List(host.Store(), current, host.Description().DefaultKeys());
    return s;
}

QString SettingLine(const ProfileSettings& s, Setting setting)
{
    QString value;
    switch (setting) {
    case Setting::Dpi: {
        QStringList levels;
        for (int32_t level = 0; level < s.dpiCount; ++level) {
            levels << QStringLiteral("%1=%2%3")
                          .arg(level + 1)
                          .arg(s.dpi[size_t(level)])
                          .arg(level + 1 == s.dpiIndex ? QStringLiteral("*") : QString());
        }
        value = levels.join(QLatin1Char(' '));
        break;
    }
    case Setting::DpiCount:
        value = QString::number(s.dpiCount);
        break;
    case Setting::DpiIndex:
        value = QString::number(s.dpiIndex);
        break;
    case Setting::ReportRate:
        value = s.reportRate ? QString::number(s.reportRate) : QStringLiteral("unknown");
        break;
    case Setting::LiftOff:
        value = QString::number(int(s.liftOff));
        break;
    case Setting::MotionSync:
        value = OnOff(s.sensor[0]);
        break;
    case Setting::AngleSnapping:
        value = OnOff(s.sensor[1]);
        break;
    case Setting::RippleControl:
        value = OnOff(s.sensor[2]);
        break;
    case Setting::Scroll:
        value = s.scroll == 0 ? QStringLiteral("standard") : QStringLiteral("reversed");
        break;
    case Setting::HighSpeed:
        value = OnOff(s.highSpeed);
        break;
    case Setting::ResponseTime:
        value = QString::number(s.responseTime);
        break;
    case Setting::DeepSleep:
        value = CtlVocabulary::SleepName(s.deepSleep);
        break;
    }
    return CtlVocabulary::NameOf(setting) + QStringLiteral(": ") + value;
}

QString Text(const ProfileSettings& s)
{
    QString text = QStringLiteral("%1 (%2), profile %3 \"%4\"\n")
                       .arg(s.modelName)
                       .arg(s.deviceType)
                       .arg(s.profileNumber)
                       .arg(s.profileName);
    for (const CtlVocabulary::SettingName& entry : CtlVocabulary::Settings())
        text += QStringLiteral("  ") + SettingLine(s, entry.setting) + QLatin1Char('\n');
    if (!s.buttons.empty())
        text += QStringLiteral("  buttons:\n");
    for (const ButtonShown& button : s.buttons)
        text += QStringLiteral("    button %1 %2\n").arg(button.button).arg(button.Words());
    return text;
}

QJsonObject Json(const ProfileSettings& s)
{
    QJsonArray levels;
    for (int32_t value : s.dpi)
        levels.append(value);
    QJsonArray buttons;
    for (const ButtonShown& button : s.buttons)
        buttons.append(button.Json());
    return QJsonObject{
        {QStringLiteral("model"),
            QJsonObject{{QStringLiteral("device_type"), s.deviceType}, {QStringLiteral("name"), s.modelName}}},
        {QStringLiteral("profile"),
            QJsonObject{{QStringLiteral("number"), s.profileNumber}, {QStringLiteral("name"), s.profileName}}},
        {QStringLiteral("dpi"),
            QJsonObject{{QStringLiteral("levels"), levels}, {QStringLiteral("count"), s.dpiCount},
                {QStringLiteral("index"), s.dpiIndex}}},
        {QStringLiteral("report_rate"), s.reportRate},
        {QStringLiteral("lift_off_mm"), s.liftOff},
        {QStringLiteral("motion_sync"), s.sensor[0]},
        {QStringLiteral("angle_snapping"), s.sensor[1]},
        {QStringLiteral("ripple_control"), s.sensor[2]},
        {QStringLiteral("scroll"), s.scroll == 0 ? QStringLiteral("standard") : QStringLiteral("reversed")},
        {QStringLiteral("high_speed"), s.highSpeed},
        {QStringLiteral("response_time_ms"), s.responseTime},
        {QStringLiteral("deep_sleep_s"), s.deepSleep},
        {QStringLiteral("buttons"), buttons},
        {QStringLiteral("mouse_answered"), s.mouseAnswered},
    };
}

} // namespace CtlEdits
