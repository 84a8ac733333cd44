#include "AppTestSupport.h"

#include "app/CUIMessageBox.h"
#include "language/TextIds.h"
#include "app/WaitDlg.h"
#include "language/InterfaceText.h"
#include "language/Language.h"
#include "store/ProfileLoader.h"
#include "widgets/CGifPicture.h"
#include "widgets/MControlFont.h"
#include "widgets/MButton.h"
#include "widgets/WindowRegistry.h"

#include <QGuiApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSet>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <gtest/gtest.h>

namespace {

QString ButtonText(MDialog& box, int32_t id)
{
    auto* button = box.GetControlAs<MButton>(id);
    return button ? button->GetTitle() : QStringLiteral("<none>");
}

// Runs `check` on the box once its window exists, then ends it as `end` says.
int32_t ShowBox(int32_t style, const std::function<void(CUIMessageBox&)>& check,
    const std::function<void(CUIMessageBox&)>& end, WindowHandle parent = 0)
{
    CUIMessageBox::SetCreatedHook([&](CUIMessageBox& box) {
        check(box);
        const WindowHandle handle = box.GetSafeHwnd();
        QTimer::singleShot(0, [handle, &end] {
            if (auto* window = dynamic_cast<CUIMessageBox*>(MWindow::FromHandle(handle)))
                end(*window);
        });
    });
    const int32_t result = CUIMessageBox::Show(QStringLiteral("Message"), parent, QStringLiteral("Caption"), style);
    CUIMessageBox::SetCreatedHook({});
    return result;
}

void ClickButton(CUIMessageBox& box, int32_t id)
{
    MControl* button = box.GetControl(id);
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
}

TEST(MessageBoxTest, StylesAndTheirButtons)
{
    const struct {
        int32_t style;
        int32_t buttons;
    } cases[] = {{0, 1}, {4, 2}, {1, 0}, {3, 0}, {-1, 0}, {0x30, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "style " << c.style);
        int32_t count = -1;
        ShowBox(c.style, [&](CUIMessageBox& box) {
            count = int32_t(box.GetControls(CUIMessageBox::kFirstButtonId).size() + box.GetControls(CUIMessageBox::kSecondButtonId).size());
            EXPECT_EQ(box.GetTitle(), QStringLiteral("MessageBox"));
            EXPECT_EQ(dynamic_cast<MControlFont*>(box.GetControl(CUIMessageBox::kCaptionId))->GetTitle(), QStringLiteral("Caption"));
            EXPECT_EQ(dynamic_cast<MControlFont*>(box.GetControl(CUIMessageBox::kMessageId))->GetTitle(), QStringLiteral("Message"));
            EXPECT_EQ(box.GetClientRect(), (MRect{0, 0, 430, 230}));
        }, [](CUIMessageBox& box) { box.OnWindowMessage(kWmClose, kIdCancel, 0); });
        EXPECT_EQ(count, c.buttons);
    }
}

TEST(MessageBoxTest, ButtonTextsAndPlaces)
{
    ShowBox(0, [](CUIMessageBox& box) {
        EXPECT_EQ(ButtonText(box, CUIMessageBox::kFirstButtonId), InterfaceText::Get(TextIds::kBoxOk));
        EXPECT_EQ(box.GetControl(CUIMessageBox::kFirstButtonId)->GetRect(), (MRect{60, 180, 370, 216}));
    }, [](CUIMessageBox& box) { box.DoOK(); });
    ShowBox(4, [](CUIMessageBox& box) {
        EXPECT_EQ(ButtonText(box, CUIMessageBox::kFirstButtonId), InterfaceText::Get(TextIds::kBoxYes));
        EXPECT_EQ(ButtonText(box, CUIMessageBox::kSecondButtonId), InterfaceText::Get(TextIds::kBoxNo));
        EXPECT_EQ(box.GetControl(CUIMessageBox::kFirstButtonId)->GetRect(), (MRect{95, 180, 195, 216}));
        EXPECT_EQ(box.GetControl(CUIMessageBox::kSecondButtonId)->GetRect(), (MRect{235, 180, 335, 216}));
    }, [](CUIMessageBox& box) { box.DoOK(); });
}

TEST(MessageBoxTest, ResultsOfEveryWayOut)
{
    const auto none = [](CUIMessageBox&) {};
    EXPECT_EQ(ShowBox(0, none, [](CUIMessageBox& b) { ClickButton(b, CUIMessageBox::kFirstButtonId); }), 1);
    EXPECT_EQ(ShowBox(4, none, [](CUIMessageBox& b) { ClickButton(b, CUIMessageBox::kFirstButtonId); }), 1);
    EXPECT_EQ(ShowBox(4, none, [](CUIMessageBox& b) { ClickButton(b, CUIMessageBox::kSecondButtonId); }), 2);
    // Closed from outside with the cancel result, as transient windows are.
    EXPECT_EQ(ShowBox(4, none, [](CUIMessageBox& b) { PostMessage(b.GetSafeHwnd(), kWmClose, 2, 0); }), 2);
    EXPECT_EQ(ShowBox(7, none, [](CUIMessageBox&) { PostMessage(FindWindow(QStringLiteral("MWindow"), QStringLiteral("MessageBox")), kWmClose, 2, 0); }), 2);
    // A close without a result, or with an odd one, is a refusal too.
    EXPECT_EQ(ShowBox(0, none, [](CUIMessageBox& b) { PostMessage(b.GetSafeHwnd(), kWmClose, 0, 0); }), 2);
    EXPECT_EQ(ShowBox(0, none, [](CUIMessageBox& b) { PostMessage(b.GetSafeHwnd(), kWmClose, 9, 0); }), 2);
    // Notifications other than a click do nothing.
    EXPECT_EQ(ShowBox(4, none, [](CUIMessageBox& b) {
        EXPECT_EQ(b.OnMessage(CUIMessageBox::kFirstButtonId, kNotifyEditCommit, 0, 0), 0);
        EXPECT_EQ(b.OnMessage(CUIMessageBox::kMessageId, kNotifyClick, 0, 0), 0);
        EXPECT_TRUE(b.IsModalRunning());
        b.DoCancel();
    }), 2);
}

TEST(MessageBoxTest, TopmostAndCentredOnTheScreenWhateverTheParent)
{
    MDialog parent;
    parent.Create(0, QStringLiteral("Parent"), kWsDialog, 0, {10, 10, 410, 310});
    parent.ShowWindow(kSwShow);
    ProcessEvents();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    ShowBox(0, [&](CUIMessageBox& box) {
        QWidget* widget = box.GetWidget();
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(widget->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_LE((box.GetWindowRect().ToQRect().center() - screen.center()).manhattanLength(), 2);
    }, [](CUIMessageBox& box) { box.DoOK(); }, parent.GetSafeHwnd());
    parent.DestroyWindow();
}

TEST(WaitDlgTest, EndedFromAnotherThread)
{
    MDialog parent;
    parent.Create(0, QStringLiteral("Parent"), kWsDialog, 0, {100, 100, 900, 700});
    parent.ShowWindow(kSwShow);
    ProcessEvents();
    WaitDlg wait;
    std::atomic<bool> ended{false};
    std::thread worker;
    QRect geometry;
    bool animating = false;
    bool topmost = false;
    QTimer::singleShot(0, [&] {
        geometry = wait.GetWindowRect().ToQRect();
        auto* gif = wait.GetControlAs<CGifPicture>(WaitDlg::kAnimationId);
        animating = gif && gif->IsRunning() && gif->GetFrameCount() > 1 && gif->GetMTimerInterval() > 0;
        topmost = wait.GetWidget() && wait.GetWidget()->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        worker = std::thread([&] {
            while (!wait.EndFromAnyThread())
                std::this_thread::yield();
            ended = true;
        });
    });
    EXPECT_EQ(wait.Run(parent.GetSafeHwnd()), kIdOk);
    worker.join();
    EXPECT_TRUE(ended);
    EXPECT_EQ(geometry.size(), QSize(102, 102));
    EXPECT_EQ(geometry.center(), parent.GetWindowRect().ToQRect().center());
    EXPECT_TRUE(animating);
    EXPECT_TRUE(topmost);
    // Once closed, ending it again finds nothing.
    EXPECT_FALSE(wait.EndFromAnyThread());
    parent.DestroyWindow();
}

TEST(WaitDlgTest, ClosedAsATransientWindow)
{
    WaitDlg wait;
    QTimer::singleShot(0, [] { PostMessage(FindWindow(QStringLiteral("MWindow"), QStringLiteral("WaitDlg")), kWmClose, 2, 0); });
    EXPECT_EQ(wait.Run(0), kIdCancel);
    EXPECT_EQ(FindWindow(QStringLiteral("MWindow"), QStringLiteral("WaitDlg")), 0u);
}

class RestoreFactoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_services.m_store->OpenForDevice(m_services.m_dir.path() + QLatin1Char('/'), QStringLiteral("heron")));
        ProfileLoader::LoadProfiles(*m_services.m_store);
        KeyAssignment key;
        key.profile = 1;
        key.key_code = 3;
        key.macro_type = 2;
        key.macro_value = 4;
        ASSERT_NE(m_services.m_store->SetKeyAssignment(key), 0);
        ASSERT_TRUE(m_services.m_store->SetConfigValue(1, QStringLiteral("report_rate"), QStringLiteral("0")));
    }
    int KeyRows()
    {
        std::vector<KeyAssignment> keys;
        return m_services.m_store->ListKeyAssignments(1, keys);
    }
    QString ReportRate()
    {
        QString value;
        m_services.m_store->GetConfigValue(1, QStringLiteral("report_rate"), value);
        return value;
    }
    AppFixtureServices m_services;
};

