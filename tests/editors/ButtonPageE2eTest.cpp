// The button and text pages in the real program under Xvfb with the simulated
// firmware: assignments made with real clicks and keys reach the mouse's
// button map, and what a pressed button asks of the computer happens on the
// desktop (a snippet pasted into another window, the clipboard put back; an
// address that is no web address opens nothing).
#include "ProgramUnderXvfb.h"

#include "store/SettingsStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QThread>

#include <algorithm>

namespace {

constexpr int kButtonsTab = 2;
constexpr int kTextTab = 8;
constexpr int kTypeList = 69;
constexpr int kApply = 75;
constexpr int kKeyField = 77;
constexpr int kCtrlBox = 78;
constexpr int kSave = 171;
// Positions in the type list.
constexpr int kKeyboardItem = 2;
constexpr int kSnippetItem = 9;

// The four map bytes of `button` as the firmware holds them, in hex.
std::string MapEntry(const QJsonObject& state, int button)
{
    return state["button_map"].toString().mid(8 * button, 8).toStdString();
}

// The paste target: a window of its own on the same display.
class PasteTarget {
public:
    bool Start(const QProcessEnvironment& environment)
    {
        m_process.setProcessEnvironment(environment);
        m_process.start(QStringLiteral(TARVO_PASTE_TARGET_PATH), {});
        return m_process.waitForStarted(5000) && WaitForLine("ready");
    }
    ~PasteTarget()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.closeWriteChannel();
            if (!m_process.waitForFinished(3000))
                m_process.kill();
            m_process.waitForFinished(2000);
        }
    }
    void Send(const std::string& command)
    {
        m_process.write(QByteArray::fromStdString(command + "\n"));
        m_process.waitForBytesWritten(1000);
    }
    // Waits for an output line equal to `line` (or, with a trailing '*',
    // starting with it); the lines read before it are kept in m_lines.
    bool WaitForLine(const std::string& line, int ms = 10000)
    {
        const bool prefix = !line.empty() && line.back() == '*';
        const std::string wanted = prefix ? line.substr(0, line.size() - 1) : line;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) {
            m_buffer += m_process.readAllStandardOutput();
            qsizetype end;
            while ((end = m_buffer.indexOf('\n')) >= 0) {
                const std::string got = m_buffer.left(end).toStdString();
                m_buffer.remove(0, end + 1);
                m_lines.push_back(got);
                if (prefix ? got.rfind(wanted, 0) == 0 : got == wanted)
                    return true;
            }
            m_process.waitForReadyRead(50);
        }
        return false;
    }
    std::vector<std::string> m_lines;

private:
    QProcess m_process;
    QByteArray m_buffer;
};

class ButtonPageE2eTest : public ProgramUnderXvfb {
protected:
    // Starts the program with a Heron Pro plugged by cable and opens its
    // button page, once the first read is over.
    void OpenButtonPage()
    {
        Sim("plug heron cable");
        StartProgram();
        ASSERT_TRUE(WaitFor([&](const WindowState& s) { return s.Item(101).cable == 1; })) << m_lastLine.toStdString();
        ASSERT_TRUE(WaitForQuietLink());
        Click(m_state.Item(101).centre);
        ASSERT_TRUE(WaitFor([](const WindowState& s) {
            return s.view == QLatin1String("device") && s.tab == kButtonsTab && s.status == 51
                && s.Point(QStringLiteral("buttons.marker7")).x() > 0;
        })) << m_lastLine.toStdString();
        ASSERT_TRUE(WaitForQuietLink());
    }
    // Makes `button` (its marker's index on the Heron Pro) current and picks
    // the function type at `typeItem` in the type list.
    void ChooseButtonAndType(int button, int typeItem)
    {
        Click(m_state.Point(QStringLiteral("buttons.marker%1").arg(button)));
        ASSERT_TRUE(WaitFor([&](const WindowState& s) {
            return s.Field(QStringLiteral("buttons.cur")).toInt() == button;
        })) << m_lastLine.toStdString();
        Click(m_state.ListItem(kTypeList, typeItem));
        ASSERT_TRUE(WaitFor([&](const WindowState& s) {
            return s.ListItem(kTypeList, typeItem).x() > 0 && s.Control(kApply).x() > 0
                && s.Field(QStringLiteral("buttons.type")).toInt() != 1;
        })) << m_lastLine.toStdString();
    }
};

TEST_F(ButtonPageE2eTest, KeysAssignedWithClicksAndACapturedKeyReachTheButtonMap)
{
    OpenButtonPage();
    if (HaveImport()) {
        EXPECT_FALSE(Capture(QStringLiteral("tarvo-button-page.png")).isNull());
    }

    // Button 3, Left Ctrl alone: the Ctrl box and no key.
    ChooseButtonAndType(3, kKeyboardItem);
    Click(m_state.Control(kCtrlBox));
    Click(m_state.Control(kApply));
    ASSERT_TRUE(WaitForMouse("heron", [](const QJsonObject& s) { return MapEntry(s, 3) == "20010000"; }))
        << MouseState("heron")["button_map"].toString().toStdString();

    // Button 4, Ctrl + A: the key captured from the keyboard, its character
    // never typed into the field.
    ChooseButtonAndType(4, kKeyboardItem);
    Click(m_state.Control(kCtrlBox));
    Click(m_state.Control(kKeyField));
    QThread::msleep(100);
    Key("a");
    ASSERT_TRUE(WaitFor([](const WindowState& s) {
        return s.Field(QStringLiteral("buttons.key")).toInt() == 65
            && s.Field(QStringLiteral("buttons.field")) == QLatin1String("A");
    })) << m_lastLine.toStdString();
    if (HaveImport()) {
        EXPECT_FALSE(Capture(QStringLiteral("tarvo-button-page-key.png")).isNull());
    }
    Click(m_state.Control(kApply));
    ASSERT_TRUE(WaitForMouse("heron", [](const QJsonObject& s) { return MapEntry(s, 4) == "20010400"; }))
        << MouseState("heron")["button_map"].toString().toStdString();
    EXPECT_EQ(MapEntry(MouseState("heron"), 3), "20010000");
}

