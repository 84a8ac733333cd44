#include "app/DownloadDlg.h"

#include "app/StateProbe.h"
#include "language/InterfaceText.h"
#include "language/TextIds.h"
#include "update/UpdateService.h"
#include "widgets/MButton.h"
#include "widgets/MProgress.h"
#include "widgets/MText.h"

DownloadDlg::DownloadDlg(std::shared_ptr<DownloadJob> job, QString caption, QString version)
    : m_job(std::move(job))
    , m_caption(std::move(caption))
    , m_version(std::move(version))
{}

DownloadDlg::~DownloadDlg() = default;

int32_t DownloadDlg::Run(WindowHandle parent)
{
    LoadBKImage(QStringLiteral("bk_prompt.png"));
    SetBackMode(1, 30);
    if (!Create(parent, QStringLiteral("DownloadDlg"), kWsDialog, kWsExToolWindow, {0, 0, kWidth, kHeight}))
        return kIdCancel;
    CenterWindow();
    StateProbe::Line(QStringLiteral("dialog DownloadDlg open cancel=%1 caption=%2")
                         .arg(StateProbe::ScreenCentre(GetControl(kCancelId)), m_caption));
    const int32_t result = ShowModal(kSwShowNormal);
    StateProbe::Line(QStringLiteral("dialog DownloadDlg closed result=%1").arg(result));
    return result;
}

void DownloadDlg::OnInitDialog()
{
    MDialog::OnInitDialog();
    SetTopmost(true);
    EnableWndDrag(true);
    SetMTimer(kPollMs);
}

void DownloadDlg::InitUI(const MRect& client)
{
    SetLayeredWindow(true);
    const int32_t w = client.Width();
    const int32_t h = client.Height();
    if (auto* caption = Create<MText>(kCaptionId, {20, 15, w - 20, 45}, m_caption)) {
        caption->SetFontWidth(16);
        caption->SetAlignment(kAlignCenter);
    }
    const QString message = InterfaceText::Get(TextIds::kDownloading) + QStringLiteral(" v") + m_version;
    if (auto* text = Create<MText>(kMessageId, {30, 55, w - 30, 85}, message)) {
        text->SetFontWidth(15);
        text->SetAlignment(kAlignLeft);
        text->SetVAlignment(kVAlignCenter);
        text->SetTextColor(0xFFFFFFFF);
    }
    Create<MProgress>(kProgressId, {30, 90, w - 30, 116});
    if (auto* bytes = Create<MText>(kBytesId, {30, 116, w - 30, 136}, BytesText(0, -1))) {
        bytes->SetFontWidth(13);
        bytes->SetAlignment(kAlignLeft);
        bytes->SetVAlignment(kVAlignCenter);
        bytes->SetTextColor(0xFFB0B0B0);
    }
    if (auto* cancel = Create<MButton>(
            kCancelId, {w / 2 - 60, h - 52, w / 2 + 60, h - 16}, InterfaceText::Get(TextIds::kBoxNo))) {
        cancel->SetImage(QStringLiteral("img_button.png"), 4);
        cancel->SetFontWidth(16);
    }
}

intptr_t DownloadDlg::OnMessage(int32_t id, int32_t code, intptr_t, intptr_t)
{
    if (id != kCancelId || code != kNotifyClick)
        return 0;
    // The worker notices within one read of the transfer; the dialog need
    // not wait for it.
    m_job->transfer.cancel = true;
    DoCancel();
    return 1;
}

void DownloadDlg::OnTimer(int32_t)
{
    Refresh();
}

void DownloadDlg::Refresh()
{
    const int64_t received = m_job->transfer.received;
    const int64_t total = m_job->transfer.total;
    const int32_t percent = total > 0 ? int32_t(std::min<int64_t>(100, received * 100 / total)) : 0;
    if (auto* progress = GetControlAs<MProgress>(kProgressId))
        progress->SetProgress(percent);
    if (auto* bytes = GetControlAs<MText>(kBytesId))
        bytes->SetTitle(BytesText(received, total));
    if (percent != m_lastPercent) {
        m_lastPercent = percent;
        StateProbe::Line(QStringLiteral("dialog DownloadDlg progress=%1").arg(percent));
    }
    if (m_job->state == DownloadJob::kFinished)
        DoOK();
}

QString DownloadDlg::BytesText(int64_t received, int64_t total)
{
    auto size = [](int64_t bytes) {
        if (bytes >= 1024 * 1024)
            return QStringLiteral("%1 MB").arg(double(bytes) / (1024.0 * 1024.0), 0, 'f', 1);
        return QStringLiteral("%1 KB").arg((bytes + 1023) / 1024);
    };
    if (total <= 0)
        return size(received);
    return size(received) + QStringLiteral(" / ") + size(total);
}
