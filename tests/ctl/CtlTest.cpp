// tarvoctl: its command line, its two outputs, and `list` against the
// simulated firmware, in process and as the real program.
#include "CtlTestSupport.h"
#include "SimFixture.h"
#include "SpawnedProgram.h"
#include "TestApplication.h"

#include "ctl/CtlArguments.h"
#include "ctl/CtlChannel.h"
#include "ctl/CtlExitCode.h"
#include "ctl/CtlProgram.h"
#include "ctl/CtlVocabulary.h"
#include "ctl/DeviceInventory.h"
#include "ctl/InventoryOutput.h"
#include "editors/ButtonRules.h"
#include "editors/KeyCodes.h"
#include "editors/PerformanceRules.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTextStream>

#include <atomic>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <thread>

namespace {

const QString kShipped = QStringLiteral(TARVO_SOURCE_DIR "/resources/");

QCoreApplication& App()
{
    return TestApplication("tarvo_ctl_tests");
}

QStringList Args(std::initializer_list<const char*> words)
{
    QStringList list{QStringLiteral("tarvoctl")};
    for (const char* word : words)
        list << QString::fromUtf8(word);
    return list;
}

// One model's connections from the JSON output, by mode name.
std::map<QString, QJsonObject> Connections(const QJsonObject& root, int deviceType)
{
    std::map<QString, QJsonObject> byMode;
    for (const QJsonValue& model : root.value(QStringLiteral("models")).toArray()) {
        if (model.toObject().value(QStringLiteral("device_type")).toInt() != deviceType)
            continue;
        for (const QJsonValue& connection : model.toObject().value(QStringLiteral("connections")).toArray())
            byMode[connection.toObject().value(QStringLiteral("mode")).toString()] = connection.toObject();
    }
    return byMode;
}

} // namespace

TEST(CtlArgumentsTest, CommandsOptionsAndBadArguments)
{
    using A = CtlArguments::Action;
    using K = CtlCommand::Kind;
    const struct {
        QStringList arguments;
        A action;
        K kind;
        bool json;
        const char* model;
        const char* error; // a fragment of the message; null: no error
    } cases[] = {
        {Args({"list"}), A::Run, K::List, false, "", nullptr},
        {Args({"--json", "list"}), A::Run, K::List, true, "", nullptr},
        {Args({"list", "--json"}), A::Run, K::List, true, "", nullptr},
        {Args({"--help"}), A::Help, K::None, false, "", nullptr},
        {Args({"-h"}), A::Help, K::None, false, "", nullptr},
        {Args({"list", "--bogus", "--help"}), A::Help, K::None, false, "", nullptr},
        {Args({"--version"}), A::Version, K::None, false, "", nullptr},
        {Args({"--version", "list"}), A::Version, K::None, false, "", nullptr},
        {Args({"show"}), A::Run, K::Show, false, "", nullptr},
        {Args({"show", "heron-pro"}), A::Run, K::Show, false, "heron-pro", nullptr},
        {Args({"--model", "egret", "show"}), A::Run, K::Show, false, "egret", nullptr},
        {Args({"set", "dpi", "1", "800", "--model=101"}), A::Run, K::Set, false, "101", nullptr},
        {Args({"profile", "2"}), A::Run, K::Profile, false, "", nullptr},
        {Args({"reset"}), A::Run, K::Reset, false, "", nullptr},
        {Args({}), A::None, K::None, false, "", "no command"},
        {Args({"--json"}), A::None, K::None, false, "", "no command"},
        {Args({"lsit"}), A::None, K::None, false, "", "unknown command \"lsit\""},
        {Args({"LIST"}), A::None, K::None, false, "", "unknown command"},
        {Args({"list", "heron"}), A::None, K::None, false, "", "takes no arguments"},
        {Args({"list", "-1"}), A::None, K::None, false, "", "takes no arguments"},
        {Args({"-1"}), A::None, K::None, false, "", "unknown command \"-1\""},
        {Args({"--jsn", "list"}), A::None, K::None, false, "", "unknown option --jsn"},
        {Args({"--version", "--bogus"}), A::None, K::None, false, "", "unknown option --bogus"},
        {Args({""}), A::None, K::None, false, "", "unknown command"},
        {Args({"show", "heron", "egret"}), A::None, K::None, false, "", "at most one argument"},
        {Args({"show", "heron", "--model", "egret"}), A::None, K::None, false, "", "two models"},
        {Args({"--model"}), A::None, K::None, false, "", "needs a model name"},
        {Args({"--model=", "show"}), A::None, K::None, false, "", "needs a model name"},
        {Args({"--model", "heron", "list"}), A::None, K::None, false, "", "does not apply"},
        {Args({"reset", "now"}), A::None, K::None, false, "", "takes no arguments"},
    };
    for (const auto& c : cases) {
        const CtlArguments parsed = CtlArguments::Parse(c.arguments);
        const std::string where = c.arguments.join(QLatin1Char(' ')).toStdString();
        if (c.error) {
            EXPECT_TRUE(parsed.error.contains(QString::fromUtf8(c.error)))
                << where << ": " << parsed.error.toStdString();
            EXPECT_EQ(parsed.action, A::None) << where;
            continue;
        }
        EXPECT_TRUE(parsed.error.isEmpty()) << where << ": " << parsed.error.toStdString();
        EXPECT_EQ(parsed.action, c.action) << where;
        EXPECT_EQ(parsed.command.kind, c.kind) << where;
        EXPECT_EQ(parsed.json, c.json) << where;
        EXPECT_EQ(parsed.command.model, QString::fromUtf8(c.model)) << where;
    }
}

