// The real program under Xvfb with a tray host (trayer, an XEmbed system
// tray that needs no desktop): the close button hides to the tray, the tray
// and a second start bring the window back; the settings and pairing dialogs with real clicks and their screenshots.
#include "ProgramUnderXvfb.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

namespace {

// The fields of one "dialog ..." or "tray ..." probe line: key=value, with
// every "ctl=ID@x,y" collected by id.
struct ProbeLine {
    std::map<QString, QString> fields;
    std::map<QString, QPoint> controls;

    static ProbeLine Parse(const QString& line)
    {
        ProbeLine probe;
        for (const QString& field : line.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const qsizetype eq = field.indexOf(QLatin1Char('='));
            if (eq < 0)
                continue;
            const QString key = field.left(eq);
            const QString value = field.mid(eq + 1);
            if (key == QLatin1String("ctl")) {
                const qsizetype at = value.indexOf(QLatin1Char('@'));
                const QStringList xy = value.mid(at + 1).split(QLatin1Char(','));
                if (at > 0 && xy.size() == 2)
                    probe.controls[value.left(at)] = QPoint(xy[0].toInt(), xy[1].toInt());
            } else {
                probe.fields[key] = value;
            }
        }
        return probe;
    }
    QPoint Point(const QString& key) const
    {
        auto it = fields.find(key);
        const QStringList xy = it == fields.end() ? QStringList() : it->second.split(QLatin1Char(','));
        return xy.size() == 2 ? QPoint(xy[0].toInt(), xy[1].toInt()) : QPoint(-1, -1);
    }
    QPoint Control(const QString& id) const
    {
        auto it = controls.find(id);
        return it == controls.end() ? QPoint(-1, -1) : it->second;
    }
};

class ShellE2eXvfbTest : public ProgramUnderXvfb {
protected:
    void SetUp() override
    {
        ProgramUnderXvfb::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_trayer = QStandardPaths::findExecutable(QStringLiteral("trayer"));
    }
    void TearDown() override
    {
        ProgramUnderXvfb::TearDown();
        if (m_tray.state() != QProcess::NotRunning) {
            m_tray.kill();
            m_tray.waitForFinished(3000);
        }
    }
    // The tray host on the private display.
    bool StartTray()
    {
        QProcessEnvironment env = Environment();
        m_tray.setProcessEnvironment(env);
        m_tray.start(m_trayer,
            {QStringLiteral("--edge"), QStringLiteral("bottom"), QStringLiteral("--align"), QStringLiteral("right"),
                QStringLiteral("--widthtype"), QStringLiteral("request"), QStringLiteral("--height"),
                QStringLiteral("32"), QStringLiteral("--SetDockType"), QStringLiteral("true")});
        if (!m_tray.waitForStarted(5000))
            return false;
        QThread::msleep(500); // it owns the tray selection once its window is up
        return m_tray.state() == QProcess::Running;
    }
    void WriteSettings(const QByteArray& text)
    {
        const QString folder = m_home.path() + QStringLiteral("/config/Tarvo");
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile file(folder + QStringLiteral("/Tarvo.conf"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    QString ReadSettings() const
    {
        QFile file(m_home.path() + QStringLiteral("/config/Tarvo/Tarvo.conf"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    // The newest probe line starting with `prefix`, waiting for one up to `ms`.
    bool WaitForProbe(const QString& prefix, ProbeLine& out, int ms = 10000, bool quiet = false)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) {
            Drain();
            for (size_t i = m_probeSeen; i < m_probeLines.size(); ++i) {
                if (m_probeLines[i].startsWith(prefix)) {
                    out = ProbeLine::Parse(m_probeLines[i]);
                    m_probeSeen = i + 1;
                    return true;
                }
            }
            m_program.waitForReadyRead(20);
        }
        if (quiet)
            return false;
        std::string seen;
        for (const QString& line : m_probeLines)
            seen += line.toStdString() + "\n";
        std::fprintf(stderr, "no \"%s\" probe line; seen:\n%s", prefix.toUtf8().constData(), seen.c_str());
        return false;
    }

    QString m_trayer;
    QProcess m_tray;
    size_t m_probeSeen = 0;
};

TEST_F(ShellE2eXvfbTest, CloseHidesToTheTrayWhichASecondStartAndTheTrayUndo)
{
    if (m_trayer.isEmpty())
        GTEST_SKIP() << "trayer is not installed";
    ASSERT_TRUE(StartTray());
    WriteSettings("[General]\nexit_mode=1\n");
    StartProgram();
    ASSERT_TRUE(WaitFor([](const WindowState& s) {
        return s.Field(QStringLiteral("shown")) == QLatin1String("1") && s.Point(QStringLiteral("closebtn")).x() >= 0;
    })) << m_lastLine.toStdString();
    // The tray embeds the icon a moment after the program added it.
    ProbeLine icon;
    ASSERT_TRUE(WaitForProbe(QStringLiteral("tray icon at="), icon));
    ProbeLine later;
    while (WaitForProbe(QStringLiteral("tray icon at="), later, 1000, true))
        icon = later;
    const QPoint tray = icon.Point(QStringLiteral("at"));
    ASSERT_GT(tray.x(), 0);

    // Closed: hidden, only the tray icon is left.
    Click(m_state.Point(QStringLiteral("closebtn")));
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.Field(QStringLiteral("shown")) == QLatin1String("0"); }))
        << m_lastLine.toStdString();
    EXPECT_EQ(m_program.state(), QProcess::Running);

    // A click on the tray icon shows it again.
    Click(tray);
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.Field(QStringLiteral("shown")) == QLatin1String("1"); }))
        << m_lastLine.toStdString();

    // Hidden again, a second start brings it back and ends with 0.
    Click(m_state.Point(QStringLiteral("closebtn")));
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.Field(QStringLiteral("shown")) == QLatin1String("0"); }));
    QProcess second;
    second.setProcessEnvironment(Environment());
    second.start(QStringLiteral(TARVO_PROGRAM_PATH), {});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.Field(QStringLiteral("shown")) == QLatin1String("1"); }))
        << m_lastLine.toStdString();

    // The tray menu's item, which ends the program, is tested on Qt's
    // offscreen platform: under trayer a right click does not open it.
}

