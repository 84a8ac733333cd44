#include "WidgetTestSupport.h"

#include "widgets/MArea.h"
#include "widgets/MText.h"
#include "widgets/WindowRegistry.h"

#include <QCoreApplication>
#include <QWidget>
#include <gtest/gtest.h>
#include <thread>

namespace {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureApplication(); }
};

struct ModalCase {
    const char* name;
    std::function<void(MWindow&)> end;
    int32_t expected;
};

TEST_F(WindowTest, ShowModalReturnsTheEndingResult)
{
    const ModalCase cases[] = {
        {"DoOK", [](MWindow& w) { w.DoOK(); }, kIdOk},
        {"DoCancel", [](MWindow& w) { w.DoCancel(); }, kIdCancel},
        {"close with the cancel result", [](MWindow& w) { PostMessage(w.GetSafeHwnd(), kWmClose, kIdCancel, 0); }, kIdCancel},
        {"close without a result", [](MWindow& w) { PostMessage(w.GetSafeHwnd(), kWmClose, 0, 0); }, kIdCancel},
        {"close with the OK result", [](MWindow& w) { PostMessage(w.GetSafeHwnd(), kWmClose, kIdOk, 0); }, kIdOk},
        {"EndModal(7)", [](MWindow& w) { w.EndModal(7); }, 7},
        {"destroyed", [](MWindow& w) { w.DestroyWindow(); }, kIdCancel},
    };
    for (const ModalCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingDialog dialog;
        const WindowHandle handle = dialog.Create(0, QStringLiteral("ModalDlg"), kWsDialog, 0, {0, 0, 300, 200});
        ASSERT_NE(handle, 0u);
        WindowRegistry::PostCall(handle, [&] { c.end(dialog); });
        EXPECT_EQ(dialog.ShowModal(kSwShow), c.expected);
        EXPECT_EQ(dialog.GetSafeHwnd(), 0u);
        EXPECT_EQ(FindWindow(QStringLiteral("MWindow"), QStringLiteral("ModalDlg")), 0u);
    }
}

TEST_F(WindowTest, EndingBeforeTheLoopReturnsAtOnce)
{
    RecordingDialog dialog;
    dialog.Create(0, QStringLiteral("Early"), kWsDialog, 0, {0, 0, 100, 100});
    dialog.DoOK();
    EXPECT_EQ(dialog.ShowModal(kSwShow), kIdOk);
}

TEST_F(WindowTest, ShowModalWithoutAWindowFails)
{
    RecordingDialog dialog;
    EXPECT_EQ(dialog.ShowModal(kSwShow), -1);
}

TEST_F(WindowTest, NestedModalLoopsReturnTheirOwnResults)
{
    RecordingDialog outer;
    outer.Create(0, QStringLiteral("Outer"), kWsDialog, 0, {0, 0, 300, 200});
    int32_t innerResult = 0;
    WindowRegistry::PostCall(outer.GetSafeHwnd(), [&] {
        RecordingDialog inner;
        inner.Create(outer.GetSafeHwnd(), QStringLiteral("Inner"), kWsDialog, kWsExToolWindow, {0, 0, 100, 100});
        WindowRegistry::PostCall(inner.GetSafeHwnd(), [&] { inner.DoCancel(); });
        innerResult = inner.ShowModal(kSwShow);
        outer.DoOK();
    });
    EXPECT_EQ(outer.ShowModal(kSwShow), kIdOk);
    EXPECT_EQ(innerResult, kIdCancel);
}

TEST_F(WindowTest, DeletingADialogInsideItsOwnLoopEndsTheLoopSafely)
{
    auto* dialog = new RecordingDialog;
    dialog->Create(0, QStringLiteral("Doomed"), kWsDialog, 0, {0, 0, 100, 100});
    WindowRegistry::PostCall(dialog->GetSafeHwnd(), [dialog] { delete dialog; });
    EXPECT_EQ(dialog->ShowModal(kSwShow), kIdCancel);
    ProcessEvents();
    EXPECT_EQ(FindWindow(QStringLiteral("MWindow"), QStringLiteral("Doomed")), 0u);
}