// What each setting's words become, and every way of getting them wrong.
TEST(CtlCommandTest, SettingValuesAndBadValues)
{
    using S = CtlVocabulary::Setting;
    const struct {
        std::initializer_list<const char*> words;
        S setting;
        int64_t number;
        int32_t code;
        int32_t level;
    } good[] = {
        {{"set", "dpi", "1", "50"}, S::Dpi, 50, 0, 0},
        {{"set", "dpi", "6", "26000"}, S::Dpi, 26000, 0, 5},
        {{"set", "dpi", "2", "1630"}, S::Dpi, 1630, 0, 1}, // rounded when applied, as the page does
        {{"set", "dpi-count", "1"}, S::DpiCount, 1, 0, 0},
        {{"set", "dpi-index", "6"}, S::DpiIndex, 6, 0, 0},
        {{"set", "report-rate", "125"}, S::ReportRate, 125, 0, 0},
        {{"set", "report-rate", "1000"}, S::ReportRate, 1000, 3, 0},
        {{"set", "lift-off", "1"}, S::LiftOff, 0, 0, 0},
        {{"set", "lift-off", "2.0mm"}, S::LiftOff, 0, 1, 0},
        {{"set", "motion-sync", "off"}, S::MotionSync, 0, 0, 0},
        {{"set", "ripple-control", "on"}, S::RippleControl, 0, 1, 0},
        {{"set", "scroll", "standard"}, S::Scroll, 0, 0, 0},
        {{"set", "scroll", "reversed"}, S::Scroll, 0, 1, 0},
        {{"set", "high-speed", "1"}, S::HighSpeed, 0, 1, 0},
        {{"set", "response-time", "50"}, S::ResponseTime, 50, 0, 0},
        {{"set", "deep-sleep", "40s"}, S::DeepSleep, 0, 40, 0},
        {{"set", "deep-sleep", "1h"}, S::DeepSleep, 0, 3600, 0},
        {{"set", "deep-sleep", "600"}, S::DeepSleep, 0, 600, 0},
    };
    for (const auto& c : good) {
        QStringList words;
        for (const char* word : c.words)
            words << QString::fromUtf8(word);
        QString error;
        const CtlCommand command = CtlCommand::Parse(words, error);
        const std::string where = words.join(QLatin1Char(' ')).toStdString();
        ASSERT_TRUE(error.isEmpty()) << where << ": " << error.toStdString();
        EXPECT_EQ(command.kind, CtlCommand::Kind::Set) << where;
        EXPECT_EQ(command.setting, c.setting) << where;
        EXPECT_EQ(command.number, c.number) << where;
        EXPECT_EQ(command.code, c.code) << where;
        EXPECT_EQ(command.level, c.level) << where;
    }

    const struct {
        std::initializer_list<const char*> words;
        const char* error;
    } bad[] = {
        {{"set"}, "needs a setting"},
        {{"set", "dpi"}, "LEVEL and VALUE"},
        {{"set", "dpi", "1"}, "LEVEL and VALUE"},
        {{"set", "dpi", "1", "800", "2"}, "LEVEL and VALUE"},
        {{"set", "dpi", "0", "800"}, "DPI LEVEL must be 1 to 6"},
        {{"set", "dpi", "7", "800"}, "DPI LEVEL must be 1 to 6"},
        {{"set", "dpi", "1", "-800"}, "must not be negative"},
        {{"set", "dpi", "1", "49"}, "DPI VALUE must be 50 to 26000"},
        {{"set", "dpi", "1", "26050"}, "DPI VALUE must be 50 to 26000"},
        {{"set", "dpi", "1", "99999999999999999999999"}, "DPI VALUE must be 50 to 26000"},
        {{"set", "dpi", "1", "8OO"}, "whole number"},
        {{"set", "dpi", "1", "800.5"}, "whole number"},
        {{"set", "dpi", "1", "+800"}, "whole number"},
        {{"set", "dpi", "1", " 800"}, "whole number"},
        {{"set", "dpi", "1", ""}, "whole number"},
        {{"set", "dpi", "one", "800"}, "whole number"},
        {{"set", "dpi-count", "0"}, "1 to 6"},
        {{"set", "dpi-count", "7"}, "1 to 6"},
        {{"set", "dpi-count"}, "takes one value"},
        {{"set", "dpi-index", "-1"}, "must not be negative"},
        {{"set", "report-rate", "300"}, "125, 250, 500 or 1000"},
        {{"set", "report-rate", "1000Hz"}, "125, 250, 500 or 1000"},
        {{"set", "report-rate", "-125"}, "125, 250, 500 or 1000"},
        {{"set", "lift-off", "3"}, "1 or 2"},
        {{"set", "motion-sync", "yes"}, "on or off"},
        {{"set", "scroll", "natural"}, "standard or reversed"},
        {{"set", "response-time", "0"}, "1 to 50"},
        {{"set", "response-time", "51"}, "1 to 50"},
        {{"set", "deep-sleep", "5"}, "deep-sleep must be one of 40s, 50s, 1m"},
        {{"set", "deep-sleep", "6m"}, "deep-sleep must be one of"},
        {{"set", "DPI", "1", "800"}, "unknown setting \"DPI\""},
        {{"set", "colour", "red"}, "unknown setting"},
        {{"profile"}, "profile takes one number, 1 to 4"},
        {{"profile", "0"}, "profile must be 1 to 4"},
        {{"profile", "5"}, "profile must be 1 to 4"},
        {{"profile", "x"}, "whole number"},
        {{"profile", "1", "2"}, "profile takes one number"},
    };
    for (const auto& c : bad) {
        QStringList words;
        for (const char* word : c.words)
            words << QString::fromUtf8(word);
        QString error;
        const CtlCommand command = CtlCommand::Parse(words, error);
        const std::string where = words.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.error))) << where << ": " << error.toStdString();
        EXPECT_EQ(command.kind, CtlCommand::Kind::None) << where;
    }
}