TEST_F(RestoreFactoryTest, ResetsTheProfileQueuesTask21AndWaitsForTheWorker)
{
    TestMainDlg dlg(*m_services.m_hid, *m_services.m_store, TestMainDlg::WorkerPasses::On);
    dlg.Open();
    dlg.SetReachable(true, 0);
    BoxAnswerer answerer(kIdOk);
    EXPECT_EQ(dlg.OnMessage(251, kNotifyClick, 0, 0), 1);
    // Back here only after the worker ended the wait dialog.
    ASSERT_EQ(answerer.m_shown.size(), 1u);
    EXPECT_EQ(answerer.m_shown[0].message, InterfaceText::Get(TextIds::kRestoreQuestion));
    EXPECT_EQ(answerer.m_shown[0].caption, InterfaceText::Get(TextIds::kRestoreCaption));
    EXPECT_EQ(answerer.m_shown[0].style, CUIMessageBox::kStyleYesNo);
    EXPECT_EQ(KeyRows(), 0);
    EXPECT_EQ(ReportRate(), QStringLiteral("2"));
    EXPECT_FALSE(dlg.HasWaitDialog());
    EXPECT_EQ(FindWindow(QStringLiteral("MWindow"), QStringLiteral("WaitDlg")), 0u);
    EXPECT_FALSE(dlg.Worker().IsLoaded());
}

