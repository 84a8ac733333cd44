#include "app/ProfileDlg.h"

#include "app/AppMessages.h"
#include "language/InterfaceText.h"
#include "store/SettingsStore.h"
#include "widgets/DListBox.h"
#include "widgets/MButton.h"
#include "widgets/MPicture.h"
#include "widgets/WindowRegistry.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace {

constexpr int kTextImport = 26;
constexpr int kTextExport = 27;
constexpr int32_t kMargin = 10;
constexpr int32_t kButtonBand = 45; // below the list: the two buttons

QString PointText(const QPoint& point)
{
    return QStringLiteral("%1,%2").arg(point.x()).arg(point.y());
}

} // namespace

ProfileDlg::ProfileDlg(SettingsStore& store)
    : m_store(store)
{}

ProfileDlg::~ProfileDlg() = default;

MRect ProfileDlg::PopupRect(const MRect& button)
{
    return {button.left, button.top - kButtonGap - kHeight, button.right, button.top - kButtonGap};
}

int32_t ProfileDlg::Run(WindowHandle parent, const MRect& rect)
{
    if (!Create(parent, QStringLiteral("ProfileDlg"), kWsDialog, 0, rect))
        return -1;
    // A popup in Qt's sense: it takes the mouse and the keyboard while open,
    // and a click anywhere else closes it, with or without a window manager.
    if (QWidget* widget = GetWidget()) {
        widget->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
        QTimer::singleShot(0, widget, [this, alive = std::weak_ptr<bool>(m_alive)] {
            if (!alive.expired())
                Changed();
        });
    }
    return ShowModal(kSwShow);
}

void ProfileDlg::OnInitDialog()
{
    MDialog::OnInitDialog();
}

void ProfileDlg::InitUI(const MRect& client)
{
    const MRect content{kMargin, kMargin, client.right - kMargin, client.bottom - kButtonBand};
    MArea* background = CreateArea(QStringLiteral("MPicture"), kBackground, content);
    if (background) {
        background->SetImage(QStringLiteral("img_area_content.png"), 1);
        background->SetShowMode(ShowMode::Rounded, 10);
    }
    // The list covers the area: its four rows fill the 150 pixels exactly.
    m_list = Create<DListBox>(kList, content, {}, background);
    if (m_list) {
        m_list->SetEditFlag(true);
        m_list->SetFontWidth(18);
        m_list->SetAlignment(kAlignCenter);
        std::vector<NamedEntry> profiles;
        m_store.ListProfiles(profiles);
        for (const NamedEntry& profile : profiles)
            m_list->AddString(profile.name, profile.id, -1);
        m_list->SetCurData(m_profile);
    }
    const int32_t middle = client.Width() / 2;
    const int32_t top = client.bottom - 35;
    const int32_t bottom = client.bottom - 7;
    auto addButton = [this](int32_t id, const MRect& rect, int textId) {
        if (auto* button = Create<MButton>(id, rect, InterfaceText::Get(textId))) {
            button->SetImage(QStringLiteral("img_button.png"), 4);
            button->SetFontWidth(14);
        }
    };
    addButton(kImportButton, {kMargin, top, middle - 5, bottom}, kTextImport);
    addButton(kExportButton, {middle + 5, top, client.right - kMargin, bottom}, kTextExport);
    UISize(client);
}

intptr_t ProfileDlg::OnMessage(int32_t id, int32_t code, intptr_t, intptr_t)
{
    if (m_closing)
        return 0;
    switch (id) {
    case kList:
        return OnListMessage(code);
    case kImportButton:
        if (code != kNotifyClick)
            return 0;
        OnButton(AppMessages::kProfileImport);
        return 1;
    case kExportButton:
        if (code != kNotifyClick)
            return 0;
        OnButton(AppMessages::kProfileExport);
        return 1;
    default:
        return 0;
    }
}