TEST_F(ButtonPageE2eTest, ASnippetButtonPastesIntoTheFocusedWindowAndPutsTheClipboardBack)
{
    PasteTarget target;
    ASSERT_TRUE(target.Start(Environment()));
    target.Send("clip before the paste");
    ASSERT_TRUE(target.WaitForLine("clip-set"));

    OpenButtonPage();
    // The first snippet gets a text of our own.
    Click(m_state.Tab(kTextTab));
    ASSERT_TRUE(WaitFor([](const WindowState& s) {
        return s.tab == kTextTab && s.Field(QStringLiteral("text.count")).toInt() == 2
            && s.Point(QStringLiteral("text.edit")).x() > 0;
    })) << m_lastLine.toStdString();
    if (HaveImport()) {
        EXPECT_FALSE(Capture(QStringLiteral("tarvo-text-page.png")).isNull());
    }
    Click(m_state.Point(QStringLiteral("text.edit")));
    QThread::msleep(100);
    KeyWith("Control_L", "a");
    Type("Hello from Tarvo");
    Click(m_state.Control(kSave));
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.Field(QStringLiteral("text.len")).toInt() == 16; }))
        << m_lastLine.toStdString();

    // Button 5 types it.
    Click(m_state.Tab(kButtonsTab));
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.tab == kButtonsTab; }));
    ChooseButtonAndType(5, kSnippetItem);
    Click(m_state.Control(kApply));
    ASSERT_TRUE(WaitForMouse("heron", [](const QJsonObject& s) { return MapEntry(s, 5).rfind("500b", 0) == 0; }))
        << MouseState("heron")["button_map"].toString().toStdString();
    ASSERT_TRUE(WaitForQuietLink());

    target.Send("focus");
    ASSERT_TRUE(target.WaitForLine("focused"));
    const std::vector<std::string> pressed = Sim("press heron 5");
    ASSERT_EQ(pressed.size(), 1u);
    EXPECT_EQ(pressed[0].rfind("button 5: 500b", 0), 0u) << pressed[0];
    ASSERT_TRUE(target.WaitForLine("text=Hello from Tarvo")) << testing::PrintToString(target.m_lines);

    // The clipboard holds what it held before, once the paste is over.
    bool restored = false;
    for (int i = 0; i < 50 && !restored; ++i) {
        target.Send("read");
        ASSERT_TRUE(target.WaitForLine("clipboard=*"));
        restored = target.m_lines.back() == "clipboard=before the paste";
        if (!restored)
            QThread::msleep(100);
    }
    EXPECT_TRUE(restored) << target.m_lines.back();
}

TEST_F(ButtonPageE2eTest, OnlyWebAddressesReachTheDesktopsOpener)
{
    // The desktop's URL opener, standing in: it writes down what it is given.
    const QString bin = m_home.path() + QStringLiteral("/bin");
    const QString opened = m_home.path() + QStringLiteral("/opened.txt");
    ASSERT_TRUE(QDir().mkpath(bin));
    QFile opener(bin + QStringLiteral("/xdg-open"));
    ASSERT_TRUE(opener.open(QIODevice::WriteOnly));
    opener.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" >> '%1'\n").arg(opened).toUtf8());
    opener.close();
    opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.toLocal8Bit() + ":" + path);
    Sim("plug heron cable");
    StartProgram();
    qputenv("PATH", path);
    ASSERT_TRUE(WaitFor([&](const WindowState& s) { return s.Item(101).cable == 1; })) << m_lastLine.toStdString();
    ASSERT_TRUE(WaitForQuietLink());

    // Rows as an older program or an imported profile may have left them.
    SettingsStore store;
    ASSERT_TRUE(store.OpenForDevice(m_home.path() + QStringLiteral("/data/Tarvo Files/"), QStringLiteral("heron")));
    const int script = store.AddKeyOtherData(QStringLiteral("javascript:alert(1)"), {}, 10);
    const int file = store.AddKeyOtherData(QStringLiteral("file:///etc/passwd"), {}, 10);
    const int web = store.AddKeyOtherData(QStringLiteral("example.com"), {}, 10);
    store.CloseDatabase();
    ASSERT_GT(script, 0);
    for (int id : {script, file, web})
        Sim("text heron 10 " + std::to_string(id));

    // The requests are carried out in order: once the last has reached the
    // opener, the others would have too.
    QStringList lines;
    for (int i = 0; i < 200 && lines.isEmpty(); ++i) {
        QThread::msleep(25);
        QFile log(opened);
        if (log.open(QIODevice::ReadOnly))
            lines = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    QThread::msleep(300);
    QFile log(opened);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    lines = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(lines, QStringList{QStringLiteral("https://www.example.com")});
}

} // namespace