TEST(CtlVocabularyTest, SleepNamesAndSlugs)
{
    for (const PerformanceRules::SleepChoice& choice : PerformanceRules::kDeepSleepChoices)
        EXPECT_EQ(CtlVocabulary::SleepSeconds(CtlVocabulary::SleepName(choice.seconds)), choice.seconds);
    EXPECT_EQ(CtlVocabulary::SleepName(300), QStringLiteral("5m"));
    EXPECT_EQ(CtlVocabulary::SleepName(14400), QStringLiteral("4h"));
    EXPECT_EQ(CtlVocabulary::SleepName(61), QStringLiteral("61s"));
    EXPECT_EQ(CtlVocabulary::Slug(QStringLiteral("  Heron  Pro_X ")), QStringLiteral("heron-pro-x"));

    // Every key of the picker can be named, '+' included.
    std::vector<KeyListEntry> keys;
    BuildKeyList(keys);
    for (const KeyListEntry& key : keys) {
        const QString name = CtlVocabulary::KeyName(key.name);
        EXPECT_FALSE(name.contains(QLatin1Char('+'))) << key.name.toStdString();
        EXPECT_NE(CtlVocabulary::KeyUsage(name), 0) << key.name.toStdString();
    }
    EXPECT_EQ(CtlVocabulary::KeyUsage(QStringLiteral("a")), 4);
    EXPECT_EQ(CtlVocabulary::KeyUsage(QStringLiteral("f5")), 62);
    EXPECT_EQ(CtlVocabulary::KeyUsage(QStringLiteral("num-plus")), 87);
    EXPECT_EQ(CtlVocabulary::KeyUsage(QStringLiteral("num-enter")), 88);
    EXPECT_EQ(CtlVocabulary::KeyUsage(QStringLiteral("hyper")), 0);
}

