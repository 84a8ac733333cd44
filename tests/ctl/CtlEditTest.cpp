// tarvoctl's commands carried out by tarvoctl itself: command -> store ->
// report on the simulated wire, checked in the simulated firmware's state.
#include "CtlTestSupport.h"
#include "SimFixture.h"
#include "TestApplication.h"

#include "ctl/CtlExitCode.h"
#include "ctl/CtlProgram.h"
#include "platform/Paths.h"
#include "store/SettingsStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <functional>

namespace {

const QString kShipped = QStringLiteral(TARVO_SOURCE_DIR "/resources/");

void App()
{
    TestApplication("tarvo_ctl_tests");
}

// A macro file as Tarvo writes one: space down, space up.
QByteArray MacroFileText()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
           "<macro>\r\n"
           "<macroinfo macro_name=\"Jump\" macro_type=\"0\" play_times=\"1\" delay_type=\"2\" delay_time=\"150\"/>\r\n"
           "<macroitems>\r\n"
           "<item desc=\"Space\" index=\"0\" type=\"2\" value=\"32\" timestamp=\"10\"/>\r\n"
           "<item desc=\"Space\" index=\"1\" type=\"3\" value=\"32\" timestamp=\"20\"/>\r\n"
           "</macroitems>\r\n"
           "</macro>\r\n";
}

