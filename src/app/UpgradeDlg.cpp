#include "app/UpgradeDlg.h"

#include "app/StateProbe.h"
#include "language/InterfaceText.h"
#include "language/TextIds.h"
#include "widgets/MProgress.h"
#include "widgets/MText.h"
#include "widgets/WindowRegistry.h"

UpgradeDlg::UpgradeDlg(FlashCommand command, QString programFolder, FlashLimits limits)
    : m_command(std::move(command))
    , m_programFolder(std::move(programFolder))
    , m_runner(*this, limits)
{}

UpgradeDlg::~UpgradeDlg()
{
    // Only when the window went away some other way than the worker's end:
    // the tool is ended rather than waited for.
    m_handle = 0;
    m_runner.Abort();
    StopAndJoin();
}

int32_t UpgradeDlg::Run(WindowHandle parent)
{
    LoadBKImage(QStringLiteral("bk_prompt.png"));
    SetBackMode(1, 30);
    if (!Create(parent, QStringLiteral("UpgradeDlg"), kWsDialog, kWsExToolWindow, {0, 0, kWidth, kHeight}))
        return kIdCancel;
    CenterWindow();
    StateProbe::Line(QStringLiteral("dialog UpgradeDlg open"));
    const int32_t result = ShowModal(kSwShow);
    m_handle = 0;
    StateProbe::Line(QStringLiteral("dialog UpgradeDlg closed outcome=%1").arg(int(Result().outcome)));
    return result;
}

FlashResult UpgradeDlg::Result() const
{
    std::lock_guard lock(m_resultMutex);
    return m_result;
}

void UpgradeDlg::OnInitDialog()
{
    MDialog::OnInitDialog();
    SetTopmost(true);
    m_handle = GetSafeHwnd();
    m_tasks.Append(kRunTask);
    Start(kWorkerIntervalMs, Mode::Once);
}

void UpgradeDlg::InitUI(const MRect& client)
{
    SetLayeredWindow(true);
    const int32_t w = client.Width();
    const int32_t h = client.Height();
    if (auto* text = Create<MText>(kTextId, {30, 20, w - 30, 80})) {
        text->SetFontWidth(16);
        text->SetVAlignment(kVAlignCenter);
        text->SetAlignment(kAlignCenter);
        text->SetTextColor(0xFFFFFFFF);
    }
    // Below the text, not over it: the tool's lines stay readable while the bar moves.
    if (auto* progress = Create<MProgress>(kProgressId, {30, h - 55, w - 30, h - 25}))
        progress->SetVisible(false);
}

void UpgradeDlg::PostToDialog(std::function<void()> call)
{
    const WindowHandle handle = m_handle;
    if (!handle)
        return;
    WindowRegistry::PostCall(handle, [this, handle, call = std::move(call)] {
        if (MWindow::FromHandle(handle) == this)
            call();
    });
}

void UpgradeDlg::PostText(const QString& text)
{
    PostToDialog([this, text] {
        if (auto* control = GetControlAs<MText>(kTextId))
            control->SetTitle(text);
        StateProbe::Line(QStringLiteral("dialog UpgradeDlg text=") + text);
    });
}

void UpgradeDlg::Run()
{
    const int32_t task = m_tasks.TakeFirst();
    PostToDialog([this] {
        if (MControl* progress = GetControl(kProgressId))
            progress->SetVisible(true);
    });
    if (task == kRunTask) {
        m_runner.system_hide(m_command, m_programFolder);
        const FlashResult result = m_runner.Result();
        {
            std::lock_guard lock(m_resultMutex);
            m_result = result;
        }
        if (!result.Succeeded() && result.outcome != FlashOutcome::StartFailed)
            PostText(InterfaceText::Get(TextIds::kFlashFailed));
    }
    PostToDialog([this] { DoOK(); });
}

void UpgradeDlg::OnToolStartFailed(int32_t errorNumber)
{
    PostText(QStringLiteral("%1 %2").arg(InterfaceText::Get(TextIds::kUpgradeError)).arg(errorNumber));
}

void UpgradeDlg::OnToolStarted()
{
    PostText(InterfaceText::Get(TextIds::kFlashRunning));
}

void UpgradeDlg::OnToolText(const QString& text)
{
    PostText(text.trimmed());
}

void UpgradeDlg::OnToolProgress(int32_t percent)
{
    PostToDialog([this, percent] {
        if (auto* progress = GetControlAs<MProgress>(kProgressId))
            progress->SetProgress(percent);
        StateProbe::Line(QStringLiteral("dialog UpgradeDlg progress=%1").arg(percent));
    });
}

void UpgradeDlg::OnToolEndMarker(bool success)
{
    PostText(InterfaceText::Get(success ? TextIds::kFlashFinished : TextIds::kFlashFailed));
}