TEST_F(ShellE2eXvfbTest, SettingsDialogStoresItsChoicesAndTheCloseButtonFollows)
{
    StartProgram();
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.Point(QStringLiteral("settingsbtn")).x() >= 0; }))
        << m_lastLine.toStdString();
    Click(m_state.Point(QStringLiteral("settingsbtn")));
    ProbeLine dialog;
    ASSERT_TRUE(WaitForProbe(QStringLiteral("dialog SettingDlg open"), dialog)) << m_lastLine.toStdString();
    EXPECT_EQ(dialog.fields["exit"], QStringLiteral("0"));
    EXPECT_EQ(dialog.fields["autorun"], QStringLiteral("0"));
    EXPECT_EQ(dialog.fields["minenabled"], QStringLiteral("0"));
    EXPECT_EQ(dialog.fields["lang"], QStringLiteral("1033"));

    // Hide to the tray, notifications on, start at login.
    Click(dialog.Control(QStringLiteral("47")));
    ASSERT_TRUE(WaitForProbe(QStringLiteral("dialog SettingDlg changed"), dialog));
    EXPECT_EQ(dialog.fields["exit"], QStringLiteral("1"));
    Click(dialog.Control(QStringLiteral("50")));
    ASSERT_TRUE(WaitForProbe(QStringLiteral("dialog SettingDlg changed"), dialog));
    Click(dialog.Control(QStringLiteral("42")));
    ASSERT_TRUE(WaitForProbe(QStringLiteral("dialog SettingDlg changed"), dialog));
    EXPECT_EQ(dialog.fields["autorun"], QStringLiteral("1"));
    EXPECT_EQ(dialog.fields["minenabled"], QStringLiteral("1"));
    const QString settings = ReadSettings();
    EXPECT_TRUE(settings.contains(QLatin1String("exit_mode=1"))) << settings.toStdString();
    EXPECT_TRUE(settings.contains(QLatin1String("desktop_notifications=1"))) << settings.toStdString();
    QFile entry(m_home.path() + QStringLiteral("/config/autostart/Tarvo.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    EXPECT_TRUE(entry.readAll().contains(QByteArray("\nExec=") + TARVO_PROGRAM_PATH + " -autorun\n"));
    if (HaveImport()) {
        EXPECT_FALSE(Capture(QStringLiteral("tarvo-settings-general.png")).isNull());
    }

    // The second page, then closed.
    const QString aboutTab = dialog.fields["tabitem"]; // the last tab item: "1@x,y"
    const QStringList xy = aboutTab.mid(aboutTab.indexOf(QLatin1Char('@')) + 1).split(QLatin1Char(','));
    ASSERT_EQ(xy.size(), 2);
    Click(QPoint(xy[0].toInt(), xy[1].toInt()));
    QThread::msleep(300);
    if (HaveImport()) {
        EXPECT_FALSE(Capture(QStringLiteral("tarvo-settings-about.png")).isNull());
    }
    Click(dialog.Control(QStringLiteral("31")));
    ASSERT_TRUE(WaitForProbe(QStringLiteral("dialog SettingDlg closed"), dialog));

    // Without a tray on this display, exit mode 1 minimises: the program goes on.
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.Point(QStringLiteral("closebtn")).x() >= 0; }));
    Click(m_state.Point(QStringLiteral("closebtn")));
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.Field(QStringLiteral("shown")) == QLatin1String("0"); }))
        << m_lastLine.toStdString();
    EXPECT_EQ(m_program.state(), QProcess::Running);
}