intptr_t ProfileDlg::OnListMessage(int32_t code)
{
    if (code == kNotifyClick) {
        // The first click of a double click must not switch and close: the
        // double click renames. The switch waits for the double-click time.
        const int serial = ++m_clickSerial;
        // The window's host outlives this object by a turn of the event
        // loop, so the timer checks that the dialog itself is still there.
        QTimer::singleShot(
            QApplication::doubleClickInterval(), GetWidget(), [this, serial, alive = std::weak_ptr<bool>(m_alive)] {
                if (alive.expired() || serial != m_clickSerial || m_closing)
                    return;
                if (m_list && m_list->IsEditing())
                    Changed();
                else
                    SwitchToChosen();
            });
        return 1;
    }
    if (code != kNotifyEditCommit)
        return 1;
    ++m_clickSerial; // a click before the rename no longer switches
    const int32_t index = m_list ? m_list->GetCurSel() : -1;
    if (index < 0)
        return 0;
    const auto profile = int32_t(m_list->GetItemData(index));
    const QString name = m_list->GetItemText(index);
    if (name.isEmpty() || !m_store.RenameProfile(profile, name)) {
        // Nothing stored: the list shows the name the profile keeps.
        QString kept;
        m_store.GetProfileName(profile, kept);
        m_list->SetItemText(index, kept);
        Changed();
        return 0;
    }
    m_profile = profile;
    m_edited = true;
    Changed();
    return 1;
}

void ProfileDlg::SwitchToChosen()
{
    const intptr_t profile = m_list ? m_list->GetCurData() : -1;
    if (m_list)
        m_list->OnFocus(false);
    if (profile > 0)
        Post(AppMessages::kProfileChosen, profile);
    Close();
}

void ProfileDlg::OnButton(uintptr_t action)
{
    const intptr_t profile = m_list ? m_list->GetCurData() : m_profile;
    // Losing the focus commits a rename still being typed.
    if (m_list)
        m_list->OnFocus(false);
    if (m_edited)
        Post(AppMessages::kProfileChosen, profile);
    Post(action, profile);
    Close();
}

bool ProfileDlg::OnNcActivate(bool active)
{
    if (!active)
        Dismiss();
    return MDialog::OnNcActivate(active);
}

void ProfileDlg::OnLButtonDown(const QPoint& point)
{
    if (!GetClientRect().ToQRect().contains(point))
        Dismiss();
}

void ProfileDlg::OnUserCloseWindow()
{
    Dismiss();
}

bool ProfileDlg::OnKeyDown(int32_t key)
{
    if (key != Qt::Key_Escape)
        return false;
    Dismiss();
    return true;
}

void ProfileDlg::Dismiss()
{
    if (m_closing)
        return;
    if (m_list)
        m_list->OnFocus(false);
    // After a rename the renamed profile becomes the active one.
    if (m_edited)
        Post(AppMessages::kProfileChosen, m_profile);
    Close();
}

void ProfileDlg::Post(uintptr_t action, intptr_t profile)
{
    WindowRegistry::PostMessage(m_target, AppMessages::kProfileAction, action, profile);
}

void ProfileDlg::Close()
{
    m_closing = true;
    DoOK();
}

void ProfileDlg::Changed()
{
    if (m_changed)
        m_changed();
}

QString ProfileDlg::ProbeState() const
{
    if (!m_list || m_closing || !GetWidget() || !GetWidget()->isVisible())
        return {};
    QString line = QStringLiteral("pdlg.cur=%1").arg(m_list->GetCurData());
    for (int32_t i = 0; i < m_list->GetItemCount(); ++i)
        line += QStringLiteral(" pdlg.item%1=%2")
                    .arg(i)
                    .arg(PointText(m_list->mapToGlobal(m_list->GetItemRect(i).center())));
    if (MControl* button = GetControl(kImportButton))
        line += QStringLiteral(" pdlg.import=") + PointText(button->mapToGlobal(button->rect().center()));
    if (MControl* button = GetControl(kExportButton))
        line += QStringLiteral(" pdlg.export=") + PointText(button->mapToGlobal(button->rect().center()));
    line += QStringLiteral(" pdlg.editing=%1").arg(m_list->IsEditing() ? 1 : 0);
    return line;
}