// The command line names exactly what the button page lists, once each.
TEST(CtlVocabularyTest, FunctionNamesCoverThePagesLists)
{
    size_t shortcuts = 0;
    for (int32_t group = 1; group <= 6; ++group)
        shortcuts += ButtonRules::ShortcutsOfGroup(group).size();
    const struct {
        std::span<const CtlVocabulary::FunctionName> names;
        int32_t type;
        size_t listed; // by the page
    } lists[] = {
        {CtlVocabulary::MouseFunctions(), ButtonRules::kMouse,
            std::size(ButtonRules::kMouseFunctions) - 1}, // DPI: `dpi`
        {CtlVocabulary::MediaKeys(), ButtonRules::kMultimedia, std::size(ButtonRules::kMultimediaKeys)},
        {CtlVocabulary::Shortcuts(), ButtonRules::kShortcut, shortcuts},
    };
    for (const auto& list : lists) {
        EXPECT_EQ(list.names.size(), list.listed) << list.type;
        std::set<int32_t> values;
        std::set<std::string> names;
        for (const CtlVocabulary::FunctionName& entry : list.names) {
            EXPECT_NE(ButtonRules::ValueTextId(list.type, entry.value), 0) << entry.name;
            EXPECT_NE(entry.value, CtlVocabulary::kDpiSwitch * (list.type == ButtonRules::kMouse)) << entry.name;
            values.insert(entry.value);
            names.insert(entry.name);
        }
        EXPECT_EQ(values.size(), list.names.size()) << list.type;
        EXPECT_EQ(names.size(), list.names.size()) << list.type;
    }
}

// A window answers only its own version of the request set, and only the
// commands it carries out.
TEST(CtlChannelTest, RequestsRoundTripAndOthersAreRefused)
{
    QString error;
    CtlCommand command = CtlCommand::Parse(
        {QStringLiteral("set"), QStringLiteral("dpi"), QStringLiteral("2"), QStringLiteral("1600")}, error);
    command.model = QStringLiteral("heron pro");
    const QByteArray line = CtlChannel::EncodeRequest(command, true);
    ASSERT_TRUE(line.endsWith('\n'));
    const CtlChannel::Request request = CtlChannel::DecodeRequest(QString::fromUtf8(line).trimmed());
    EXPECT_TRUE(request.error.isEmpty()) << request.error.toStdString();
    EXPECT_TRUE(request.json);
    EXPECT_EQ(request.command.kind, CtlCommand::Kind::Set);
    EXPECT_EQ(request.command.number, 1600);
    EXPECT_EQ(request.command.level, 1);
    EXPECT_EQ(request.command.model, QStringLiteral("heron pro"));

    const char* refused[] = {
        "ctl 2 {\"words\":[\"show\"]}",
        "ctl 1",
        "ctl 1 not json",
        "ctl 1 {\"words\":\"show\"}",
        "ctl 1 {\"words\":[1,2]}",
        "ctl 1 {\"words\":[\"list\"]}",
        "ctl 1 {\"words\":[\"set\",\"dpi\",\"1\",\"-5\"]}",
        "ctl 1 {\"words\":[\"erase-firmware\"]}",
    };
    for (const char* text : refused) {
        const CtlChannel::Request r = CtlChannel::DecodeRequest(QString::fromUtf8(text));
        EXPECT_FALSE(r.error.isEmpty()) << text;
        EXPECT_EQ(r.command.kind, CtlCommand::Kind::None) << text;
    }

    const CtlChannel::Answer answer{4, QStringLiteral("a\nb\n"), QStringLiteral("did not answer")};
    const std::optional<CtlChannel::Answer> back = CtlChannel::DecodeAnswer(CtlChannel::EncodeAnswer(answer));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->code, 4);
    EXPECT_EQ(back->out, answer.out);
    EXPECT_EQ(back->err, answer.err);
    EXPECT_FALSE(CtlChannel::DecodeAnswer("shown\n").has_value());
}

