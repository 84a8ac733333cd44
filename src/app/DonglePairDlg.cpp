#include "app/DonglePairDlg.h"

#include "app/StateProbe.h"
#include "hid/HidDeviceList.h"
#include "language/InterfaceText.h"
#include "language/TextIds.h"
#include "platform/DeviceChangeSource.h"
#include "widgets/CGifPicture.h"
#include "widgets/CImageButton.h"
#include "widgets/MArea.h"
#include "widgets/MButton.h"
#include "widgets/MText.h"
#include "widgets/WindowRegistry.h"

#include <QThread>
#include <QTimer>

namespace {

// Texts only this dialog shows.
constexpr int kTextHeading = 702;
constexpr int kTextSuccess = 705;
constexpr int kTextStep1 = 706;
constexpr int kTextStep2 = 707;
constexpr int kTextStep3 = 708;
constexpr int kTextNote = 709;

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kDim = 0xFFB4BCC8;

QString Text(int id)
{
    return InterfaceText::Get(id);
}

void SetTitleOf(MControl* control, const QString& text)
{
    if (auto* font = dynamic_cast<MControlFont*>(control))
        font->SetTitle(text);
}

} // namespace

DonglePairDlg::DonglePairDlg(HidDeviceList& hid, Timings timings)
    : m_hid(hid)
    , m_timings(timings)
    , m_pairing(
          hid, [this] { OnSuccess(); }, ReceiverPairing::Timings{timings.settleMs})
{
    LoadBKImage(QStringLiteral("main_bkg.png"));
    SetBackMode(int32_t(ShowMode::Stretch), 0);
}

DonglePairDlg::~DonglePairDlg()
{
    m_pairing.Interrupt();
    StopAndJoin();
}

bool DonglePairDlg::Open(WindowHandle parent)
{
    if (!Create(parent, QStringLiteral("DonglePairDlg"), kWsDialog, 0, {0, 0, kWidth, kHeight}))
        return false;
    CenterWindow();
    return true;
}

int32_t DonglePairDlg::Run(WindowHandle parent)
{
    if (!Open(parent))
        return kIdCancel;
    QMetaObject::invokeMethod(
        GetWidget(), [this] { WriteProbeLine(QStringLiteral("open")); }, Qt::QueuedConnection);
    const int32_t result = ShowModal(kSwShow);
    StateProbe::Line(QStringLiteral("dialog DonglePairDlg closed"));
    return result;
}

void DonglePairDlg::OnInitDialog()
{
    MDialog::OnInitDialog();
    m_handle = GetSafeHwnd();
    // Arrivals and removals of HID interfaces while the dialog is open.
    m_source = std::make_unique<DeviceChangeSource>([this](const DeviceChange& change) {
        m_pairing.OnDeviceChange(change.event == DeviceChangeEvent::Arrival, change.path);
    });
    m_source->Start(m_hid.OpenMonitorDescriptor());
    m_pairing.Queue(WorkerTask::StartPairing);
    Start(m_timings.intervalMs, Mode::Looping);
    EnableWndDrag(false);
}

void DonglePairDlg::InitUI(const MRect& client)
{
    const int32_t w = client.Width();
    const int32_t h = client.Height();
    if (MArea* band = CreateArea(QStringLiteral("MPicture"), kTopBand, {0, 0, w, 50}))
        band->SetImage(QStringLiteral("img_caption.png"));
    auto label = [this](int32_t id, const MRect& rect, int textId, int32_t size, int32_t align, uint32_t color,
                     MArea* parent) {
        auto* text = dynamic_cast<MText*>(CreateControl(QStringLiteral("MText"), id, rect, Text(textId), parent));
        if (text) {
            text->SetFontWidth(size);
            text->SetAlignment(align);
            text->SetVAlignment(kVAlignCenter);
            text->SetTextColor(color);
        }
    };
    label(kHeading, {w / 2 - 100, 0, w / 2 + 100, 50}, kTextHeading, 16, kAlignCenter, kWhite, nullptr);
    if (auto* close = dynamic_cast<CImageButton*>(
            CreateControl(QStringLiteral("CImageButton"), kCloseButton, {w - 38, 10, w - 8, 40}))) {
        close->SetImage(QStringLiteral("sysbtn_close.png"), 4);
        close->SetTooltip(Text(TextIds::kTipClose));
    }
    const MRect panelRect{w / 2 - 400, h / 2 - 200, w / 2 + 400, h / 2 + 200};
    MArea* panel = CreateArea(QStringLiteral("CRoundArea"), kPanel, panelRect);
    // Busy where the success button will be: the one takes the other's place.
    if (auto* busy = dynamic_cast<CGifPicture*>(CreateControl(QStringLiteral("CGifPicture"), kBusy,
            {w / 2 - 24, panelRect.bottom - 78, w / 2 + 24, panelRect.bottom - 30}, {}, panel))) {
        busy->SetImage(QStringLiteral("loading.gif"));
        busy->SetRunState(1, 0);
        busy->AddMTimer(20);
    }
    const int32_t left = panelRect.left + 60;
    const int32_t right = panelRect.right - 60;
    int32_t top = panelRect.top + 44;
    for (const auto& [id, textId] : {std::pair{kStep1, kTextStep1}, {kStep2, kTextStep2}, {kStep3, kTextStep3}}) {
        label(id, {left, top, right, top + 48}, textId, 18, kAlignLeft, kWhite, panel);
        top += 56;
    }
    label(kNote, {left, top + 16, right, top + 64}, kTextNote, 18, kAlignLeft, kDim, panel);
    if (auto* success = dynamic_cast<MButton*>(CreateControl(QStringLiteral("MButton"), kSuccessButton,
            {w / 2 - 110, panelRect.bottom - 76, w / 2 + 110, panelRect.bottom - 32}, Text(kTextSuccess), panel))) {
        success->SetImage(QStringLiteral("img_button.png"), 4);
        success->SetFontWidth(14);
        success->SetVisible(false);
    }
}