QStringList Words(const char* line)
{
    return QString::fromUtf8(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

class CtlEditTest : public SimFixture {
protected:
    void SetUp() override
    {
        App();
        SimFixture::SetUp();
        ASSERT_TRUE(m_runtime.isValid());
        ASSERT_TRUE(m_data.isValid());
        m_hid = MakeList();
        m_context.hid = m_hid.get();
        m_context.programFolder = kShipped;
        m_context.runtimeFolder = m_runtime.path();
        m_context.dataFolder = m_data.path();
        m_context.statusRetryMs = 1;
        m_context.timings.statusRetryMs = 1;
        m_context.timings.factoryResetMs = 50;
        m_context.timings.switchSettleMs = 1;
        m_context.timings.macroPieceMs = 0;
        m_context.lockWaitMs = 2000;
    }

    int Run(const QStringList& words) { return RunCtl(words, m_context, m_out, m_err); }
    int Run(const char* line) { return Run(Words(line)); }
    // A macro file of ours written to `path` and imported.
    int ImportMacro(const QString& path)
    {
        QFile macro(path);
        if (!macro.open(QIODevice::WriteOnly) || macro.write(MacroFileText()) < 0)
            return -1;
        macro.close();
        return Run({QStringLiteral("macro"), QStringLiteral("import"), path});
    }

    // The stored value of the model's current (active) profile.
    QString Stored(const QString& attr, const char* key)
    {
        SettingsStore store;
        if (!store.OpenForDevice(m_data.path() + QLatin1Char('/'), attr))
            return QStringLiteral("<no database>");
        QString value;
        store.GetConfigValue(store.GetActiveProfile(), QString::fromLatin1(key), value);
        return value;
    }

    QTemporaryDir m_runtime;
    QTemporaryDir m_data;
    std::unique_ptr<HidDeviceList> m_hid;
    CtlProgram::Context m_context;
    QString m_out;
    QString m_err;
};

// Each setting as a user types it, through the store to the firmware; one
// after another on the same mouse, so each case starts where the last ended.
TEST_F(CtlEditTest, EverySettingReachesTheMouse)
{
    Sim("plug heron cable");
    const struct {
        const char* command;
        const char* field; // of the simulator's state
        std::function<bool(const QJsonValue&)> holds;
        const char* key; // stored in the profile
        const char* stored;
        const char* printed;
    } cases[] = {
        {"set dpi 2 1630", "dpi", [](const QJsonValue& v) { return v.toArray().at(1).toInt() == 1600; },
            "dpi_group1_value", "1600", "dpi: 1=400 2=1600* 3=1200"},
        {"set dpi 4 3210", "dpi_index", [](const QJsonValue& v) { return v.toInt() == 3; }, "dpi_group3_value", "3200",
            "4=3200*"},
        {"set dpi-index 1", "dpi_index", [](const QJsonValue& v) { return v.toInt() == 0; }, "dpi_index", "0",
            "dpi-index: 1"},
        {"set dpi-count 3", "dpi_count", [](const QJsonValue& v) { return v.toInt() == 3; }, "dpi_count", "3",
            "dpi-count: 3"},
        {"set report-rate 1000", "report_rate", [](const QJsonValue& v) { return v.toInt() == 3; }, "report_rate", "3",
            "report-rate: 1000"},
        {"set lift-off 1", "liftoff_height", [](const QJsonValue& v) { return v.toInt() == 0; }, "liftoff_height", "0",
            "lift-off: 1"},
        // The page's three boxes: the stored 53 shows bits 1 and 4; the bits
        // above them are not the page's and are dropped, as the page does.
        {"set motion-sync off", "sensor_flag", [](const QJsonValue& v) { return v.toInt() == 4; }, "sensor_flag", "4",
            "motion-sync: off"},
        {"set angle-snapping on", "sensor_flag", [](const QJsonValue& v) { return v.toInt() == 6; }, "sensor_flag", "6",
            "angle-snapping: on"},
        {"set scroll standard", "scroll_flag", [](const QJsonValue& v) { return v.toInt() == 0; }, "scroll_flag", "0",
            "scroll: standard"},
        {"set response-time 20", "button_respondtime", [](const QJsonValue& v) { return v.toInt() == 20; },
            "button_respondtime", "20", "response-time: 20"},
        {"set deep-sleep 5m", "deep_sleep", [](const QJsonValue& v) { return v.toInt() == 300; }, "deep_sleep", "300",
            "deep-sleep: 5m"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Run(c.command), kCtlOk) << c.command << ": " << m_err.toStdString();
        EXPECT_TRUE(m_err.isEmpty()) << c.command << ": " << m_err.toStdString();
        EXPECT_TRUE(m_out.contains(QString::fromUtf8(c.printed))) << c.command << ": " << m_out.toStdString();
        const QJsonObject state = State("heron");
        EXPECT_TRUE(c.holds(state.value(QString::fromLatin1(c.field))))
            << c.command << ": " << QJsonDocument(state).toJson().toStdString();
        EXPECT_EQ(Stored(QStringLiteral("heron"), c.key), QString::fromLatin1(c.stored)) << c.command;
    }

    // show reads the mouse and prints what it and the store now hold.
    ASSERT_EQ(Run("--json show"), kCtlOk) << m_err.toStdString();
    const QJsonObject shown = QJsonDocument::fromJson(m_out.toUtf8()).object();
    EXPECT_EQ(shown.value(QStringLiteral("model")).toObject().value(QStringLiteral("device_type")).toInt(), 101);
    const QJsonObject dpi = shown.value(QStringLiteral("dpi")).toObject();
    EXPECT_EQ(dpi.value(QStringLiteral("count")).toInt(), 3);
    EXPECT_EQ(dpi.value(QStringLiteral("index")).toInt(), 1);
    EXPECT_EQ(dpi.value(QStringLiteral("levels")).toArray().at(1).toInt(), 1600);
    EXPECT_EQ(shown.value(QStringLiteral("report_rate")).toInt(), 1000);
    EXPECT_EQ(shown.value(QStringLiteral("deep_sleep_s")).toInt(), 300);
    EXPECT_EQ(shown.value(QStringLiteral("scroll")).toString(), QStringLiteral("standard"));
    EXPECT_TRUE(shown.value(QStringLiteral("angle_snapping")).toBool());
    EXPECT_FALSE(shown.value(QStringLiteral("motion_sync")).toBool());
    EXPECT_EQ(shown.value(QStringLiteral("profile")).toObject().value(QStringLiteral("number")).toInt(), 1);
}

// Refused commands write nothing: not to the store, not to the mouse.
TEST_F(CtlEditTest, RefusedCommandsChangeNothing)
{
    Sim("plug heron cable");
    Sim("plug egret cable");
    ASSERT_EQ(Run("--model heron-pro set dpi-count 3"), kCtlOk) << m_err.toStdString();
    ASSERT_EQ(Run("--model egret-pro show"), kCtlOk) << m_err.toStdString();
    const QJsonObject heron = State("heron");
    const QJsonObject egret = State("egret");
    const QString storedCount = Stored(QStringLiteral("heron"), "dpi_count");
    const struct {
        const char* command;
        int code;
        const char* error;
    } cases[] = {
        {"set dpi 1 -400", kCtlBadArguments, "must not be negative"},
        {"set dpi 1 4e3", kCtlBadArguments, "whole number"},
        {"set dpi 1 123456789012", kCtlBadArguments, "50 to 26000"},
        {"set report-rate 2000", kCtlBadArguments, "125, 250, 500 or 1000"},
        {"set sensitivity 5", kCtlBadArguments, "unknown setting"},
        {"set dpi 1 800", kCtlBadArguments, "several mice are attached (heron-pro, egret-pro)"},
        {"--model osprey show", kCtlBadArguments, "unknown model \"osprey\""},
        // Known only once the model and its stored profile are.
        {"--model heron-pro set dpi 5 800", kCtlBadArguments, "level 5 is not in use: dpi-count is 3"},
        {"--model heron-pro set dpi-index 4", kCtlBadArguments, "dpi-index must be 1 to 3"},
        {"--model heron-pro set high-speed on", kCtlBadArguments, "by cable"},
        {"--model plover-pro show", kCtlNoDevice, "Plover Pro is not attached"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(c.command), c.code) << c.command;
        EXPECT_TRUE(m_err.startsWith(QStringLiteral("tarvoctl: "))) << c.command << ": " << m_err.toStdString();
        EXPECT_TRUE(m_err.contains(QString::fromUtf8(c.error))) << c.command << ": " << m_err.toStdString();
        EXPECT_TRUE(m_out.isEmpty()) << c.command << ": " << m_out.toStdString();
    }
    EXPECT_EQ(State("heron"), heron);
    EXPECT_EQ(State("egret"), egret);
    EXPECT_EQ(Stored(QStringLiteral("heron"), "dpi_count"), storedCount);
}

// The 12000-DPI sensor takes less than the large one; the bound is the model's.
TEST_F(CtlEditTest, TheModelsBoundHoldsAndHighSpeedGoesByReceiver)
{
    Sim("plug heron-3311 receiver");
    ASSERT_EQ(Run("show"), kCtlOk) << m_err.toStdString();
    EXPECT_TRUE(m_out.startsWith(QStringLiteral("Heron (102), profile 1"))) << m_out.toStdString();
    EXPECT_EQ(Run("set dpi 1 12050"), kCtlBadArguments);
    EXPECT_TRUE(m_err.contains(QStringLiteral("50 to 12000 for Heron"))) << m_err.toStdString();
    ASSERT_EQ(Run("set dpi 1 12000"), kCtlOk) << m_err.toStdString();
    EXPECT_EQ(State("heron-3311").value(QStringLiteral("dpi")).toArray().at(0).toInt(), 12000);
    ASSERT_EQ(Run("set high-speed on"), kCtlOk) << m_err.toStdString();
    EXPECT_EQ(State("heron-3311").value(QStringLiteral("highspeed_mode")).toInt(), 1);
    EXPECT_TRUE(m_out.contains(QStringLiteral("high-speed: on")));
}

TEST_F(CtlEditTest, ProfilesSwitchAndResetRestores)
{
    Sim("plug heron cable");
    ASSERT_EQ(Run("set dpi 2 1600"), kCtlOk) << m_err.toStdString();
    ASSERT_EQ(Run("profile 2"), kCtlOk) << m_err.toStdString();
    EXPECT_TRUE(m_out.startsWith(QStringLiteral("profile: 2 \""))) << m_out.toStdString();
    // Profile 2 keeps its own levels, and all of them were sent.
    EXPECT_EQ(State("heron").value(QStringLiteral("dpi")).toArray().at(1).toInt(), 800);
    ASSERT_EQ(Run("set response-time 9"), kCtlOk);
    ASSERT_EQ(Run("profile 1"), kCtlOk);
    EXPECT_EQ(State("heron").value(QStringLiteral("dpi")).toArray().at(1).toInt(), 1600);
    EXPECT_EQ(State("heron").value(QStringLiteral("button_respondtime")).toInt(), 1);
    ASSERT_EQ(Run("--json show"), kCtlOk);
    EXPECT_EQ(QJsonDocument::fromJson(m_out.toUtf8())
                  .object()
                  .value(QStringLiteral("profile"))
                  .toObject()
                  .value(QStringLiteral("number"))
                  .toInt(),
        1);

    ASSERT_EQ(Run("set report-rate 125"), kCtlOk);
    ASSERT_EQ(Run("reset"), kCtlOk) << m_err.toStdString();
    EXPECT_TRUE(m_out.contains(QStringLiteral("back to their factory settings")));
    EXPECT_EQ(Stored(QStringLiteral("heron"), "dpi_group1_value"), QStringLiteral("800"));
    EXPECT_EQ(State("heron").value(QStringLiteral("report_rate")).toInt(), 2);
    EXPECT_EQ(Stored(QStringLiteral("heron"), "report_rate"), QStringLiteral("2"));
}

TEST_F(CtlEditTest, MiceThatCannotBeReachedAreDeviceErrors)
{
    EXPECT_EQ(Run("show"), kCtlNoDevice);
    EXPECT_TRUE(m_err.contains(QStringLiteral("no mouse or receiver of ours is attached"))) << m_err.toStdString();

    Sim("plug plover cable denied");
    EXPECT_EQ(Run("set dpi 1 800"), kCtlDeviceError);
    EXPECT_TRUE(m_err.contains(QStringLiteral("70-tarvo.rules"))) << m_err.toStdString();
    Sim("unplug plover cable");

    Sim("plug egret receiver");
    Sim("mouse egret off");
    EXPECT_EQ(Run("set dpi 1 800"), kCtlDeviceError);
    EXPECT_TRUE(m_err.contains(QStringLiteral("answer"))) << m_err.toStdString();
    Sim("mouse egret on");
    Sim("fault egret silent");
    EXPECT_EQ(Run("set dpi 1 800"), kCtlDeviceError);
    EXPECT_TRUE(m_out.isEmpty());
    Sim("fault egret none");
    EXPECT_EQ(Run("set dpi 1 800"), kCtlOk) << m_err.toStdString();

    // Another tarvoctl still at work: this one gives up rather than interleave.
    QLockFile other(CtlProgram::DeviceLockPath(m_runtime.path()));
    ASSERT_TRUE(other.tryLock(0));
    m_context.lockWaitMs = 0;
    Sim("log clear");
    EXPECT_EQ(Run("set dpi 1 900"), kCtlDeviceError);
    EXPECT_TRUE(m_err.contains(QStringLiteral("another tarvoctl"))) << m_err.toStdString();
    EXPECT_TRUE(LogLines("out").empty());
}

// Each button function type as typed, in the mouse's button map: four bytes
// a button, in the order of the button codes.
TEST_F(CtlEditTest, ButtonFunctionsReachTheButtonMap)
{
    Sim("plug heron cable");
    const struct {
        const char* command;
        int code; // the button's code: its place in the map
        const char* bytes;
        const char* shown;
    } cases[] = {
        {"button 1 mouse middle-click", 1, "10040000", "button 1: Middle click"},
        {"button 1 mouse double-click", 1, "10010200", "Double click"},
        {"button 2 mouse scroll-down", 2, "100000fe", "Scroll down"},
        {"button 2 key ctrl+shift+a", 2, "20030400", "button 2: Shift+ Ctrl + A"},
        {"button 3 key f5", 3, "20003e00", "button 3: F5"},
        {"button 3 key alt+win", 3, "200c0000", "button 3: Win+ Alt"},
        {"button 4 media mute", 4, "30e20000", "button 4: Mute"},
        {"button 4 media media-player", 4, "30830100", "Media player"},
        {"button 5 shortcut copy", 5, "20010600", "button 5: Copy"},
        {"button 5 shortcut sleep", 5, "40020000", "Sleep"},
        {"button 6 dpi", 6, "1f010000", "button 6: DPI switch"},
        {"button 7 disable", 7, "00000000", "button 7: Disabled"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Run(c.command), kCtlOk) << c.command << ": " << m_err.toStdString();
        EXPECT_TRUE(m_out.contains(QString::fromUtf8(c.shown))) << c.command << ": " << m_out.toStdString();
        const QString map = State("heron").value(QStringLiteral("button_map")).toString();
        EXPECT_EQ(map.mid(c.code * 8, 8), QString::fromLatin1(c.bytes)) << c.command << ": " << map.toStdString();
        // The left button keeps its click whatever happens to the others.
        EXPECT_EQ(map.left(8), QStringLiteral("10010000")) << c.command;
    }

    const QJsonObject before = State("heron");
    const struct {
        const char* command;
        const char* error;
    } refused[] = {
        {"button 0 disable", "button must be 1 to 64"},
        {"button 8 disable", "Heron Pro has buttons 1 to 7, not 8"},
        {"button 1 mouse triple-click", "unknown mouse function \"triple-click\""},
        {"button 1 key ctrl+ctrl+a", "names ctrl twice"},
        {"button 1 key a+b", "one key after the modifiers"},
        {"button 1 key hyper+a", "unknown key \"hyper\""},
        {"button 1 key", "button takes a number and a function"},
        {"button 1 media louder", "unknown media function"},
        {"button 1 shortcut format-disk", "unknown shortcut function"},
        {"button 1 macro 1", "unknown button function \"macro\""},
        {"button 1 dpi 2", "takes nothing more"},
    };
    for (const auto& c : refused) {
        EXPECT_EQ(Run(c.command), kCtlBadArguments) << c.command;
        EXPECT_TRUE(m_err.contains(QString::fromUtf8(c.error))) << c.command << ": " << m_err.toStdString();
    }
    EXPECT_EQ(State("heron"), before);
}

// A profile out to a file and back in: the mouse gets what the file holds;
// a file that is not one of ours changes nothing.
TEST_F(CtlEditTest, ProfilesAndMacrosTravelThroughFiles)
{
    Sim("plug heron cable");
    QTemporaryDir files;
    const QString saved = files.filePath(QStringLiteral("profile.xml"));
    ASSERT_EQ(Run("set dpi 3 4000"), kCtlOk);
    ASSERT_EQ(Run("button 2 media mute"), kCtlOk);
    ASSERT_EQ(Run({QStringLiteral("profile"), QStringLiteral("export"), saved}), kCtlOk) << m_err.toStdString();
    EXPECT_TRUE(m_out.contains(QStringLiteral("exported to ") + saved));

    ASSERT_EQ(Run("set dpi 3 1200"), kCtlOk);
    ASSERT_EQ(Run("button 2 disable"), kCtlOk);
    ASSERT_EQ(Run({QStringLiteral("profile"), QStringLiteral("import"), saved}), kCtlOk) << m_err.toStdString();
    EXPECT_TRUE(m_err.isEmpty()) << m_err.toStdString();
    QJsonObject state = State("heron");
    EXPECT_EQ(state.value(QStringLiteral("dpi")).toArray().at(2).toInt(), 4000);
    EXPECT_EQ(state.value(QStringLiteral("button_map")).toString().mid(16, 8), QStringLiteral("30e20000"));

    // Values no page could store are held to the pages' rules and told.
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray text = file.readAll();
    file.close();
    text.replace("value=\"4000\"", "value=\"99999\"");
    const QString edited = files.filePath(QStringLiteral("edited.xml"));
    QFile out(edited);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(text);
    out.close();
    ASSERT_EQ(Run({QStringLiteral("profile"), QStringLiteral("import"), edited}), kCtlOk) << m_err.toStdString();
    EXPECT_TRUE(m_err.contains(QStringLiteral("stored as 26000"))) << m_err.toStdString();
    EXPECT_EQ(State("heron").value(QStringLiteral("dpi")).toArray().at(2).toInt(), 26000);

    state = State("heron");
    const QString notOurs = files.filePath(QStringLiteral("other.xml"));
    QFile other(notOurs);
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("<?xml version=\"1.0\"?><settings/>");
    other.close();
    const QStringList bad[] = {
        {QStringLiteral("profile"), QStringLiteral("import"), notOurs},
        {QStringLiteral("profile"), QStringLiteral("import"), files.filePath(QStringLiteral("missing.xml"))},
        {QStringLiteral("macro"), QStringLiteral("import"), notOurs},
        {QStringLiteral("profile"), QStringLiteral("export"), files.filePath(QStringLiteral("no/such/folder.xml"))},
        {QStringLiteral("macro"), QStringLiteral("export"), QStringLiteral("1"),
            files.filePath(QStringLiteral("m.xml"))},
        {QStringLiteral("profile"), QStringLiteral("import")},
    };
    for (const QStringList& words : bad) {
        EXPECT_EQ(Run(words), kCtlBadArguments) << words.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(m_err.isEmpty());
    }
    EXPECT_EQ(State("heron"), state);

    // A macro file of our own format comes in as a new macro, and goes out again.
    ASSERT_EQ(ImportMacro(files.filePath(QStringLiteral("macro.xml"))), kCtlOk) << m_err.toStdString();
    EXPECT_TRUE(m_out.contains(QStringLiteral("imported as macro \"Jump"))) << m_out.toStdString();
    const QString again = files.filePath(QStringLiteral("again.xml"));
    ASSERT_EQ(Run({QStringLiteral("macro"), QStringLiteral("export"), QStringLiteral("1"), again}), kCtlOk)
        << m_err.toStdString();
    EXPECT_TRUE(QFileInfo(again).size() > 0);
}

// show lists each button in the words `button N` takes: typed back after a
// reset, those lines give the mouse the same button map again. Functions the
// command line cannot give go by their stored names.
TEST_F(CtlEditTest, ShownButtonsTypeBackIntoTheSameButtonMap)
{
    Sim("plug heron cable");
    ASSERT_EQ(Run("show"), kCtlOk) << m_err.toStdString();
    // Nothing stored yet: the model's own functions, the last its DPI switch.
    for (const char* line : {"    button 1 mouse right-click\n", "    button 3 mouse forward\n", "    button 7 dpi\n"})
        EXPECT_TRUE(m_out.contains(QString::fromLatin1(line))) << line << " in " << m_out.toStdString();

    for (const char* command : {"button 1 key ctrl+shift+a", "button 2 media mute", "button 3 shortcut copy",
             "button 4 disable", "button 5 key alt+win", "button 6 key num-plus", "button 7 mouse scroll-up"})
        ASSERT_EQ(Run(command), kCtlOk) << command << ": " << m_err.toStdString();
    ASSERT_EQ(Run("show"), kCtlOk) << m_err.toStdString();
    const QString shown = m_out;
    const QString map = State("heron").value(QStringLiteral("button_map")).toString();
    QStringList lines;
    for (const QString& line : shown.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("    button ")))
            lines << line.trimmed();
    }
    ASSERT_EQ(lines.size(), 7) << shown.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("button 1 key ctrl+shift+a"));
    EXPECT_EQ(lines[5], QStringLiteral("button 6 key num-plus"));

    ASSERT_EQ(Run("reset"), kCtlOk) << m_err.toStdString();
    ASSERT_NE(State("heron").value(QStringLiteral("button_map")).toString(), map);
    for (const QString& line : lines)
        ASSERT_EQ(Run(line.split(QLatin1Char(' '))), kCtlOk) << line.toStdString() << ": " << m_err.toStdString();
    EXPECT_EQ(State("heron").value(QStringLiteral("button_map")).toString(), map);
    ASSERT_EQ(Run("show"), kCtlOk);
    EXPECT_EQ(m_out, shown);

    // A macro and a text snippet, as the button page stores them, by name;
    // a macro deleted since still shows what its button was given.
    QTemporaryDir files;
    ASSERT_EQ(ImportMacro(files.filePath(QStringLiteral("macro.xml"))), kCtlOk) << m_err.toStdString();
    QString macroName;
    {
        SettingsStore store;
        ASSERT_TRUE(store.OpenForDevice(m_data.path() + QLatin1Char('/'), QStringLiteral("heron")));
        std::vector<MacroInfo> macros;
        ASSERT_EQ(store.ListMacros(macros), 1);
        macroName = macros[0].name;
        const int snippet = store.AddText(NamedEntry{0, QStringLiteral("Greeting \"hi\""), {}});
        ASSERT_GT(snippet, 0);
        const int profile = store.GetActiveProfile();
        const struct {
            int32_t code, type, value;
        } rows[] = {{2, 5, macros[0].macro_id}, {4, 11, snippet}, {5, 5, 999}};
        for (const auto& row : rows) {
            KeyAssignment assignment;
            assignment.profile = profile;
            assignment.key_code = row.code;
            assignment.macro_type = row.type;
            assignment.macro_value = row.value;
            assignment.macro_value3 = 1;
            ASSERT_GT(store.SetKeyAssignment(assignment), 0);
        }
    }
    ASSERT_EQ(Run("show"), kCtlOk) << m_err.toStdString();
    EXPECT_TRUE(m_out.contains(QStringLiteral("    button 2 macro \"%1\"\n").arg(macroName))) << m_out.toStdString();
    EXPECT_TRUE(m_out.contains(QStringLiteral("    button 4 text \"Greeting \\\"hi\\\"\"\n"))) << m_out.toStdString();
    EXPECT_TRUE(m_out.contains(QStringLiteral("    button 5 macro (deleted)\n"))) << m_out.toStdString();
    ASSERT_EQ(Run("--json show"), kCtlOk);
    const QJsonArray buttons
        = QJsonDocument::fromJson(m_out.toUtf8()).object().value(QStringLiteral("buttons")).toArray();
    ASSERT_EQ(buttons.size(), 7) << m_out.toStdString();
    const QJsonObject first = buttons.at(0).toObject();
    EXPECT_EQ(first.value(QStringLiteral("command")).toString(), QStringLiteral("button 1 key ctrl+shift+a"));
    EXPECT_EQ(first.value(QStringLiteral("name")).toString(), QStringLiteral("ctrl+shift+a"));
    EXPECT_FALSE(first.value(QStringLiteral("factory")).toBool());
    const QJsonObject second = buttons.at(1).toObject();
    EXPECT_EQ(second.value(QStringLiteral("function")).toString(), QStringLiteral("macro"));
    EXPECT_EQ(second.value(QStringLiteral("name")).toString(), macroName);
    EXPECT_FALSE(second.value(QStringLiteral("settable")).toBool());
    EXPECT_FALSE(second.contains(QStringLiteral("command")));
}