TEST_F(WindowTest, MessagesPostedFromAnotherThreadArriveInOrder)
{
    RecordingDialog dialog;
    const WindowHandle handle = dialog.Create(0, QStringLiteral("Worker target"), kWsDialog, 0, {0, 0, 100, 100});
    constexpr int kCount = 2000;
    std::thread worker([handle] {
        for (int i = 0; i < kCount; ++i)
            PostMessage(handle, kWmUser + 1, uintptr_t(i), -i);
        PostMessage(handle, kWmClose, kIdOk, 0);
    });
    const int32_t result = dialog.ShowModal(kSwHide);
    worker.join();
    EXPECT_EQ(result, kIdOk);
    ASSERT_EQ(dialog.m_posted.size(), size_t(kCount));
    for (int i = 0; i < kCount; ++i)
        ASSERT_EQ(dialog.m_posted[size_t(i)], (Posted{kWmUser + 1, uintptr_t(i), -i})) << i;
}

TEST_F(WindowTest, TwoThreadsPostingKeepEachThreadsOrder)
{
    RecordingDialog dialog;
    const WindowHandle handle = dialog.Create(0, QStringLiteral("Two workers"), kWsDialog, 0, {0, 0, 100, 100});
    constexpr int kCount = 500;
    auto post = [handle](uint32_t message) {
        for (int i = 0; i < kCount; ++i)
            PostMessage(handle, message, uintptr_t(i), 0);
    };
    std::thread a(post, kWmUser + 1);
    std::thread b(post, kWmUser + 2);
    a.join();
    b.join();
    PostMessage(handle, kWmClose, kIdOk, 0);
    dialog.ShowModal(kSwHide);
    ASSERT_EQ(dialog.m_posted.size(), size_t(2 * kCount));
    uintptr_t next[2] = {0, 0};
    for (const Posted& p : dialog.m_posted) {
        const int which = int(p.message - kWmUser - 1);
        ASSERT_EQ(p.wParam, next[which]);
        ++next[which];
    }
}

TEST_F(WindowTest, PostingToAClosedWindowFailsAndDeliversNothing)
{
    WindowHandle handle = 0;
    {
        RecordingDialog dialog;
        handle = dialog.Create(0, QStringLiteral("Gone"), kWsDialog, 0, {0, 0, 100, 100});
        EXPECT_TRUE(PostMessage(handle, kWmUser, 0, 0));
        dialog.DestroyWindow();
        EXPECT_FALSE(PostMessage(handle, kWmUser, 0, 0));
        ProcessEvents();
        EXPECT_TRUE(dialog.m_posted.empty()); // the queued one went with the window
    }
    EXPECT_FALSE(PostMessage(handle, kWmUser, 0, 0));
    EXPECT_FALSE(PostMessage(0, kWmUser, 0, 0));
    EXPECT_EQ(MWindow::FromHandle(handle), nullptr);
}

TEST_F(WindowTest, FindWindowByClassAndTitle)
{
    RecordingDialog box;
    RecordingDialog wait;
    const WindowHandle boxHandle = box.Create(0, QStringLiteral("MessageBox"), kWsDialog, kWsExToolWindow, {0, 0, 430, 230});
    const WindowHandle waitHandle = wait.Create(0, QStringLiteral("WaitDlg"), kWsDialog, kWsExToolWindow, {0, 0, 102, 102});
    EXPECT_EQ(FindWindow(QStringLiteral("MWindow"), QStringLiteral("MessageBox")), boxHandle);
    EXPECT_EQ(FindWindow(QStringLiteral("MWindow"), QStringLiteral("WaitDlg")), waitHandle);
    EXPECT_EQ(FindWindow(QStringLiteral("MWindow"), QStringLiteral("ComboWnd")), 0u);
    EXPECT_EQ(FindWindow(QStringLiteral("Other"), QStringLiteral("WaitDlg")), 0u);
    EXPECT_EQ(MWindow::FromHandle(waitHandle), &wait);
    wait.SetTitle(QStringLiteral("Renamed"));
    EXPECT_EQ(FindWindow(QStringLiteral("MWindow"), QStringLiteral("WaitDlg")), 0u);
    EXPECT_EQ(FindWindow(QStringLiteral("MWindow"), QStringLiteral("Renamed")), waitHandle);

    // What closing transient windows does: the box closes with the cancel result.
    WindowRegistry::PostCall(boxHandle, [] {
        PostMessage(FindWindow(QStringLiteral("MWindow"), QStringLiteral("MessageBox")), kWmClose, kIdCancel, 0);
    });
    EXPECT_EQ(box.ShowModal(kSwShow), kIdCancel);
    EXPECT_EQ(FindWindow(QStringLiteral("MWindow"), QStringLiteral("MessageBox")), 0u);
}

