// The profiles popup driven with real gestures on Qt's offscreen platform:
// what each one stores, and which profile messages reach the main window.
#include "AppTestSupport.h"

#include "app/AppMessages.h"
#include "app/ProfileDlg.h"
#include "store/ProfileLoader.h"
#include "widgets/DListBox.h"
#include "widgets/MButton.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

namespace {

using Posted = std::pair<uintptr_t, intptr_t>;

// Stands in for the main window: records the profile messages posted to it.
class MessageRecorder : public MDialog {
public:
    intptr_t OnWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override
    {
        if (message == AppMessages::kProfileAction) {
            m_posted.emplace_back(wParam, lParam);
            return 0;
        }
        return MDialog::OnWindowMessage(message, wParam, lParam);
    }
    intptr_t OnMessage(int32_t, int32_t, intptr_t, intptr_t) override { return 0; }
    std::vector<Posted> m_posted;
};

class ProfileDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(
            m_services.m_store->OpenForDevice(m_services.m_dir.path() + QStringLiteral("/"), QStringLiteral("heron")));
        ProfileLoader::LoadProfiles(*m_services.m_store);
        ASSERT_NE(m_owner.Create(0, QStringLiteral("Owner"), kWsDialog, 0, {100, 100, 900, 700}), 0u);
        m_owner.ShowWindow(kSwShow);
        ProcessEvents();
    }
    void TearDown() override
    {
        m_owner.DestroyWindow();
        ProcessEvents();
    }

    // Opens the popup with `profile` current, runs `gestures` inside its
    // loop, and returns once it has closed and its messages were delivered.
    void Run(int32_t profile, std::function<void(ProfileDlg&)> gestures)
    {
        ProfileDlg dialog(*m_services.m_store);
        dialog.SetTarget(m_owner.GetSafeHwnd());
        dialog.SetProfile(profile);
        dialog.SetChangedHook([this] { ++m_changes; });
        QTimer::singleShot(0, [&dialog, &gestures] { gestures(dialog); });
        // A watchdog: a popup that never closes fails the test, not the run.
        // It goes with the popup: a timer left behind would fire into a later
        // test with this popup long gone.
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&dialog] {
            ADD_FAILURE() << "the popup did not close";
            dialog.DoCancel();
        });
        watchdog.start(10000);
        dialog.Run(m_owner.GetSafeHwnd(), ProfileDlg::PopupRect({700, 640, 880, 676}));
        m_lastEdited = dialog.IsEdited();
        ProcessEvents();
    }
    static QPoint ItemCentre(ProfileDlg& dialog, int index) { return dialog.List()->GetItemRect(index).center(); }
    static void Click(QWidget* widget, const QPoint& at)
    {
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at);
    }
    static void ClickButton(ProfileDlg& dialog, int32_t id)
    {
        MControl* button = dialog.GetControl(id);
        ASSERT_NE(button, nullptr);
        Click(button, button->rect().center());
    }
    // A double click opens the in-place editor on the item; `typed` replaces
    // its text, and Enter commits it when asked.
    static void Rename(ProfileDlg& dialog, int index, const QString& typed, bool commit)
    {
        DListBox* list = dialog.List();
        QTest::mouseDClick(list, Qt::LeftButton, Qt::NoModifier, ItemCentre(dialog, index));
        auto* editor = list->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClicks(editor, typed);
        if (commit)
            QTest::keyClick(editor, Qt::Key_Return);
    }
    // Qt closes a popup on a press outside it, wherever the press lands.
    static void ClickOutside(ProfileDlg& dialog) { Click(dialog.GetWidget(), QPoint(-40, 60)); }
    QString Name(int32_t profile)
    {
        QString name;
        m_services.m_store->GetProfileName(profile, name);
        return name;
    }

    AppFixtureServices m_services;
    MessageRecorder m_owner;
    int m_changes = 0;
    bool m_lastEdited = false;
};

