// The profiles popup and the profile file in the real program under Xvfb,
// against the simulated mouse, with real clicks and typing: a profile saved to
// a file and read back puts an edited DPI level back in the store and on the
// mouse; a rename in the popup followed by a click elsewhere switches to the
// renamed profile. The desktop's file dialog is answered through the
// program's TARVO_TEST_FILE_DIALOG hook.
#include "ProgramUnderXvfb.h"

#include "store/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

constexpr int kDeviceTab = 2;
constexpr int kDpiTab = 3;
constexpr int kLevels = 103; // the DPI page's level list

QPoint PointField(const WindowState& state, const QString& key)
{
    const QStringList parts = state.Field(key).split(QLatin1Char(','));
    return parts.size() == 2 ? QPoint(parts[0].toInt(), parts[1].toInt()) : QPoint(-1, -1);
}

class ProfilesE2eTest : public ProgramUnderXvfb {
protected:
    void TearDown() override
    {
        ProgramUnderXvfb::TearDown();
        qunsetenv("TARVO_TEST_FILE_DIALOG");
    }

    // The program with a cable Heron Pro, on its DPI page after the first read.
    void OpenDpiPage()
    {
        Sim("plug heron cable");
        StartProgram();
        ASSERT_TRUE(WaitFor([](const WindowState& s) { return s.Item(101).cable == 1; })) << m_lastLine.toStdString();
        ASSERT_TRUE(WaitForQuietLink());
        Click(m_state.Item(101).centre);
        ASSERT_TRUE(WaitFor([](const WindowState& s) {
            return s.view == QLatin1String("device") && s.tab == kDeviceTab;
        })) << m_lastLine.toStdString();
        ASSERT_TRUE(WaitForQuietLink());
        Click(m_state.Tab(kDpiTab));
        ASSERT_TRUE(WaitFor([](const WindowState& s) {
            return s.tab == kDpiTab && s.ListItem(kLevels, 5).x() > 0 && !s.Field(QStringLiteral("dpi.edit")).isEmpty();
        })) << m_lastLine.toStdString();
    }
    QJsonObject MouseState()
    {
        const std::vector<std::string> lines = Sim("state heron");
        return lines.size() == 1 ? QJsonDocument::fromJson(QByteArray::fromStdString(lines[0])).object()
                                 : QJsonObject();
    }
    int MouseDpi(int level) { return MouseState()["dpi"].toArray().at(level).toInt(); }
    bool WaitForMouseDpi(int level, int value)
    {
        for (int i = 0; i < 250; ++i) {
            if (MouseDpi(level) == value)
                return true;
            QThread::msleep(20);
            Drain();
        }
        return false;
    }
    void TypeLevel(int level, const std::string& typed)
    {
        Click(m_state.ListItem(kLevels, level));
        ASSERT_TRUE(WaitFor([&](const WindowState& s) { return s.Field(QStringLiteral("dpi.sel")).toInt() == level; }))
            << m_lastLine.toStdString();
        Click(PointField(m_state, QStringLiteral("dpi.edit")));
        QThread::msleep(50);
        // The click puts the cursor where it lands, inside the old value.
        Key("End");
        for (int i = 0; i < 8; ++i)
            Key("BackSpace");
        Type(typed);
        Key("Return");
    }
    // Clicks the profile button and waits for the popup's entries.
    void OpenPopup()
    {
        ASSERT_TRUE(WaitForQuietLink());
        Click(PointField(m_state, QStringLiteral("profilebtn")));
        ASSERT_TRUE(WaitFor([](const WindowState& s) { return !s.Field(QStringLiteral("pdlg.export")).isEmpty(); }))
            << m_lastLine.toStdString();
    }
    bool WaitForPopupClosed()
    {
        return WaitFor([](const WindowState& s) { return s.Field(QStringLiteral("pdlg.cur")).isEmpty(); });
    }
    // The value as the program's database holds it (read beside the program).
    QString Stored(int profile, const QString& key)
    {
        const QString data = m_home.path() + QStringLiteral("/data/Tarvo Files/");
        SettingsStore store;
        if (!store.OpenForDevice(data, QStringLiteral("heron")))
            return QStringLiteral("<no database>");
        QString value;
        store.GetConfigValue(profile, key, value);
        store.CloseDatabase();
        return value;
    }
};