TEST_F(ShellE2eXvfbTest, PairingAReceiverFromTheHomePage)
{
    Sim("plug heron receiver");
    StartProgram();
    ASSERT_TRUE(WaitFor([](const WindowState& s) {
        return s.status == 52 && s.content == QLatin1String("list") && s.Point(QStringLiteral("pairbtn")).x() >= 0;
    })) << m_lastLine.toStdString();
    // The first read, its checks and the layout settled: the button is where
    // the last line says.
    ASSERT_TRUE(WaitForQuietLink());
    Drain();
    Sim("log clear");
    Click(m_state.Point(QStringLiteral("pairbtn")));
    // The question is centred on the screen; its first button says yes.
    QThread::msleep(600);
    Click(QPoint(kScreenWidth / 2 - 215 + 145, kScreenHeight / 2 - 115 + 198));
    ProbeLine dialog;
    const bool opened = WaitForProbe(QStringLiteral("dialog DonglePairDlg open"), dialog);
    if (!opened) {
        for (const QString& line : m_probeLines)
            ADD_FAILURE() << line.toStdString();
    }
    ASSERT_TRUE(opened) << m_lastLine.toStdString();
    ASSERT_TRUE(WaitForMouse("heron receiver", [](const QJsonObject& s) { return s["pairing"].toBool(); }));
    EXPECT_EQ(LoggedReports("out", "061301000009").size(), 1u);
    if (HaveImport()) {
        EXPECT_FALSE(Capture(QStringLiteral("tarvo-pairing.png")).isNull());
    }

    Sim("pair heron");
    ASSERT_TRUE(WaitForProbe(QStringLiteral("dialog DonglePairDlg success"), dialog, 15000));
    EXPECT_EQ(dialog.fields["success"], QStringLiteral("1"));
    if (HaveImport()) {
        EXPECT_FALSE(Capture(QStringLiteral("tarvo-pairing-success.png")).isNull());
    }
    Click(dialog.Control(QStringLiteral("36")));
    ASSERT_TRUE(WaitForProbe(QStringLiteral("dialog DonglePairDlg closed"), dialog));
    // The main worker reads the mouse again: connected through the receiver.
    Sim("log clear");
    ASSERT_TRUE(WaitFor([&](const WindowState& s) { return s.status == 52 && !LoggedReports("out", "06").empty(); }))
        << m_lastLine.toStdString();
}

} // namespace
