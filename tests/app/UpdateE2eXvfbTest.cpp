// Firmware updates through the real program under Xvfb: a local HTTPS server
// with its own CA offers newer firmware; the simulated mouse or receiver is
// read, the user says yes, the download shows its progress, the stand-in
// flashing tool flashes the simulator, and the device is read again with its
// new version. Writes tarvo-update-question.png, tarvo-update-download.png and
// tarvo-update-upgrade.png into the build folder (docs/ holds copies).
#include "ProgramUnderXvfb.h"
#include "UpdateServer.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <map>

namespace {

const QString kHeronFolder = QStringLiteral("firmware-upgrade/tarvo/heron/release/");

// The English texts, read as the program reads them.
QString EnglishText(int id)
{
    static const std::map<int, QString> texts = [] {
        std::map<int, QString> map;
        QFile file(QStringLiteral(TARVO_SOURCE_DIR "/resources/language/1033.lan"));
        if (!file.open(QIODevice::ReadOnly))
            return map;
        for (const QByteArray& raw : file.readAll().split('\n')) {
            const QString line = QString::fromUtf8(raw).trimmed();
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            bool number = false;
            const int key = line.left(eq).toInt(&number);
            if (eq > 0 && number)
                map[key] = line.mid(eq + 1).trimmed();
        }
        return map;
    }();
    const auto it = texts.find(id);
    return it == texts.end() ? QString() : it->second;
}

QByteArray RandomBytes(int size)
{
    QByteArray bytes(size, '\0');
    QRandomGenerator(11).fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

// A message box as the probe printed it.
struct BoxLine {
    QPoint first;
    QPoint second;
    QString caption;
    QString text;
};

class UpdateE2eXvfbTest : public ProgramUnderXvfb {
protected:
    void SetUp() override
    {
        ProgramUnderXvfb::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        const TestCertificates* certificates = TestCertificates::Get();
        if (!certificates)
            GTEST_SKIP() << "openssl is not installed";
        m_ca = certificates->caFile;
        ASSERT_TRUE(m_served.isValid() && m_folder.isValid());
        // The build's program folder, with the flashing tool's stand-in.
        for (const char* name : {"config.xml", "device", "language", "skins"})
            QFile::link(
                QStringLiteral(TARVO_BINARY_DIR "/") + QLatin1String(name), m_folder.filePath(QLatin1String(name)));
        QDir().mkpath(m_folder.filePath(QStringLiteral("BurnTool")));
        QFile::link(QStringLiteral(TARVO_BURNTOOL_PATH), m_folder.filePath(QStringLiteral("BurnTool/BurnTool")));
    }
    void Serve(const QString& path, const QByteArray& bytes)
    {
        ASSERT_TRUE(WriteServedFile(m_served.path(), path, bytes));
    }
    void StartUpdatingProgram(int32_t rate, int32_t toolStepMs)
    {
        ASSERT_TRUE(m_server.Start(m_served.path(), ServerCert::Good, UpdateServer::Mode::Serve, rate));
        QProcessEnvironment env = Environment();
        env.insert(QStringLiteral("TARVO_PROGRAM_DIR"), m_folder.path());
        env.insert(QStringLiteral("TARVO_UPDATE_BASE"), m_server.Base());
        env.insert(QStringLiteral("TARVO_UPDATE_CA"), m_ca);
        env.insert(QStringLiteral("TARVO_BURNTOOL_STEP_MS"), QString::number(toolStepMs));
        m_program.setProcessEnvironment(env);
        m_program.setProcessChannelMode(QProcess::SeparateChannels);
        m_program.start(QStringLiteral(TARVO_PROGRAM_PATH), {});
        ASSERT_TRUE(m_program.waitForStarted(5000));
    }
    // Waits for a probe line that `match` accepts (searching from the first
    // line not yet taken); returns it, or an empty text after `ms`.
    QString WaitForLine(const std::function<bool(const QString&)>& match, int ms = 20000)
    {
        QString found;
        WaitFor(
            [&](const WindowState&) {
                for (; m_taken < m_probeLines.size(); ++m_taken) {
                    if (match(m_probeLines[m_taken])) {
                        found = m_probeLines[m_taken++];
                        return true;
                    }
                }
                return false;
            },
            ms);
        return found;
    }
    BoxLine WaitForBox(const QString& caption, int ms = 20000)
    {
        static const QRegularExpression kBox(
            QStringLiteral("^box first=(-?\\d+),(-?\\d+) second=(\\S+) caption=(.*) text=(.*)$"));
        BoxLine box;
        const QString line = WaitForLine(
            [&](const QString& l) {
                const QRegularExpressionMatch m = kBox.match(l);
                return m.hasMatch() && m.captured(4) == caption;
            },
            ms);
        const QRegularExpressionMatch m = kBox.match(line);
        if (!m.hasMatch())
            return box;
        box.first = QPoint(m.captured(1).toInt(), m.captured(2).toInt());
        box.caption = m.captured(4);
        box.text = m.captured(5);
        return box;
    }
    // Waits for "dialog <name> progress=N" with N in [low, high]; -1 after ms.
    int WaitForProgress(const char* dialog, int low, int high, int ms = 20000)
    {
        const QString prefix = QStringLiteral("dialog %1 progress=").arg(QLatin1String(dialog));
        const QString line = WaitForLine(
            [&](const QString& l) {
                if (!l.startsWith(prefix))
                    return false;
                const int value = l.mid(prefix.size()).toInt();
                return value >= low && value <= high;
            },
            ms);
        return line.isEmpty() ? -1 : line.mid(prefix.size()).toInt();
    }
    // A click on a box's button once the box is on the screen (the X server
    // maps windows on its own time).
    void ClickButton(const QPoint& point)
    {
        QThread::msleep(300);
        Click(point);
    }
    // A screenshot around the centred dialogs, saved as `name`.
    void CaptureDialog(const QString& name)
    {
        if (!HaveImport())
            return;
        const QImage window = Capture(name);
        ASSERT_FALSE(window.isNull());
        // The dialogs are centred on the screen, and so on the centred window.
        const QRect around(window.width() / 2 - 380, window.height() / 2 - 190, 760, 380);
        EXPECT_TRUE(window.copy(around).save(QStringLiteral(TARVO_BINARY_DIR "/") + name));
    }

    std::string ProbeLines() const
    {
        std::string all;
        for (const QString& line : m_probeLines)
            all += line.toStdString() + "\n";
        return all;
    }

    QString m_ca;
    QTemporaryDir m_served;
    QTemporaryDir m_folder;
    UpdateServer m_server;
    size_t m_taken = 0;
};

TEST_F(UpdateE2eXvfbTest, TheCableMouseGetsItsNewFirmware)
{
    Sim("plug heron cable");
    Serve(kHeronFolder + QStringLiteral("mouse_version"), "1.2.4\n");
    Serve(kHeronFolder + QStringLiteral("mouse_1.2.4_fota.zip"),
        ZipBuilder().Add("mouse_1.2.4_fota.fwpkg", RandomBytes(320 * 1024)).Bytes());
    StartUpdatingProgram(96 * 1024, 250);

    // Read at 1.2.3, offered 1.2.4: the question.
    const BoxLine question = WaitForBox(EnglishText(551));
    ASSERT_FALSE(question.text.isEmpty()) << m_lastLine.toStdString();
    EXPECT_EQ(question.text, EnglishText(582) + QStringLiteral(":v1.2.4, ") + EnglishText(583));
    CaptureDialog(QStringLiteral("tarvo-update-question.png"));
    ClickButton(question.first);

    // The download shows its progress.
    const int downloading = WaitForProgress("DownloadDlg", 15, 85);
    EXPECT_GE(downloading, 15) << "no progress seen";
    CaptureDialog(QStringLiteral("tarvo-update-download.png"));

    // Before the flash: the warning, then the upgrade dialog with the tool's progress.
    const BoxLine warning = WaitForBox(EnglishText(587));
    ASSERT_EQ(warning.text, EnglishText(596)) << ProbeLines();
    ClickButton(warning.first);
    EXPECT_GE(WaitForProgress("UpgradeDlg", 30, 90), 30);
    CaptureDialog(QStringLiteral("tarvo-update-upgrade.png"));
    EXPECT_FALSE(WaitForLine([](const QString& l) {
        return l == QLatin1String("dialog UpgradeDlg closed outcome=0");
    }).isEmpty());

    // Read again: the list shows the new version, online by cable.
    ASSERT_TRUE(WaitFor(
        [](const WindowState& s) { return s.Item(101).version.contains(QStringLiteral("1.2.4")) && s.status == 51; },
        20000))
        << m_lastLine.toStdString() << "\n"
        << ProbeLines();
    const std::vector<std::string> state = Sim("state heron cable");
    ASSERT_EQ(state.size(), 1u);
    EXPECT_NE(state[0].find("\"mouse_version\":\"1.2.4\""), std::string::npos) << state[0];
}

TEST_F(UpdateE2eXvfbTest, TheReceiverGetsItsNewFirmware)
{
    Sim("plug heron receiver");
    Serve(kHeronFolder + QStringLiteral("dongle_version"), "1.0.6");
    Serve(kHeronFolder + QStringLiteral("dongle_1.0.6_fota.zip"),
        ZipBuilder().Add("dongle_1.0.6_fota.fwpkg", RandomBytes(32 * 1024)).Bytes());
    StartUpdatingProgram(0, 20);
    const BoxLine question = WaitForBox(EnglishText(552));
    ASSERT_EQ(question.text, EnglishText(582) + QStringLiteral(":v1.0.6, ") + EnglishText(583));
    ClickButton(question.first);
    const BoxLine warning = WaitForBox(EnglishText(587));
    ASSERT_EQ(warning.text, EnglishText(596)) << ProbeLines();
    ClickButton(warning.first);
    ASSERT_TRUE(WaitFor(
        [](const WindowState& s) { return s.Item(101).version.contains(QStringLiteral("1.0.6")) && s.status == 52; },
        20000))
        << m_lastLine.toStdString() << "\n"
        << ProbeLines();
    const std::vector<std::string> state = Sim("state heron receiver");
    ASSERT_EQ(state.size(), 1u);
    EXPECT_NE(state[0].find("\"receiver_version\":\"1.0.6\""), std::string::npos) << state[0];
}

TEST_F(UpdateE2eXvfbTest, NoDeviceInUpdateModeShowsTheFailure)
{
    Sim("plug heron cable");
    Sim("fault heron cable nodfu");
    Serve(kHeronFolder + QStringLiteral("mouse_version"), "1.2.4");
    Serve(kHeronFolder + QStringLiteral("mouse_1.2.4_fota.zip"),
        ZipBuilder().Add("mouse_1.2.4_fota.fwpkg", RandomBytes(32 * 1024)).Bytes());
    StartUpdatingProgram(0, 20);
    ClickButton(WaitForBox(EnglishText(551)).first);
    const BoxLine warning = WaitForBox(EnglishText(587));
    ASSERT_EQ(warning.text, EnglishText(596)) << ProbeLines();
    ClickButton(warning.first);
    // The tool said "No DFU capable USB": the failure, never the success text.
    const BoxLine failure = WaitForBox(EnglishText(587));
    EXPECT_EQ(failure.text, EnglishText(613));
    ClickButton(failure.first);
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.status == 51; })) << m_lastLine.toStdString();
    EXPECT_TRUE(m_state.Item(101).version.contains(QStringLiteral("1.2.3"))) << m_lastLine.toStdString();
}

} // namespace
