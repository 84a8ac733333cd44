// tarvoctl's commands carried out by tarvoctl itself: command -> store ->
// report on the simulated wire, checked in the simulated firmware's state.
#include "SimFixture.h"

#include "ctl/CtlExitCode.h"
#include "ctl/CtlProgram.h"
#include "platform/Paths.h"
#include "store/SettingsStore.h"

#include <QCoreApplication>
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
    static int argc = 1;
    static char name[] = "tarvo_ctl_tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

QStringList Args(const QStringList& words)
{
    return QStringList{QStringLiteral("tarvoctl")} + words;
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

    int Run(const QStringList& words)
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
    int Run(const char* line) { return Run(Words(line)); }

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