TEST_F(ProfilesE2eTest, AnExportedProfileImportedAgainRestoresTheMouse)
{
    const QString file = m_home.path() + QStringLiteral("/profile 1.xml");
    qputenv("TARVO_TEST_FILE_DIALOG", file.toUtf8());
    ASSERT_NO_FATAL_FAILURE(OpenDpiPage());
    const int original = MouseDpi(2);
    ASSERT_GT(original, 0);
    ASSERT_EQ(Stored(1, QStringLiteral("dpi_group2_value")), QString::number(original));

    // Export profile 1 from the popup.
    ASSERT_NO_FATAL_FAILURE(OpenPopup());
    EXPECT_EQ(m_state.Field(QStringLiteral("pdlg.cur")), QStringLiteral("1"));
    if (HaveImport()) {
        EXPECT_FALSE(Capture(QStringLiteral("tarvo-profiles-popup.png")).isNull());
    }
    Click(PointField(m_state, QStringLiteral("pdlg.export")));
    ASSERT_TRUE(WaitForPopupClosed()) << m_lastLine.toStdString();
    for (int i = 0; i < 100 && !QFile::exists(file); ++i)
        QThread::msleep(20);
    ASSERT_TRUE(QFile::exists(file));

    // Change level 3 on the DPI page: it reaches the mouse.
    const int changed = original == 4350 ? 6150 : 4350;
    ASSERT_NO_FATAL_FAILURE(TypeLevel(2, std::to_string(changed)));
    ASSERT_TRUE(WaitForMouseDpi(2, changed)) << MouseDpi(2);
    ASSERT_EQ(Stored(1, QStringLiteral("dpi_group2_value")), QString::number(changed));

    // Import the file: the old value is back in the store, on the page and on the mouse.
    ASSERT_NO_FATAL_FAILURE(OpenPopup());
    Sim("log clear");
    Click(PointField(m_state, QStringLiteral("pdlg.import")));
    ASSERT_TRUE(WaitForMouseDpi(2, original)) << MouseDpi(2);
    EXPECT_EQ(Stored(1, QStringLiteral("dpi_group2_value")), QString::number(original));
    EXPECT_TRUE(WaitFor([&](const WindowState& s) {
        return s.Field(QStringLiteral("dpi.values")).split(QLatin1Char('/')).value(2) == QString::number(original);
    })) << m_lastLine.toStdString();
    // The whole profile went out again: the set-DPI report and the button map.
    EXPECT_FALSE(LoggedReports("out", "061305000001").empty());
    EXPECT_FALSE(LoggedReports("out", "0612").empty());
    EXPECT_EQ(m_state.Field(QStringLiteral("profile")), QStringLiteral("1"));
}

TEST_F(ProfilesE2eTest, ARenameThenAClickElsewhereSwitchesToTheRenamedProfile)
{
    ASSERT_NO_FATAL_FAILURE(OpenDpiPage());
    ASSERT_NO_FATAL_FAILURE(OpenPopup());
    // A double click on the fourth profile opens its name for editing.
    const QPoint fourth = PointField(m_state, QStringLiteral("pdlg.item3"));
    Click(fourth);
    Click(fourth);
    ASSERT_TRUE(WaitFor([](const WindowState& s) {
        return s.Field(QStringLiteral("pdlg.editing")) == QLatin1String("1");
    })) << m_lastLine.toStdString();
    for (int i = 0; i < 12; ++i)
        Key("BackSpace");
    Type("Travel");
    // A click on the window's title band, outside the popup.
    Click(WindowRect().topLeft() + QPoint(640, 20));
    ASSERT_TRUE(WaitFor([](const WindowState& s) {
        return s.Field(QStringLiteral("profile")) == QLatin1String("4")
            && QUrl::fromPercentEncoding(s.Field(QStringLiteral("profilename")).toLatin1()) == QLatin1String("Travel");
    })) << m_lastLine.toStdString();
    EXPECT_EQ(Stored(4, QStringLiteral("version")), QStringLiteral("1.0.1"));
    SettingsStore store;
    ASSERT_TRUE(store.OpenForDevice(m_home.path() + QStringLiteral("/data/Tarvo Files/"), QStringLiteral("heron")));
    QString name;
    ASSERT_TRUE(store.GetProfileName(4, name));
    EXPECT_EQ(name, QStringLiteral("Travel"));
    EXPECT_EQ(store.GetActiveProfile(), 4);
}

TEST_F(ProfilesE2eTest, APartlyUsableFileIsImportedAndTheUserToldWhatWasLeftOut)
{
    const QString file = m_home.path() + QStringLiteral("/shared.xml");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<profile><profileinfo name=\"x\"><keyitems>"
        "<item key_code=\"2\" macro_type=\"6\" macro_value=\"1\"/></keyitems>"
        "<Mouse_DPI dpi_flag=\"5\" dpi_index=\"0\" dpi_count=\"6\"><DPI1 value=\"30000\" color=\"255\"/></Mouse_DPI>"
        "</profileinfo></profile>");
    out.close();
    qputenv("TARVO_TEST_FILE_DIALOG", file.toUtf8());
    ASSERT_NO_FATAL_FAILURE(OpenDpiPage());
    ASSERT_NO_FATAL_FAILURE(OpenPopup());
    Click(PointField(m_state, QStringLiteral("pdlg.import")));
    // The store and the mouse have the value as the DPI page would clamp it...
    ASSERT_TRUE(WaitForMouseDpi(0, 26000)) << MouseDpi(0);
    EXPECT_EQ(Stored(1, QStringLiteral("dpi_group0_value")), QStringLiteral("26000"));
    // ...and the notice says what was not used, over the window.
    if (HaveImport()) {
        EXPECT_FALSE(Capture(QStringLiteral("tarvo-import-notice.png")).isNull());
    }
    // Its one button sits centred at the bottom of the 430 x 230 box, which
    // is centred on the screen.
    Click(QPoint(kScreenWidth / 2, (kScreenHeight + 230) / 2 - 32));
    ASSERT_TRUE(WaitForQuietLink());
    Click(PointField(m_state, QStringLiteral("profilebtn")));
    EXPECT_TRUE(WaitFor([](const WindowState& s) { return !s.Field(QStringLiteral("pdlg.export")).isEmpty(); }))
        << "the notice did not close: " << m_lastLine.toStdString();
}

} // namespace