TEST(InventoryOutputTest, LinesForPeopleAndExitCodes)
{
    ModelEntry heron;
    heron.name = QStringLiteral("Heron Pro");
    heron.deviceType = 101;
    ModelEntry egret;
    egret.name = QStringLiteral("Egret Pro");
    egret.deviceType = 103;

    Inventory inventory;
    ConnectionEntry cable;
    cable.state = ConnectionEntry::State::Online;
    cable.mouseFirmware = QStringLiteral("1.2.3");
    cable.batteryLevel = 64;
    cable.batteryStatus = 1;
    ConnectionEntry receiver;
    receiver.mode = 1;
    receiver.state = ConnectionEntry::State::MouseAway;
    receiver.receiverFirmware = QStringLiteral("1.0.5");
    inventory.models = {{heron, {cable, receiver}}, {egret, {}}};
    EXPECT_EQ(InventoryOutput::Text(inventory),
        QStringLiteral("Heron Pro (101): cable online, firmware 1.2.3, battery 64% (charging)\n"
                       "Heron Pro (101): receiver attached, mouse not in reach, receiver firmware 1.0.5\n"
                       "Egret Pro (103): not attached\n"));
    EXPECT_TRUE(InventoryOutput::Problems(inventory).isEmpty());
    EXPECT_EQ(InventoryOutput::ExitCode(inventory), kCtlOk);

    ConnectionEntry denied;
    denied.state = ConnectionEntry::State::PermissionDenied;
    denied.path = QStringLiteral("/dev/hidraw3");
    inventory.models = {{heron, {}}, {egret, {denied}}};
    EXPECT_EQ(InventoryOutput::Text(inventory),
        QStringLiteral("Heron Pro (101): not attached\nEgret Pro (103): cable permission denied (/dev/hidraw3)\n"));
    const QStringList problems = InventoryOutput::Problems(inventory);
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].contains(QStringLiteral("/dev/hidraw3")));
    EXPECT_TRUE(problems[0].contains(QStringLiteral("70-tarvo.rules")));
    EXPECT_EQ(InventoryOutput::ExitCode(inventory), kCtlDeviceError);

    // One device usable is enough for 0; nothing of ours attached is 3.
    inventory.models = {{heron, {cable}}, {egret, {denied}}};
    EXPECT_EQ(InventoryOutput::ExitCode(inventory), kCtlOk);
    inventory.models = {{heron, {}}, {egret, {}}};
    EXPECT_EQ(InventoryOutput::ExitCode(inventory), kCtlNoDevice);

    ConnectionEntry full = cable;
    full.batteryStatus = 2;
    full.batteryLevel = 100;
    inventory.models = {{heron, {full}}};
    EXPECT_EQ(InventoryOutput::Text(inventory),
        QStringLiteral("Heron Pro (101): cable online, firmware 1.2.3, battery 100% (full)\n"));
}

// Scripts match these names: each state has its own.
TEST(InventoryOutputTest, EveryStateHasItsOwnJsonName)
{
    using S = ConnectionEntry::State;
    QStringList names;
    for (S state : {S::Online, S::MouseAway, S::NoAnswer, S::Standby, S::PermissionDenied, S::OpenFailed, S::InUse})
        names << InventoryOutput::StateName(state);
    EXPECT_EQ(names.join(QLatin1Char(' ')),
        QStringLiteral("online mouse_away no_answer standby permission_denied open_failed in_use"));
}

class CtlListTest : public SimFixture {
protected:
    void SetUp() override
    {
        App();
        SimFixture::SetUp();
        ASSERT_TRUE(m_runtime.isValid());
        m_hid = MakeList();
        m_context.hid = m_hid.get();
        m_context.programFolder = kShipped;
        m_context.runtimeFolder = m_runtime.path();
        m_context.statusRetryMs = 1;
    }