TEST_F(RestoreFactoryTest, RefusedOrUnreachableChangesNothing)
{
    TestMainDlg dlg(*m_services.m_hid, *m_services.m_store);
    dlg.Open();
    {
        BoxAnswerer answerer(kIdOk);
        dlg.RestoreFactorySettings();
        ASSERT_EQ(answerer.m_shown.size(), 1u);
        EXPECT_EQ(answerer.m_shown[0].message, InterfaceText::Get(TextIds::kMouseOffline));
        EXPECT_EQ(answerer.m_shown[0].caption, InterfaceText::Get(TextIds::kNotice));
    }
    dlg.SetReachable(true, 1);
    {
        BoxAnswerer answerer(kIdCancel);
        dlg.RestoreFactorySettings();
        ASSERT_EQ(answerer.m_shown.size(), 1u);
        EXPECT_EQ(answerer.m_shown[0].style, CUIMessageBox::kStyleYesNo);
    }
    EXPECT_EQ(KeyRows(), 1);
    EXPECT_EQ(ReportRate(), QStringLiteral("0"));
    EXPECT_EQ(dlg.Worker().Tasks().Snapshot(), std::vector<int32_t>{TaskCode(WorkerTask::ReadMouse)});
}

TEST_F(RestoreFactoryTest, ClosingTransientWindowsEndsTheWait)
{
    // The worker never ends this wait; the registry's closing of transient windows does.
    TestMainDlg dlg(*m_services.m_hid, *m_services.m_store);
    dlg.Open();
    dlg.SetReachable(true, 0);
    BoxAnswerer answerer(kIdOk);
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (dlg.HasWaitDialog() && FindWindow(QStringLiteral("MWindow"), QStringLiteral("WaitDlg"))) {
            poll.stop();
            dlg.EndWaitDialog();
        }
    });
    poll.start();
    dlg.RestoreFactorySettings();
    EXPECT_FALSE(dlg.HasWaitDialog());
    EXPECT_EQ(dlg.Worker().Tasks().Snapshot(), (std::vector<int32_t>{TaskCode(WorkerTask::ReadMouse), TaskCode(WorkerTask::FactoryReset)}));
}

} // namespace

