// The macro page in the real program under Xvfb, driven with real clicks and
// keys, against the simulated firmware: a macro edited on the page reaches the
// mouse as the macro image the firmware reassembles from the 0x31 pieces.
#include "ProgramUnderXvfb.h"
#include "XTestInput.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <string>

namespace {

constexpr int kDeviceTab = 2;
constexpr int kMacroTab = 4;
constexpr int kNewMacro = 120;
constexpr int kEventList = 131;
// The menu's first row starts 4 pixels below where it opened, 30 high.
const QPoint kFirstMenuRow(40, 19);
const QPoint kSecondMenuRow(40, 49);

class MacroPageE2eTest : public ProgramUnderXvfb {
protected:
    // Starts the program with a cable Heron Pro, opens its view and the macro
    // page, and waits until the first read is over.
    void OpenMacroPage()
    {
        Sim("plug heron cable");
        StartProgram();
        ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.Item(101).cable == 1; })) << m_lastLine.toStdString();
        ASSERT_TRUE(WaitForQuietLink());
        Click(m_state.Item(101).centre);
        ASSERT_TRUE(WaitFor([](const WindowState& s) {
            return s.view == QLatin1String("device") && s.tab == kDeviceTab && s.status == 51;
        })) << m_lastLine.toStdString();
        ASSERT_TRUE(WaitForQuietLink());
        Click(m_state.Tab(kMacroTab));
        ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.tab == kMacroTab && s.Control(kNewMacro).x() > 0; }))
            << m_lastLine.toStdString();
    }
    void RightClick(const QPoint& at)
    {
        const std::string display = m_xvfb.Display().toStdString();
        ASSERT_TRUE(XTestMove(display.c_str(), at.x(), at.y()));
        const XTestStep click[] = {
            {XTestStep::Kind::ButtonDown, nullptr, 3, 0}, {XTestStep::Kind::ButtonUp, nullptr, 3, 20}};
        ASSERT_TRUE(XTestSequence(display.c_str(), click, 2));
    }
    // The event list's menu, opened on an empty part of the list.
    void EventMenu(const QPoint& row)
    {
        const QPoint at = m_state.Control(kEventList) + QPoint(0, 100);
        RightClick(at);
        QThread::msleep(300);
        Click(at + row);
    }
    QString MacroImage()
    {
        const std::vector<std::string> lines = Sim("state heron");
        if (lines.size() != 1)
            return {};
        return QJsonDocument::fromJson(QByteArray::fromStdString(lines[0]))
            .object()[QStringLiteral("macro_image")]
            .toString();
    }
    bool WaitForImage(const QString& expected)
    {
        for (int i = 0; i < 200; ++i) {
            if (MacroImage() == expected)
                return true;
            QThread::msleep(20);
            Drain();
        }
        return false;
    }
};

TEST_F(MacroPageE2eTest, AnEditedMacroReachesTheMouseAsItsImage)
{
    OpenMacroPage();
    Click(m_state.Control(kNewMacro));
    ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.Field(QStringLiteral("macro.id")).toInt() > 0; }))
        << m_lastLine.toStdString();
    EventMenu(kFirstMenuRow); // a press and release of A
    ASSERT_TRUE(WaitFor([](const WindowState& s) {
        return s.Field(QStringLiteral("macro.count")) == QLatin1String("2");
    })) << m_lastLine.toStdString();
    EventMenu(kSecondMenuRow); // a left click, at the end
    ASSERT_TRUE(WaitFor([](const WindowState& s) {
        return s.Field(QStringLiteral("macro.events")) == QLatin1String("2:65:10/3:65:10/4:1:10/5:1:10");
    })) << m_lastLine.toStdString();

    // Directory: the macro's records at 64. Records (delay low, high, kind,
    // code): A pressed (usage 4) and released, left button pressed and
    // released, each after 10 ms; the end record, then four zero bytes.
    QString expected = QStringLiteral("4000") + QString(124, QLatin1Char('0'));
    expected += QStringLiteral("0a004204") + QStringLiteral("0a000204") + QStringLiteral("0a004301")
        + QStringLiteral("0a000301") + QStringLiteral("0a008301") + QStringLiteral("00000000");
    EXPECT_TRUE(WaitForImage(expected)) << MacroImage().toStdString();

    if (HaveImport()) {
        EXPECT_FALSE(Capture(QStringLiteral("tarvo-macro-page.png")).isNull());
    }
}

} // namespace