TEST_F(WindowTest, StylesGeometryAndInitOrder)
{
    struct Dlg : RecordingDialog {
        std::vector<QString> calls;
        void OnCreate() override { calls.push_back(QStringLiteral("OnCreate")); }
        void OnInitDialog() override
        {
            calls.push_back(QStringLiteral("OnInitDialog"));
            MDialog::OnInitDialog();
            // controls exist once the base initialisation returns
            calls.push_back(GetControl(31) ? QStringLiteral("has 31") : QStringLiteral("no 31"));
        }
        void InitUI(const MRect& client) override
        {
            calls.push_back(QStringLiteral("InitUI %1x%2").arg(client.Width()).arg(client.Height()));
            CreateControl(QStringLiteral("MText"), 31, {20, 15, client.right - 20, 45}, QStringLiteral("Caption"));
        }
        void UISize(const MRect& client) override { calls.push_back(QStringLiteral("UISize %1").arg(client.Width())); }
    } dialog;
    dialog.Create(0, QStringLiteral("Order"), kWsDialog, kWsExToolWindow | kWsExTopmost, {10, 20, 440, 250});
    const std::vector<QString> expected = {QStringLiteral("OnCreate"), QStringLiteral("OnInitDialog"),
        QStringLiteral("InitUI 430x230"), QStringLiteral("UISize 430"), QStringLiteral("has 31")};
    EXPECT_EQ(dialog.calls, expected);
    EXPECT_TRUE(dialog.GetWidget()->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(dialog.GetWidget()->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(dialog.GetClientRect(), (MRect{0, 0, 430, 230}));
    EXPECT_EQ(dialog.GetControl(31)->GetRect(), (MRect{20, 15, 410, 45}));
    EXPECT_EQ(dialog.GetControl(99), nullptr);
    dialog.CenterWindow();
    EXPECT_EQ(dialog.GetWindowRect().Width(), 430);
    EXPECT_EQ(dialog.ClientToScreen(QPoint(5, 6)), QPoint(dialog.GetWindowRect().left + 5, dialog.GetWindowRect().top + 6));
}

TEST_F(WindowTest, ControlsInsideAnAreaKeepWindowCoordinatesAndHideWithIt)
{
    RecordingDialog dialog;
    dialog.Open();
    MArea* page = dialog.CreateArea(QStringLiteral("MTabLayout"), 50, {200, 75, 780, 580});
    ASSERT_NE(page, nullptr);
    MControl* label = dialog.CreateControl(QStringLiteral("MText"), 51, {220, 100, 400, 130}, QStringLiteral("x"), page);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->GetRect(), (MRect{220, 100, 400, 130}));
    EXPECT_EQ(label->pos(), QPoint(20, 25));
    page->SetVisible(false);
    EXPECT_FALSE(label->isVisible());
    EXPECT_EQ(dialog.CreateArea(QStringLiteral("MButton"), 52, {0, 0, 10, 10}), nullptr); // not an area
    EXPECT_EQ(dialog.GetControl(52), nullptr);
    EXPECT_EQ(dialog.CreateControl(QStringLiteral("NoSuchControl"), 53, {0, 0, 10, 10}), nullptr);
}

TEST_F(WindowTest, CreatingTwiceFails)
{
    RecordingDialog dialog;
    EXPECT_NE(dialog.Create(0, QStringLiteral("Once"), kWsDialog, 0, {0, 0, 10, 10}), 0u);
    EXPECT_EQ(dialog.Create(0, QStringLiteral("Twice"), kWsDialog, 0, {0, 0, 10, 10}), 0u);
}

} // namespace
