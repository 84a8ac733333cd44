// tarvoctl: its command line, its two outputs, and `list` against the
// simulated firmware, in process and as the real program.
#include "SimFixture.h"

#include "ctl/CtlArguments.h"
#include "ctl/CtlExitCode.h"
#include "ctl/CtlProgram.h"
#include "ctl/DeviceInventory.h"
#include "ctl/InventoryOutput.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <map>

namespace {

const QString kShipped = QStringLiteral(TARVO_SOURCE_DIR "/resources/");

QCoreApplication& App()
{
    static int argc = 1;
    static char name[] = "tarvo_ctl_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
    return *QCoreApplication::instance();
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
    using C = CtlArguments::Command;
    const struct {
        QStringList arguments;
        C command;
        bool json;
        const char* error; // a fragment of the message; null: no error
    } cases[] = {
        {Args({"list"}), C::List, false, nullptr},
        {Args({"--json", "list"}), C::List, true, nullptr},
        {Args({"list", "--json"}), C::List, true, nullptr},
        {Args({"--help"}), C::Help, false, nullptr},
        {Args({"-h"}), C::Help, false, nullptr},
        {Args({"list", "--bogus", "--help"}), C::Help, false, nullptr},
        {Args({"--version"}), C::Version, false, nullptr},
        {Args({"--version", "list"}), C::Version, false, nullptr},
        {Args({}), C::None, false, "no command"},
        {Args({"--json"}), C::None, false, "no command"},
        {Args({"lsit"}), C::None, false, "unknown command \"lsit\""},
        {Args({"LIST"}), C::None, false, "unknown command"},
        {Args({"list", "heron"}), C::None, false, "takes no arguments"},
        {Args({"list", "-1"}), C::None, false, "unknown option -1"},
        {Args({"--jsn", "list"}), C::None, false, "unknown option --jsn"},
        {Args({"--version", "--bogus"}), C::None, false, "unknown option --bogus"},
        {Args({""}), C::None, false, "unknown command"},
    };
    for (const auto& c : cases) {
        const CtlArguments parsed = CtlArguments::Parse(c.arguments);
        const std::string where = c.arguments.join(QLatin1Char(' ')).toStdString();
        if (c.error) {
            EXPECT_TRUE(parsed.error.contains(QString::fromUtf8(c.error))) << where << ": " << parsed.error.toStdString();
            continue;
        }
        EXPECT_TRUE(parsed.error.isEmpty()) << where << ": " << parsed.error.toStdString();
        EXPECT_EQ(parsed.command, c.command) << where;
        EXPECT_EQ(parsed.json, c.json) << where;
    }
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

    int Run(std::initializer_list<const char*> words)
    {
        m_out.clear();
        m_err.clear();
        QTextStream out(&m_out);
        QTextStream err(&m_err);
        const int code = CtlProgram::Run(Args(words), out, err, m_context);
        out.flush();
        err.flush();
        return code;
    }
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
    EXPECT_TRUE(plover["cable"].value(QStringLiteral("error")).toString().contains(QStringLiteral("Permission denied")));
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
    EXPECT_TRUE(m_out.contains(QStringLiteral("Heron Pro (101): cable online, firmware 1.2.4, battery 55% (charging)\n")))
        << m_out.toStdString();
    EXPECT_TRUE(m_out.contains(QStringLiteral("Heron (102): not attached\n")));
    EXPECT_TRUE(m_out.contains(QStringLiteral("Egret Pro (103): receiver attached, mouse not in reach, receiver firmware 1.0.7\n")));
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
    int Start(const QStringList& arguments)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        env.insert(QStringLiteral("TARVO_PROGRAM_DIR"), kShipped);
        env.remove(QStringLiteral("TARVO_DEBUG"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(TARVO_CTL_PATH), arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        m_out = QString::fromUtf8(process.readAllStandardOutput());
        m_err = QString::fromUtf8(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
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
}