    int Run(std::initializer_list<const char*> words) { return RunCtl(Args(words).mid(1), m_context, m_out, m_err); }
    QJsonObject ListJson()
    {
        const int code = Run({"--json", "list"});
        EXPECT_EQ(code, kCtlOk) << m_err.toStdString();
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(m_out.toUtf8(), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << m_out.toStdString();
        return doc.object();
    }

    QTemporaryDir m_runtime;
    std::unique_ptr<HidDeviceList> m_hid;
    CtlProgram::Context m_context;
    QString m_out;
    QString m_err;
};

// What the window's worker would read, for each way a model can be attached.
TEST_F(CtlListTest, EveryWayAModelIsAttached)
{
    Sim("plug heron cable");
    Sim("plug heron receiver");
    Sim("mouse-version heron cable 1.2.4");
    Sim("battery heron cable 55 1");
    Sim("plug egret receiver");
    Sim("receiver-version egret 1.0.7");
    Sim("mouse egret off");
    Sim("plug plover cable denied");

    const QJsonObject root = ListJson();
    EXPECT_FALSE(root.value(QStringLiteral("window_running")).toBool());
    EXPECT_EQ(root.value(QStringLiteral("models")).toArray().size(), 8);

    auto heron = Connections(root, 101);
    ASSERT_EQ(heron.size(), 2u);
    EXPECT_EQ(heron["cable"].value(QStringLiteral("state")).toString(), QStringLiteral("online"));
    EXPECT_EQ(heron["cable"].value(QStringLiteral("mouse_firmware")).toString(), QStringLiteral("1.2.4"));
    EXPECT_EQ(heron["cable"].value(QStringLiteral("release")).toString(), QStringLiteral("1.2.4"));
    EXPECT_EQ(heron["cable"].value(QStringLiteral("product")).toString(), QStringLiteral("Heron Pro"));
    const QJsonObject battery = heron["cable"].value(QStringLiteral("battery")).toObject();
    EXPECT_EQ(battery.value(QStringLiteral("level")).toInt(), 55);
    EXPECT_EQ(battery.value(QStringLiteral("status")).toInt(), 1);
    EXPECT_TRUE(heron["cable"].value(QStringLiteral("receiver_firmware")).isNull());
    // The cable carries the model's commands, as in the window.
    EXPECT_EQ(heron["receiver"].value(QStringLiteral("state")).toString(), QStringLiteral("standby"));

    auto egret = Connections(root, 103);
    ASSERT_EQ(egret.size(), 1u);
    EXPECT_EQ(egret["receiver"].value(QStringLiteral("state")).toString(), QStringLiteral("mouse_away"));
    EXPECT_EQ(egret["receiver"].value(QStringLiteral("receiver_firmware")).toString(), QStringLiteral("1.0.7"));
    EXPECT_TRUE(egret["receiver"].value(QStringLiteral("mouse_firmware")).isNull());
    EXPECT_TRUE(egret["receiver"].value(QStringLiteral("battery")).isNull());

    auto plover = Connections(root, 107);
    ASSERT_EQ(plover.size(), 1u);
    EXPECT_EQ(plover["cable"].value(QStringLiteral("state")).toString(), QStringLiteral("permission_denied"));
    EXPECT_TRUE(plover["cable"].value(QStringLiteral("path")).toString().contains(QStringLiteral("PID_6D30")));
    EXPECT_TRUE(
        plover["cable"].value(QStringLiteral("error")).toString().contains(QStringLiteral("Permission denied")));
    EXPECT_TRUE(m_err.contains(QStringLiteral("Plover Pro by cable: permission denied"))) << m_err.toStdString();
    EXPECT_TRUE(Connections(root, 102).empty());

    // Only the status and receiver queries went out, and none to the denied mouse.
    const std::vector<std::string> sent = LogLines("out");
    EXPECT_GE(sent.size(), 4u);
    for (const std::string& line : sent) {
        EXPECT_EQ(line.find("PID_6D30"), std::string::npos) << line;
        const size_t hex = line.rfind(' ');
        const std::string command = line.substr(hex + 1, 4);
        EXPECT_TRUE(command == "0605" || command == "0607") << line;
    }

    // The same for people.
    EXPECT_EQ(Run({"list"}), kCtlOk);
    EXPECT_TRUE(
        m_out.contains(QStringLiteral("Heron Pro (101): cable online, firmware 1.2.4, battery 55% (charging)\n")))
        << m_out.toStdString();
    EXPECT_TRUE(m_out.contains(QStringLiteral("Heron (102): not attached\n")));
    EXPECT_TRUE(m_out.contains(
        QStringLiteral("Egret Pro (103): receiver attached, mouse not in reach, receiver firmware 1.0.7\n")));
}

TEST_F(CtlListTest, ExitCodesSayWhatWasFound)
{
    EXPECT_EQ(Run({"list"}), kCtlNoDevice);
    EXPECT_EQ(m_out.count(QStringLiteral("not attached")), 8);

    Sim("plug heron cable denied");
    EXPECT_EQ(Run({"list"}), kCtlDeviceError);
    EXPECT_TRUE(m_err.contains(QStringLiteral("70-tarvo.rules")));

    // A silent mouse is still attached and listed.
    Sim("plug egret cable");
    Sim("fault egret silent");
    const QJsonObject root = ListJson();
    EXPECT_EQ(Connections(root, 103)["cable"].value(QStringLiteral("state")).toString(), QStringLiteral("no_answer"));

    m_context.programFolder = m_runtime.path() + QStringLiteral("/nowhere/");
    EXPECT_EQ(Run({"list"}), kCtlCannotRun);
    EXPECT_TRUE(m_err.contains(QStringLiteral("config.xml"))) << m_err.toStdString();
    EXPECT_TRUE(m_out.isEmpty());
}

// The real program, as a user or a script runs it.
class CtlProcessTest : public SimFixture {
protected:
    void SetUp() override
    {
        App();
        SimFixture::SetUp();
        ASSERT_TRUE(m_runtime.isValid());
    }
    QProcessEnvironment Environment(const QString& data = {}) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        if (!data.isEmpty()) {
            env.insert(QStringLiteral("XDG_DATA_HOME"), data);
            env.insert(QStringLiteral("XDG_CONFIG_HOME"), data);
        }
        env.insert(QStringLiteral("TARVO_PROGRAM_DIR"), kShipped);
        env.remove(QStringLiteral("TARVO_DEBUG"));
        return env;
    }
    int Start(const QStringList& arguments)
    {
        SpawnedProgram process;
        EXPECT_TRUE(process.Start(QStringLiteral(TARVO_CTL_PATH), arguments, Environment()));
        const int code = process.Finish(60000);
        m_out = process.Out();
        m_err = process.Err();
        return code;
    }