namespace {

// The two-button box as drawn offscreen (docs/tarvo-message-box.png is a copy).
TEST(MessageBoxRenderTest, TheQuestionDrawsItsTextsAndButtons)
{
    QImage image;
    ShowBox(4, [](CUIMessageBox&) {}, [&](CUIMessageBox& box) {
        image = box.GetWidget()->grab().toImage();
        box.DoCancel();
    });
    ASSERT_EQ(image.size(), QSize(430, 230));
    // Each button face differs from the plain background beside it.
    auto distinct = [&](const QRect& area) {
        QSet<QRgb> colours;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                colours.insert(image.pixel(x, y));
        return colours.size();
    };
    EXPECT_GT(distinct(QRect(95, 180, 100, 36)), 10);
    EXPECT_GT(distinct(QRect(235, 180, 100, 36)), 10);
    EXPECT_GT(distinct(QRect(20, 50, 390, 130)), 10); // the message
    image.save(QStringLiteral(TARVO_BINARY_DIR "/tarvo-message-box.png"));
}

} // namespace

namespace {

// The store's two notices with the longest file names they name, in both
// languages: the wrapped text fits the message area of the box
// (docs/tarvo-store-notice-en.png and -zh.png are copies).
TEST(MessageBoxRenderTest, TheStoreNoticesFitTheBox)
{
    const StoreProblem notices[] = {
        {StoreProblem::Kind::WriteFailed, QStringLiteral("/home/u/.local/share/Tarvo Files/db/egretv2_3311_datav3.db"), {}},
        {StoreProblem::Kind::SetAside,
            QStringLiteral("/home/u/.local/share/Tarvo Files/db/egretv2_3311_datav3.db.corrupt-20261209T174302Z-12"), {}},
    };
    for (const int lcid : {1033, 2052}) {
        Language::SetCurrent(lcid);
        QImage sheet(430, 2 * 230, QImage::Format_ARGB32);
        int row = 0;
        for (const auto& notice : notices) {
            const QString message = DeviceMainDlg::StoreNoticeText(notice);
            ASSERT_TRUE(message.contains(QStringLiteral("egretv2_3311_datav3.")));
            QImage image;
            CUIMessageBox::SetCreatedHook([&](CUIMessageBox& box) {
                auto* text = box.GetControlAs<MControlFont>(CUIMessageBox::kMessageId);
                ASSERT_NE(text, nullptr);
                const QRect area = text->rect();
                const QRect needed = QFontMetrics(text->GetFont())
                                         .boundingRect(area, int(Qt::AlignCenter | Qt::TextWordWrap), message);
                EXPECT_LE(needed.height(), area.height()) << lcid << " " << int(notice.kind);
                EXPECT_LE(needed.width(), area.width()) << lcid << " " << int(notice.kind);
                const WindowHandle handle = box.GetSafeHwnd();
                QTimer::singleShot(0, [handle, &image] {
                    if (auto* window = dynamic_cast<CUIMessageBox*>(MWindow::FromHandle(handle))) {
                        image = window->GetWidget()->grab().toImage();
                        window->DoOK();
                    }
                });
            });
            CUIMessageBox::Show(message, 0, InterfaceText::Get(TextIds::kNotice), CUIMessageBox::kStyleOk);
            CUIMessageBox::SetCreatedHook({});
            ASSERT_EQ(image.size(), QSize(430, 230));
            QPainter(&sheet).drawImage(0, 230 * row++, image);
        }
        sheet.save(QStringLiteral(TARVO_BINARY_DIR "/tarvo-store-notice-%1.png").arg(lcid == 1033 ? "en" : "zh"));
    }
    Language::SetCurrent(1033);
}

} // namespace