TEST_F(ProfileDlgTest, OpensAboveTheButtonWithTheActiveProfileCurrent)
{
    Run(2, [this](ProfileDlg& dialog) {
        EXPECT_EQ(dialog.GetWindowRect(), (MRect{700, 640 - 5 - 205, 880, 635}));
        DListBox* list = dialog.List();
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->GetItemCount(), 4);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(list->GetItemData(i), i + 1);
            EXPECT_EQ(list->GetItemText(i), QStringLiteral("Profile %1").arg(i + 1));
        }
        EXPECT_EQ(list->GetCurData(), 2);
        EXPECT_TRUE(dialog.ProbeState().startsWith(QStringLiteral("pdlg.cur=2 pdlg.item0=")));
        QTest::keyClick(dialog.GetWidget(), Qt::Key_Escape);
    });
    EXPECT_GE(m_changes, 1); // the state line was asked for once it was open
    EXPECT_TRUE(m_owner.m_posted.empty());
}

TEST_F(ProfileDlgTest, AClickSwitchesToTheProfile)
{
    Run(1, [](ProfileDlg& dialog) { Click(dialog.List(), ItemCentre(dialog, 2)); });
    EXPECT_EQ(m_owner.m_posted, (std::vector<Posted>{{AppMessages::kProfileChosen, 3}}));
}

TEST_F(ProfileDlgTest, RenamingThenClickingOutsideStoresTheNameAndSwitches)
{
    Run(1, [](ProfileDlg& dialog) {
        Rename(dialog, 3, QStringLiteral("Work & \"play\""), false);
        // Still typing when the click lands: the click commits the name.
        ClickOutside(dialog);
    });
    EXPECT_TRUE(m_lastEdited);
    EXPECT_EQ(Name(4), QStringLiteral("Work & \"play\""));
    EXPECT_EQ(m_owner.m_posted, (std::vector<Posted>{{AppMessages::kProfileChosen, 4}}));
    EXPECT_EQ(Name(1), QStringLiteral("Profile 1"));
}

TEST_F(ProfileDlgTest, AnEmptyNameIsNotStored)
{
    Run(2, [](ProfileDlg& dialog) {
        Rename(dialog, 0, QString(), true);
        EXPECT_EQ(dialog.List()->GetItemText(0), QStringLiteral("Profile 1")); // shown again
        ClickOutside(dialog);
    });
    EXPECT_FALSE(m_lastEdited);
    EXPECT_EQ(Name(1), QStringLiteral("Profile 1"));
    EXPECT_TRUE(m_owner.m_posted.empty());
}

TEST_F(ProfileDlgTest, TheButtonsAskForImportAndExport)
{
    // Without a rename: only the export, of the current entry.
    Run(3, [](ProfileDlg& dialog) { ClickButton(dialog, ProfileDlg::kExportButton); });
    EXPECT_EQ(m_owner.m_posted, (std::vector<Posted>{{AppMessages::kProfileExport, 3}}));
    m_owner.m_posted.clear();

    // After a rename the current entry becomes active first, then the import.
    Run(3, [](ProfileDlg& dialog) {
        Rename(dialog, 1, QStringLiteral("Games"), true);
        ClickButton(dialog, ProfileDlg::kImportButton);
    });
    EXPECT_EQ(Name(2), QStringLiteral("Games"));
    EXPECT_EQ(
        m_owner.m_posted, (std::vector<Posted>{{AppMessages::kProfileChosen, 2}, {AppMessages::kProfileImport, 2}}));
}

TEST_F(ProfileDlgTest, TheFirstClickOfADoubleClickDoesNotSwitch)
{
    Run(1, [](ProfileDlg& dialog) {
        Rename(dialog, 2, QStringLiteral("Three"), false);
        // Past the double-click time the popup is still open, editing.
        QTest::qWait(QApplication::doubleClickInterval() + 200);
        EXPECT_TRUE(dialog.List()->IsEditing());
        EXPECT_TRUE(dialog.ProbeState().contains(QStringLiteral("pdlg.editing=1")));
        QTest::keyClick(dialog.List()->findChild<QLineEdit*>(), Qt::Key_Return);
        ClickButton(dialog, ProfileDlg::kExportButton);
    });
    EXPECT_EQ(Name(3), QStringLiteral("Three"));
    EXPECT_EQ(
        m_owner.m_posted, (std::vector<Posted>{{AppMessages::kProfileChosen, 3}, {AppMessages::kProfileExport, 3}}));
}

} // namespace