    QTemporaryDir m_runtime;
    QString m_out;
    QString m_err;
};

TEST_F(CtlProcessTest, BadArgumentsExitTwoAndTouchNothing)
{
    Sim("plug heron cable");
    const QStringList cases[] = {
        {},
        {QStringLiteral("lsit")},
        {QStringLiteral("list"), QStringLiteral("heron")},
        {QStringLiteral("list"), QStringLiteral("--jsn")},
        {QStringLiteral("-1")},
        {QStringLiteral("set"), QStringLiteral("dpi"), QStringLiteral("1"), QStringLiteral("99999999999")},
    };
    for (const QStringList& arguments : cases) {
        const std::string where = arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(Start(arguments), kCtlBadArguments) << where;
        EXPECT_TRUE(m_out.isEmpty()) << where;
        EXPECT_TRUE(m_err.startsWith(QStringLiteral("tarvoctl: "))) << where << ": " << m_err.toStdString();
        EXPECT_TRUE(m_err.contains(QStringLiteral("--help"))) << where;
    }
    EXPECT_TRUE(LogLines("out").empty()) << "bad arguments never reach the mouse";

    EXPECT_EQ(Start({QStringLiteral("--help")}), kCtlOk);
    for (const char* documented : {"list", "--json", "2  bad arguments", "3  no device", "4  device error"})
        EXPECT_TRUE(m_out.contains(QString::fromUtf8(documented))) << documented;
    EXPECT_EQ(Start({QStringLiteral("--version")}), kCtlOk);
    EXPECT_TRUE(m_out.startsWith(QStringLiteral("tarvoctl "))) << m_out.toStdString();
    EXPECT_TRUE(LogLines("out").empty());
}