// A mouse that does not answer: show prints what the store holds and says on
// stderr that the mouse did not answer; changes are still refused.
TEST_F(CtlEditTest, ShowOfASilentMouseGivesTheStoredSettings)
{
    Sim("plug heron cable");
    ASSERT_EQ(Run("set dpi 2 1650"), kCtlOk) << m_err.toStdString();
    ASSERT_EQ(Run("button 2 media mute"), kCtlOk) << m_err.toStdString();
    Sim("fault heron silent");
    ASSERT_EQ(Run("show"), kCtlOk) << m_err.toStdString();
    EXPECT_TRUE(m_out.contains(QStringLiteral("2=1650"))) << m_out.toStdString();
    EXPECT_TRUE(m_out.contains(QStringLiteral("    button 2 media mute\n"))) << m_out.toStdString();
    EXPECT_TRUE(m_err.contains(QStringLiteral("Heron Pro did not answer"))) << m_err.toStdString();
    EXPECT_TRUE(m_err.contains(QStringLiteral("firmware"))) << m_err.toStdString();
    ASSERT_EQ(Run("--json show"), kCtlOk);
    const QJsonObject shown = QJsonDocument::fromJson(m_out.toUtf8()).object();
    EXPECT_FALSE(shown.value(QStringLiteral("mouse_answered")).toBool(true)) << m_out.toStdString();
    EXPECT_EQ(
        shown.value(QStringLiteral("dpi")).toObject().value(QStringLiteral("levels")).toArray().at(1).toInt(), 1650);
    EXPECT_EQ(Run("set dpi 2 800"), kCtlDeviceError);
    Sim("fault heron none");
    ASSERT_EQ(Run("--json show"), kCtlOk);
    EXPECT_TRUE(QJsonDocument::fromJson(m_out.toUtf8()).object().value(QStringLiteral("mouse_answered")).toBool());
    EXPECT_TRUE(m_err.isEmpty()) << m_err.toStdString();

    // A receiver whose mouse is away, and one never seen before that is silent.
    Sim("unplug heron cable");
    Sim("plug egret receiver");
    ASSERT_EQ(Run("set dpi 1 700"), kCtlOk) << m_err.toStdString();
    Sim("mouse egret off");
    ASSERT_EQ(Run("show"), kCtlOk) << m_err.toStdString();
    EXPECT_TRUE(m_out.contains(QStringLiteral("1=700"))) << m_out.toStdString();
    EXPECT_TRUE(m_err.contains(QStringLiteral("did not answer"))) << m_err.toStdString();
    Sim("unplug egret receiver");
    Sim("plug plover cable");
    Sim("fault plover silent");
    EXPECT_EQ(Run("show"), kCtlDeviceError);
    EXPECT_TRUE(m_err.contains(QStringLiteral("nothing is stored for it yet"))) << m_err.toStdString();
    EXPECT_TRUE(m_out.isEmpty());
}