void DonglePairDlg::ApplyLanguage()
{
    const std::pair<int32_t, int> texts[] = {{kHeading, kTextHeading}, {kStep1, kTextStep1}, {kStep2, kTextStep2},
        {kStep3, kTextStep3}, {kNote, kTextNote}, {kSuccessButton, kTextSuccess}};
    for (const auto& [id, textId] : texts)
        SetTitleOf(GetControl(id), Text(textId));
    if (MControl* close = GetControl(kCloseButton))
        close->SetTooltip(Text(TextIds::kTipClose));
}

void DonglePairDlg::Run()
{
    m_pairing.RunPass();
}

void DonglePairDlg::OnSuccess()
{
    // Worker thread: the button is shown on the interface thread, then the
    // dialog hears of the success as a message of its own.
    const WindowHandle handle = m_handle;
    if (!handle)
        return;
    WindowRegistry::PostCall(handle, [this, handle] {
        if (MWindow::FromHandle(handle) != this)
            return;
        if (MControl* success = GetControl(kSuccessButton))
            success->SetVisible(true);
        if (auto* busy = GetControlAs<CGifPicture>(kBusy))
            busy->SetVisible(false);
        WriteProbeLine(QStringLiteral("success"));
    });
    if (m_timings.successPauseMs > 0)
        QThread::msleep(uint32_t(m_timings.successPauseMs));
    PostMessage(handle, kPairedMessage, 0, 0);
}

intptr_t DonglePairDlg::OnMessage(int32_t id, int32_t code, intptr_t, intptr_t)
{
    if (code != kNotifyClick || (id != kCloseButton && id != kSuccessButton))
        return 0;
    Close();
    return 1;
}

void DonglePairDlg::Close()
{
    if (m_closing)
        return;
    m_closing = true;
    StopWorker();
    // The receiver settles before the window goes; the window stays
    // responsive meanwhile, with nothing left to click.
    for (int32_t id : {kCloseButton, kSuccessButton}) {
        if (MControl* button = GetControl(id))
            button->SetEnabled(false);
    }
    const WindowHandle handle = GetSafeHwnd();
    QTimer::singleShot(m_timings.closeDelayMs, GetWidget(), [this, handle] {
        if (MWindow::FromHandle(handle) == this)
            DoCancel();
    });
}

intptr_t DonglePairDlg::OnWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (message == kPairedMessage)
        ++m_pairedMessages;
    else if (message == kWmClose)
        StopWorker();
    return MDialog::OnWindowMessage(message, wParam, lParam);
}

void DonglePairDlg::OnDestroy()
{
    StopWorker();
    m_handle = 0;
    m_source.reset();
    MDialog::OnDestroy();
}

void DonglePairDlg::StopWorker()
{
    m_pairing.Interrupt();
    Stop();
}

void DonglePairDlg::WriteProbeLine(const QString& event) const
{
    if (!StateProbe::Enabled())
        return;
    const MControl* success = GetControl(kSuccessButton);
    QString line
        = QStringLiteral("dialog DonglePairDlg %1 success=%2").arg(event).arg(success && success->isVisible() ? 1 : 0);
    for (int32_t id : {kCloseButton, kSuccessButton}) {
        const MControl* control = GetControl(id);
        if (control && control->isVisible())
            line += QStringLiteral(" ctl=%1@%2").arg(id).arg(StateProbe::ScreenCentre(control));
    }
    StateProbe::Line(line);
}