TEST_F(CtlProcessTest, WhileAWindowRunsNothingIsOpened)
{
    Sim("plug heron cable");
    Sim("plug egret cable denied");
    EXPECT_EQ(Start({QStringLiteral("list")}), kCtlOk);
    EXPECT_TRUE(m_out.contains(QStringLiteral("Heron Pro (101): cable online"))) << m_out.toStdString();
    Sim("log clear");

    // The window holds the single-instance lock where tarvoctl looks for it.
    QLockFile window(m_runtime.path() + QStringLiteral("/Tarvo.lock"));
    ASSERT_TRUE(window.tryLock(0));
    EXPECT_EQ(Start({QStringLiteral("--json"), QStringLiteral("list")}), kCtlOk) << m_err.toStdString();
    const QJsonObject root = QJsonDocument::fromJson(m_out.toUtf8()).object();
    EXPECT_TRUE(root.value(QStringLiteral("window_running")).toBool());
    EXPECT_EQ(Connections(root, 101)["cable"].value(QStringLiteral("state")).toString(), QStringLiteral("in_use"));
    EXPECT_EQ(Connections(root, 103)["cable"].value(QStringLiteral("state")).toString(), QStringLiteral("in_use"));
    EXPECT_TRUE(m_err.contains(QStringLiteral("Tarvo window is running")));
    EXPECT_TRUE(Sim("log").empty()) << "nothing opened, nothing written";

    window.unlock();
    EXPECT_EQ(Start({QStringLiteral("list")}), kCtlOk);
    EXPECT_TRUE(m_out.contains(QStringLiteral("Heron Pro (101): cable online")));

    // An empty lock file names no owner: no window runs, as the window itself judges.
    QFile empty(m_runtime.path() + QStringLiteral("/Tarvo.lock"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    EXPECT_EQ(Start({QStringLiteral("list")}), kCtlOk);
    EXPECT_TRUE(m_out.contains(QStringLiteral("Heron Pro (101): cable online"))) << m_out.toStdString();
}

// tarvoctl looks for a window while one starts: the look never takes the
// window's lock, so the window never mistakes tarvoctl for itself running.
TEST(CtlWindowProbeTest, LookingForAWindowNeverKeepsOneFromStarting)
{
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    const QString lockPath = runtime.path() + QStringLiteral("/Tarvo.lock");
    std::atomic<bool> stop{false};
    std::atomic<int> looks{0};
    std::thread looker([&] {
        while (!stop) {
            (void)CtlProgram::WindowRunning(runtime.path());
            ++looks;
        }
    });
    int kept = 0;
    int seen = 0;
    for (int start = 0; start < 500 || looks < 500; ++start) {
        QLockFile window(lockPath);
        window.setStaleLockTime(0);
        if (!window.tryLock(0)) {
            ++kept;
            continue;
        }
        seen += CtlProgram::WindowRunning(runtime.path()) ? 1 : 0;
        window.unlock();
    }
    stop = true;
    looker.join();
    EXPECT_EQ(kept, 0) << "window starts kept out by tarvoctl's look";
    EXPECT_GT(seen, 0);
    // Nothing left behind where the window claims its lock.
    EXPECT_FALSE(QFile::exists(lockPath));
}

// Two tarvoctl at once without a window: one waits for the other, so every
// report is answered before the next goes out, and both changes arrive.
TEST_F(CtlProcessTest, TwoAtOnceTakeTurns)
{
    Sim("plug heron cable");
    QTemporaryDir data;
    auto start = [&](const QStringList& arguments) {
        auto process = std::make_unique<SpawnedProgram>();
        EXPECT_TRUE(process->Start(QStringLiteral(TARVO_CTL_PATH), arguments, Environment(data.path())));
        return process;
    };
    ASSERT_EQ(Start({QStringLiteral("show")}), kCtlOk) << m_err.toStdString();
    Sim("log clear");
    auto first = start({QStringLiteral("set"), QStringLiteral("dpi"), QStringLiteral("3"), QStringLiteral("2000")});
    auto second = start({QStringLiteral("set"), QStringLiteral("report-rate"), QStringLiteral("1000")});
    for (SpawnedProgram* process : {first.get(), second.get()})
        EXPECT_EQ(process->Finish(60000), kCtlOk) << process->Err().toStdString();
    const QJsonObject state = State("heron");
    EXPECT_EQ(state.value(QStringLiteral("dpi")).toArray().at(2).toInt(), 2000);
    EXPECT_EQ(state.value(QStringLiteral("report_rate")).toInt(), 3);

    const std::vector<std::string> log = Sim("log");
    int outs = 0;
    std::string problem;
    EXPECT_TRUE(ReportsTookTurns(log, outs, problem)) << problem;
    EXPECT_GE(outs, 4);
}
