#include "editors/ButtonPage.h"

#include "devices/DevicesLog.h"
#include "editors/ButtonRules.h"
#include "editors/PageControls.h"
#include "editors/PageHost.h"
#include "editors/PageRoutes.h"
#include "editors/TextPage.h"
#include "editors/TextRules.h"
#include "hid/DeviceEvents.h"
#include "language/InterfaceText.h"
#include "language/TextIds.h"
#include "platform/SystemDesktop.h"
#include "store/SettingsStore.h"
#include "widgets/CImageButton.h"
#include "widgets/CRadioButton.h"
#include "widgets/CRoundArea.h"
#include "widgets/CTextButton.h"
#include "widgets/KeyFuncType.h"
#include "widgets/KeyFuncValue.h"
#include "widgets/MButton.h"
#include "widgets/MButton3.h"
#include "widgets/MComboBox.h"
#include "widgets/MDialog.h"
#include "widgets/MEdit.h"
#include "widgets/MPicture.h"
#include "widgets/MText.h"
#include "widgets/MouseCtrl.h"

#include <QFileInfo>
#include <QWidget>

#include <algorithm>

using namespace ButtonRules;

namespace {

// Texts only this page shows.
constexpr int kTextCaption = 100;
constexpr int kTextPlaceholder = 103;
constexpr int kTextApply = 162;
constexpr int kTextTextLink = 217;
constexpr int kTextBrowse = 218;
constexpr int kTextRestore = 221;
constexpr int kTextPlayCaption = 364;
constexpr int kTextPlayModes[] = {601, 602, 603, 604};
constexpr int kTextMarkerCaption = 608;
constexpr int kTextFirstMarker = 609;
constexpr int kTextRestoreQuestion = 752;
constexpr int kTextRestoreCaption = 753;
constexpr int kTextPrograms = 930;
constexpr int kTextProgramCannotStart = 931;
constexpr int kTextBadAddress = 933;
constexpr int kTextNoMacro = 935;
constexpr int kTextNoSnippet = 936;
constexpr int kTextPressKey = 938;

constexpr PageRoute kRoutes[] = {
    {ButtonPage::kTypeList, ButtonPage::kTypeList, PageRoute::Codes::Click},
    {ButtonPage::kGroup, ButtonPage::kGroup, PageRoute::Codes::Click},
    {ButtonPage::kApply, ButtonPage::kRestoreButton, PageRoute::Codes::Click},
    {ButtonPage::kKeyField, ButtonPage::kKeyField, PageRoute::Codes::Any},
    {ButtonPage::kCtrlBox, ButtonPage::kMouseMarkers, PageRoute::Codes::Click},
    {ButtonPage::kTextLink, ButtonPage::kTextLink, PageRoute::Codes::Click},
    {ButtonPage::kRepeatCount, ButtonPage::kRepeatCount, PageRoute::Codes::EditCommit},
    {ButtonPage::kBrowse, ButtonPage::kBrowse, PageRoute::Codes::Click},
};

// The modifier boxes in control order, with their bits and labels.
struct ModifierBox {
    int32_t id;
    int32_t bit;
    const char* label;
};
constexpr ModifierBox kModifierBoxes[] = {
    {ButtonPage::kCtrlBox, kCtrlBit, "Ctrl"},
    {ButtonPage::kWinBox, kWinBit, "Win"},
    {ButtonPage::kAltBox, kAltBit, "Alt"},
    {ButtonPage::kShiftBox, kShiftBit, "Shift"},
};

// The controls of the value panel, shown by type.
constexpr int32_t kPanelControls[] = {ButtonPage::kGroup, ButtonPage::kValues, ButtonPage::kValueList,
    ButtonPage::kPath, ButtonPage::kBrowse, ButtonPage::kKeyField, ButtonPage::kCtrlBox, ButtonPage::kWinBox,
    ButtonPage::kAltBox, ButtonPage::kShiftBox, ButtonPage::kTextLink, ButtonPage::kPlayCaption, ButtonPage::kPlayFirst,
    ButtonPage::kPlayFirst + 1, ButtonPage::kPlayFirst + 2, ButtonPage::kPlayLast, ButtonPage::kRepeatCount};

// The text-shortcut page's position in the tab bar.
constexpr int32_t kTextTabIndex = 4;
constexpr int32_t kPlaceholderMarkers = 6;

QString Text(int id)
{
    return InterfaceText::Get(id);
}

bool IsKnownType(int32_t type)
{
    return std::any_of(std::begin(kTypes), std::end(kTypes), [type](const TypeEntry& t) { return t.type == type; });
}

int TypeText(int32_t type)
{
    for (const TypeEntry& t : kTypes) {
        if (t.type == type)
            return t.textId;
    }
    return 0;
}

} // namespace

ButtonPage::ButtonPage(PageHost& host)
    : m_host(host)
{
    BuildKeyList(m_keyList);
}

ButtonPage::~ButtonPage() = default;

int32_t ButtonPage::TabItem() const
{
    return PageTab::kButtons;
}

uint32_t ButtonPage::ReloadMask() const
{
    return DeviceEvents::kButtonPage;
}

// ---- Creation and layout ----

void ButtonPage::Create(MDialog& dialog, MArea& container)
{
    m_controls.Attach(dialog, container);
    auto label = [this](int32_t id, int textId, int32_t size) {
        return m_controls.Label(id, textId ? Text(textId) : QString(), size);
    };
    auto button = [this](int32_t id, int textId) {
        if (auto* b = m_controls.Make<MButton>(id, Text(textId))) {
            b->SetImage(QStringLiteral("img_button.png"), 4);
            b->SetFontWidth(14);
        }
    };

    m_controls.Picture(kAreaBackground, QStringLiteral("img_area_bkg.png"));
    m_controls.Picture(kCaptionBand, QStringLiteral("img_area_caption.png"));
    label(kCaption, kTextCaption, 18);
    m_controls.Make<CRoundArea>(kTypeArea);
    m_controls.Make<CRoundArea>(kValueArea);

    m_types = m_controls.Make<KeyFuncType>(kTypeList);
    if (m_types) {
        m_types->SetColumns(2);
        for (const TypeEntry& type : ButtonRules::kTypes)
            m_types->AddItem(Text(type.textId), type.type, QString::fromLatin1(type.icon));
        m_types->SetSelectItem(0);
    }
    if (MText* title = label(kTypeTitle, 0, 16))
        title->SetBold(true);

    m_group = m_controls.Make<MComboBox>(kGroup);
    m_values = m_controls.Make<MComboBox>(kValues);
    m_valueList = m_controls.Make<KeyFuncValue>(kValueList);
    if (m_valueList)
        m_valueList->SetColumns(3);
    m_path = m_controls.Make<MEdit>(kPath);
    if (auto* browse = m_controls.Make<CImageButton>(kBrowse)) {
        browse->SetImage(QStringLiteral("btn_openfile.png"), 4);
        browse->SetTooltip(Text(kTextBrowse));
    }
    m_keyField = m_controls.Make<MEdit>(kKeyField);
    if (m_keyField)
        m_keyField->SetHint(Text(kTextPressKey));
    for (size_t i = 0; i < std::size(kModifierBoxes); ++i) {
        m_boxes[i] = m_controls.Make<MButton3>(kModifierBoxes[i].id, QString::fromLatin1(kModifierBoxes[i].label));
        if (m_boxes[i])
            m_boxes[i]->SetFontWidth(14);
    }
    if (auto* link = m_controls.Make<CTextButton>(kTextLink, Text(kTextTextLink)))
        link->SetFontWidth(14);
    label(kPlayCaption, kTextPlayCaption, 14);
    for (size_t i = 0; i < m_playModes.size(); ++i) {
        m_playModes[i] = m_controls.Make<CRadioButton>(kPlayFirst + int32_t(i), Text(kTextPlayModes[i]));
        if (m_playModes[i]) {
            m_playModes[i]->SetImage(QStringLiteral("btn_radiobox.png"), 8);
            m_playModes[i]->SetGroupName(QStringLiteral("ButtonPlayMode"));
            m_playModes[i]->SetFontWidth(14);
        }
    }
    m_repeat = m_controls.Make<MEdit>(kRepeatCount, QString::number(kDefaultRepeatCount));
    if (m_repeat)
        m_repeat->SetMaxLength(5);

    button(kApply, kTextApply);
    button(kRestoreButton, kTextRestore);

    m_markers = m_controls.Make<MouseCtrl>(kMouseMarkers);
    if (m_markers)
        m_markers->SetImage(QStringLiteral("img_key_bkg.png"));
    // Until a description arrives: six numbered placeholders.
    for (int32_t n = 0; n < kPlaceholderMarkers; ++n) {
        MouseMarker marker;
        marker.label = Text(kTextPlaceholder) + QStringLiteral(" %1").arg(n + 1);
        marker.keyValue = n;
        marker.start = QPoint(-30, 44 + 50 * n);
        marker.end = QPoint(36, 44 + 50 * n);
        m_markerList.push_back(marker);
    }
    PlaceMarkers();
    SetupPanel(ButtonRules::kRestore);
}

// The page's layout in design coordinates (the 780-pixel-high window): the
// left panel and, right of it, the markers around the mouse picture.
namespace {
constexpr int32_t kMargin = 20;
constexpr int32_t kInner = kMargin + 20;
constexpr int32_t kPanelTop = 316; // the value panel's first row
constexpr int32_t kRow = 36;
constexpr int32_t kGap = 12;
} // namespace

void ButtonPage::Layout(const MRect& area, float scale)
{
    if (!m_controls.IsAttached())
        return;
    m_area = area;
    m_scale = scale;
    const int32_t w = area.Width();
    // The panel ends where the labels of the markers begin: 30 + 150 pixels
    // left of the mouse picture.
    const MRect picture = m_host.MousePictureRect();
    const int32_t pictureLeft = picture.Width() > 0 ? picture.left - area.left : w - 150 - 260;
    const int32_t right = std::clamp(pictureLeft - 190, 440, w - 20);
    m_panelRight = right;
    const int32_t width = right - kInner - 20;
    auto place = [&](int32_t id, const MRect& rect) { m_controls.Place(id, area, scale, rect); };

    place(kCaptionBand, {kMargin, 22, right, 66});
    place(kCaption, {kInner, 24, right - 20, 62});
    place(kTypeArea, {kInner - 8, 72, right - 12, 268});
    place(kTypeList, {kInner, 76, right - 20, 264});
    place(kTypeTitle, {kInner, 274, right - 20, 302});
    // The value panel: one layout per type; hidden controls keep theirs.
    const int32_t top = kPanelTop;
    // Four rows of three: the longest list has eleven items.
    place(kValueList, {kInner, top, right - 20, top + 170});
    place(kGroup, {kInner, top, right - 20, top + kRow});
    place(kValues, {kInner, top + kRow + kGap, right - 20, top + 2 * kRow + kGap});
    place(kKeyField, {kInner, top + kRow + kGap, right - 20, top + 2 * kRow + kGap});
    const int32_t boxWidth = (width - 3 * 10) / 4;
    for (size_t i = 0; i < std::size(kModifierBoxes); ++i) {
        const int32_t left = kInner + int32_t(i) * (boxWidth + 10);
        place(kModifierBoxes[i].id, {left, top + 2 * (kRow + kGap), left + boxWidth, top + 3 * kRow + 2 * kGap});
    }
    place(kBrowse, {right - 20 - 32, top + 4, right - 20, top + kRow - 4});
    place(kTextLink, {kInner, top + kRow + kGap, right - 20, top + 2 * kRow + kGap});
    place(kPlayCaption, {kInner, top + kRow + 6, right - 20, top + 2 * kRow});
    for (size_t i = 0; i < m_playModes.size(); ++i) {
        const int32_t y = top + 2 * kRow + 2 + int32_t(i) * 30;
        place(kPlayFirst + int32_t(i), {kInner, y, i + 1 == m_playModes.size() ? right - 20 - 80 : right - 20, y + 28});
    }
    const int32_t repeatTop = top + 2 * kRow + 2 + 3 * 30;
    place(kRepeatCount, {right - 20 - 70, repeatTop - 2, right - 20, repeatTop + 30});

    place(kMouseMarkers, {right + 10, 0, w, int32_t(float(area.Height()) / scale)});
    PlaceFrame();
    PlaceMarkers();
}

void ButtonPage::PlaceFrame()
{
    if (!m_controls.IsAttached() || m_area.Width() <= 0 || m_scale <= 0)
        return;
    auto place = [&](int32_t id, const MRect& rect) { m_controls.Place(id, m_area, m_scale, rect); };
    const int32_t right = m_panelRight;
    // The address field takes the room the program field leaves to its browse button.
    const MControl* browse = m_controls.Find(kBrowse);
    place(kPath, {kInner, kPanelTop, right - 20 - (browse && browse->IsVisible() ? 40 : 0), kPanelTop + kRow});
    // The value panel's frame ends below its lowest shown control, and the
    // buttons follow it.
    int32_t bottom = 302;
    bool shown = false;
    for (int32_t id : kPanelControls) {
        const MControl* control = m_controls.Find(id);
        if (control && control->IsVisible()) {
            bottom = std::max(bottom, int32_t(float(control->GetRect().bottom - m_area.top) / m_scale + 0.5f));
            shown = true;
        }
    }
    if (MControl* frame = m_controls.Find(kValueArea))
        frame->SetVisible(shown);
    place(kValueArea, {kInner - 8, 308, right - 12, bottom + 10});
    const int32_t buttonsTop = bottom + (shown ? 24 : 12);
    const int32_t buttonWidth = (right - kInner - 20 - 12) / 2;
    place(kRestoreButton, {kInner, buttonsTop, kInner + buttonWidth, buttonsTop + 36});
    place(kApply, {right - 20 - buttonWidth, buttonsTop, right - 20, buttonsTop + 36});
    place(kAreaBackground, {kMargin, 22, right, buttonsTop + 36 + 20});
}

void ButtonPage::ApplyLanguage()
{
    if (!m_controls.IsAttached())
        return;
    const std::pair<int32_t, int> titles[] = {{kCaption, kTextCaption}, {kApply, kTextApply},
        {kRestoreButton, kTextRestore}, {kTextLink, kTextTextLink}, {kPlayCaption, kTextPlayCaption}};
    for (const auto& [id, textId] : titles) {
        if (auto* control = dynamic_cast<MControlFont*>(m_controls.Find(id)))
            control->SetTitle(Text(textId));
    }
    for (size_t i = 0; i < m_playModes.size(); ++i) {
        if (m_playModes[i])
            m_playModes[i]->SetTitle(Text(kTextPlayModes[i]));
    }
    if (MControl* browse = m_controls.Find(kBrowse))
        browse->SetTooltip(Text(kTextBrowse));
    if (m_keyField)
        m_keyField->SetHint(Text(kTextPressKey));
    if (m_types) {
        for (int32_t i = 0; i < m_types->GetItemCount(); ++i)
            m_types->SetItemText(i, Text(TypeText(int32_t(m_types->GetItemData(i)))));
    }
    if (auto* title = dynamic_cast<MControlFont*>(m_controls.Find(kTypeTitle)))
        title->SetTitle(Text(TypeText(m_type)));
    RelabelPanel();
    RefreshMarkerLabels();
}

// ---- Markers ----

void ButtonPage::LoadMarkers()
{
    const DeviceDescription description = m_host.Description();
    m_markerList = description.Markers();
    m_factory = description.DefaultKeys();
    m_placeholders = false;
    for (MouseMarker& marker : m_markerList)
        marker.label = Text(marker.labelText);
    PlaceMarkers();
    if (m_markers && m_markers->GetItemCount() > 1) {
        m_markers->SetSelectItem(1);
        m_button = m_markers->GetItemKeyValue(1);
    }
}

void ButtonPage::PlaceMarkers()
{
    if (!m_markers)
        return;
    // Marker points are in picture pixels; the control wants its own.
    const MRect control = m_markers->GetRect();
    MRect picture = m_host.MousePictureRect();
    if (picture.Width() <= 0)
        picture = {control.right - 150 - 260, 145, control.right - 150, 545};
    const QPoint offset(picture.left - control.left, picture.top - control.top);
    const int32_t selected = m_markers->GetSelectItem();
    std::vector<QString> labels;
    for (int32_t i = 0; i < m_markers->GetItemCount(); ++i)
        labels.push_back(m_markers->GetItemText(i));
    const bool sameMarkers = labels.size() == m_markerList.size();
    m_markers->DeleteAllItems();
    for (size_t i = 0; i < m_markerList.size(); ++i) {
        const MouseMarker& marker = m_markerList[i];
        // A new layout keeps the labels the store gave the markers.
        const QString& label = sameMarkers ? labels[i] : marker.label;
        m_markers->AddItem(label, marker.keyValue, marker.side, marker.start + offset, marker.end + offset);
    }
    const int32_t count = m_markers->GetItemCount();
    m_markers->SetSelectItem(selected >= 0 && selected < count ? selected : (count > 1 ? 1 : count - 1));
}

void ButtonPage::SelectMarkerOf(int32_t buttonCode)
{
    if (!m_markers)
        return;
    for (int32_t i = 1; i < m_markers->GetItemCount(); ++i) {
        if (m_markers->GetItemKeyValue(i) == buttonCode) {
            m_markers->SetSelectItem(i);
            return;
        }
    }
}

const KeyAssignment* ButtonPage::FactoryEntry(int32_t buttonCode) const
{
    const auto it = std::find_if(m_factory.begin(), m_factory.end(),
        [buttonCode](const KeyAssignment& entry) { return entry.key_code == buttonCode; });
    return it == m_factory.end() ? nullptr : &*it;
}

QString ButtonPage::FactoryLabel(int32_t buttonCode) const
{
    const KeyAssignment* entry = FactoryEntry(buttonCode);
    return entry ? Text(entry->macro_desc.toInt()) : QString();
}

QString ButtonPage::MarkerLabel(const KeyAssignment& row) const
{
    // Labels from a list follow the language; the others are as stored.
    if (const int textId = ValueTextId(row.macro_type, row.macro_value))
        return Text(textId);
    SettingsStore& store = m_host.Store();
    if (row.macro_type == kMacro) {
        MacroInfo macro;
        if (store.GetMacro(row.macro_value, macro))
            return MacroDisplayName(macro.name, Text(TextIds::kMacroWord));
    } else if (row.macro_type == kTextSnippet) {
        QString name;
        if (store.GetTextName(row.macro_value, name))
            return TextPage::DisplayName(name);
    } else if (!IsKnownType(row.macro_type)) {
        // The mouse keeps the factory function for a type it is not sent.
        return FactoryLabel(row.key_code);
    }
    return row.macro_desc;
}

void ButtonPage::RefreshMarkerLabels()
{
    if (!m_markers)
        return;
    for (const MouseMarker& marker : m_markerList) {
        if (m_placeholders)
            m_markers->SetItemKeyDesc(
                marker.keyValue, Text(kTextPlaceholder) + QStringLiteral(" %1").arg(marker.keyValue + 1));
    }
    for (const KeyAssignment& entry : m_factory)
        m_markers->SetItemKeyDesc(entry.key_code, Text(entry.macro_desc.toInt()));
    std::vector<KeyAssignment> rows;
    m_host.Store().ListKeyAssignments(m_host.CurrentProfile(), rows);
    for (const KeyAssignment& row : rows)
        m_markers->SetItemKeyDesc(row.key_code, MarkerLabel(row));
}

// ---- Loading and showing ----

void ButtonPage::LoadButtons()
{
    if (!m_markers || !m_types)
        return;
    BuildKeyList(m_keyList);
    StopCapture();
    m_factory = m_host.DefaultKeys();
    if (m_markers->GetItemCount() > 1) {
        m_markers->SetSelectItem(1);
        m_button = m_markers->GetItemKeyValue(1);
    } else {
        m_button = 1;
    }
    RefreshMarkerLabels();
    ShowCurrentButton();
}

void ButtonPage::ShowCurrentButton()
{
    if (!m_types)
        return;
    StopCapture();
    m_capturedKey = 0;
    SetModifierBoxes(0);
    KeyAssignment row;
    const bool stored = m_host.Store().GetKeyAssignment(m_host.CurrentProfile(), m_button, row);
    if (!stored || row.macro_type == ButtonRules::kRestore || !IsKnownType(row.macro_type)) {
        if (stored && row.macro_type != ButtonRules::kRestore)
            DevicesDebugLine(QStringLiteral("button %1 has function type %2, which no list knows")
                                 .arg(m_button)
                                 .arg(row.macro_type));
        m_types->SetCurData(kMouse);
        SetupPanel(kMouse);
        if (!m_valueList->SetCurData(FactoryMouseFunction(m_button)))
            m_valueList->SetSelectItem(-1);
        return;
    }
    m_types->SetCurData(row.macro_type);
    if (m_markers)
        m_markers->SetItemKeyDesc(m_button, MarkerLabel(row));
    SetupPanel(row.macro_type);
    switch (row.macro_type) {
    case kMouse:
    case kMultimedia:
        if (!m_valueList->SetCurData(row.macro_value))
            m_valueList->SetSelectItem(-1);
        break;
    case kKeyboard:
        SetModifierBoxes(row.macro_value2);
        m_capturedKey = UsageToVirtualKey(row.macro_value);
        m_keyField->SetTitle(UsageDisplayName(row.macro_value));
        break;
    case kMacro:
        m_repeat->SetTitle(QString::number(kDefaultRepeatCount));
        // A deleted macro is not shown as another one.
        if (m_group->SelectData(row.macro_value) < 0)
            m_group->SetCurSel(-1);
        if (row.macro_value3 >= 1 && row.macro_value3 <= 3) {
            SelectPlayMode(row.macro_value3 - 1);
        } else {
            m_repeat->SetTitle(QString::number(row.macro_value2));
            SelectPlayMode(3);
        }
        break;
    case kShortcut:
        if (const int32_t group = ShortcutGroupOf(row.macro_value)) {
            m_group->SelectData(group);
            FillShortcuts(group);
            m_values->SelectData(row.macro_value);
        }
        break;
    case kProgram:
    case kWebAddress: {
        QString description;
        QString parameter;
        int32_t type = 0;
        m_host.Store().GetKeyOtherData(row.macro_value, description, parameter, type);
        m_path->SetTitle(description);
        if (row.macro_type == kProgram)
            m_programPath = parameter;
        break;
    }
    case kTextSnippet:
        if (m_group->SelectData(row.macro_value) < 0)
            m_group->SetCurSel(-1);
        break;
    default:
        break;
    }
}

// ---- The panel of a type ----

void ButtonPage::HidePanel()
{
    for (int32_t id : kPanelControls) {
        if (MControl* control = m_controls.Find(id))
            control->SetVisible(false);
    }
}

void ButtonPage::SetupPanel(int32_t type)
{
    if (!m_controls.IsAttached() || !m_group || !m_values || !m_valueList || !m_path || !m_keyField || !m_repeat)
        return;
    StopCapture();
    m_type = type;
    HidePanel();
    if (auto* title = dynamic_cast<MControlFont*>(m_controls.Find(kTypeTitle)))
        title->SetTitle(Text(TypeText(type)));
    auto show = [this](int32_t id) {
        if (MControl* control = m_controls.Find(id))
            control->SetVisible(true);
    };
    switch (type) {
    case kMouse:
    case kMultimedia:
        m_valueList->ClearList();
        for (const ValueText& item :
            type == kMouse ? std::span<const ValueText>(kMouseFunctions) : std::span<const ValueText>(kMultimediaKeys))
            m_valueList->AddItem(Text(item.textId), item.value);
        m_valueList->SetSelectItem(0);
        show(kValueList);
        break;
    case kKeyboard:
        m_group->DelAllItems();
        for (const ValueText& group : kKeyboardGroups)
            m_group->AddItem(Text(group.textId), group.value);
        m_group->SetCurSel(0);
        show(kGroup);
        ShowKeyboardGroup(kCaptureGroup);
        break;
    case kMacro:
        FillMacros(0);
        SelectPlayMode(0);
        m_repeat->SetTitle(QString::number(kDefaultRepeatCount));
        for (int32_t id : std::initializer_list<int32_t>{
                 kGroup, kPlayCaption, kPlayFirst, kPlayFirst + 1, kPlayFirst + 2, kPlayLast, kRepeatCount})
            show(id);
        break;
    case kShortcut:
        m_group->DelAllItems();
        for (const ValueText& group : kShortcutGroups)
            m_group->AddItem(Text(group.textId), group.value);
        m_group->SetCurSel(0);
        FillShortcuts(kShortcutGroups[0].value);
        show(kGroup);
        show(kValues);
        break;
    case kProgram:
    case kWebAddress:
        m_path->SetTitle(QString());
        m_path->SetHint(type == kWebAddress ? QStringLiteral("www.example.com") : QString());
        m_programPath.clear();
        show(kPath);
        if (type == kProgram)
            show(kBrowse);
        break;
    case kTextSnippet:
        FillSnippets(0);
        show(kGroup);
        show(kTextLink);
        break;
    default:
        break;
    }
    PlaceFrame();
}

void ButtonPage::ShowKeyboardGroup(int32_t group)
{
    auto visible = [this](int32_t id, bool on) {
        if (MControl* control = m_controls.Find(id))
            control->SetVisible(on);
    };
    const bool capture = group == kCaptureGroup;
    for (int32_t id : {kKeyField, kCtrlBox, kWinBox, kAltBox, kShiftBox})
        visible(id, capture);
    visible(kValues, !capture);
    if (capture) {
        m_keyField->SetTitle(QString());
        m_capturedKey = 0;
        PlaceFrame();
        return;
    }
    StopCapture();
    m_values->DelAllItems();
    for (const KeyListEntry& entry : m_keyList) {
        if (entry.group == group)
            m_values->AddItem(entry.name, entry.usage);
    }
    m_values->SetCurSel(m_values->GetItemCount() > 0 ? 0 : -1);
    PlaceFrame();
}

void ButtonPage::FillShortcuts(int32_t group)
{
    m_values->DelAllItems();
    for (const ValueText& item : ShortcutsOfGroup(group))
        m_values->AddItem(Text(item.textId), item.value);
    m_values->SetCurSel(m_values->GetItemCount() > 0 ? 0 : -1);
}

void ButtonPage::FillMacros(int32_t keepId)
{
    m_group->DelAllItems();
    std::vector<MacroInfo> macros;
    m_host.Store().ListMacros(macros);
    const QString word = Text(TextIds::kMacroWord);
    for (const MacroInfo& macro : macros)
        m_group->AddItem(MacroDisplayName(macro.name, word), macro.macro_id);
    if (keepId <= 0 || m_group->SelectData(keepId) < 0)
        m_group->SetCurSel(m_group->GetItemCount() > 0 ? 0 : -1);
}

void ButtonPage::FillSnippets(int32_t keepId)
{
    m_group->DelAllItems();
    std::vector<NamedEntry> texts;
    m_host.Store().ListTexts(texts);
    for (const NamedEntry& text : texts)
        m_group->AddItem(TextPage::DisplayName(text.name), text.id);
    if (keepId <= 0 || m_group->SelectData(keepId) < 0)
        m_group->SetCurSel(m_group->GetItemCount() > 0 ? 0 : -1);
}

void ButtonPage::RelabelPanel()
{
    if (!m_group || !m_values || !m_valueList)
        return;
    auto relabel = [](MComboBox* combo, const auto& textOf) {
        for (int32_t i = 0; i < combo->GetItemCount(); ++i) {
            const int id = textOf(int32_t(combo->GetItemData(i)));
            if (id)
                combo->SetItemText(i, Text(id));
        }
    };
    switch (m_type) {
    case kMouse:
    case kMultimedia:
        for (int32_t i = 0; i < m_valueList->GetItemCount(); ++i)
            m_valueList->SetItemText(i, Text(ValueTextId(m_type, int32_t(m_valueList->GetItemData(i)))));
        break;
    case kKeyboard:
        relabel(m_group, [](int32_t v) { return TextOf(kKeyboardGroups, v); });
        break;
    case kShortcut:
        relabel(m_group, [](int32_t v) { return TextOf(kShortcutGroups, v); });
        relabel(m_values, [](int32_t v) { return ValueTextId(kShortcut, v); });
        break;
    case kMacro:
        FillMacros(int32_t(m_group->GetCurData()));
        break;
    case kTextSnippet:
        FillSnippets(int32_t(m_group->GetCurData()));
        break;
    default:
        break;
    }
}

void ButtonPage::SetModifierBoxes(int32_t bits)
{
    for (size_t i = 0; i < std::size(kModifierBoxes); ++i) {
        if (m_boxes[i])
            m_boxes[i]->SetCheck((bits & kModifierBoxes[i].bit) != 0);
    }
}

int32_t ButtonPage::ModifierBoxes() const
{
    int32_t bits = 0;
    for (size_t i = 0; i < std::size(kModifierBoxes); ++i) {
        if (m_boxes[i] && m_boxes[i]->GetCheck())
            bits |= kModifierBoxes[i].bit;
    }
    return bits;
}

void ButtonPage::SelectPlayMode(int32_t index)
{
    if (index >= 0 && index < int32_t(m_playModes.size()) && m_playModes[size_t(index)])
        m_playModes[size_t(index)]->SetCheck(true);
}

int32_t ButtonPage::PlayModeIndex() const
{
    for (size_t i = 0; i < m_playModes.size(); ++i) {
        if (m_playModes[i] && m_playModes[i]->GetCheck())
            return int32_t(i);
    }
    return 0;
}

// ---- Key capture ----

void ButtonPage::StopCapture()
{
    m_host.EndCapture(*this);
}

void ButtonPage::OnCapturedInput(int32_t mode, const CapturedInput& input)
{
    if (mode != CaptureMode::kButtonKey || input.kind != CapturedInput::Kind::Keyboard || input.name.isEmpty())
        return;
    // Shift, Ctrl and Alt alone are the modifier boxes' business.
    if (input.code >= 160 && input.code <= 165)
        return;
    m_capturedKey = input.code;
    if (m_keyField)
        m_keyField->SetTitle(input.name);
}

// ---- Gestures ----

bool ButtonPage::OnControl(int32_t id, int32_t code, intptr_t param)
{
    if (!RouteAccepts(kRoutes, id, code) || !m_types || !m_markers)
        return false;
    switch (id) {
    case kMouseMarkers:
        return OnMarker(int32_t(param));
    case kTypeList:
        return OnTypeChosen();
    case kGroup:
        return OnGroupChosen();
    case kKeyField:
        if (code == kNotifyEditFocus && m_type == kKeyboard) {
            m_capturedKey = 0;
            m_keyField->SetTitle(QString());
            m_host.BeginCapture(CaptureMode::kButtonKey, *this);
            return true;
        }
        if (code == kNotifyEditCommit) {
            StopCapture();
            return true;
        }
        return false;
    case kApply:
        return OnApply();
    case kRestoreButton:
        return OnRestoreButton();
    case kRepeatCount:
        return OnRepeatCommitted();
    case kBrowse:
        return OnBrowse();
    case kTextLink:
        m_host.SelectTab(kTextTabIndex);
        return true;
    case kCtrlBox:
    case kWinBox:
    case kAltBox:
    case kShiftBox:
        // The box checks itself; Apply reads it.
        return true;
    default:
        return false;
    }
}

bool ButtonPage::OnMarker(int32_t index)
{
    if (index == 0) {
        m_host.Tell(Text(kTextFirstMarker), Text(kTextMarkerCaption));
        // The current button stays current, and its marker selected.
        m_markers->SetSelectItem(1);
        SelectMarkerOf(m_button);
        return true;
    }
    const int32_t code = m_markers->GetItemKeyValue(index);
    if (code < 0)
        return false;
    m_button = code;
    ShowCurrentButton();
    return true;
}

bool ButtonPage::OnTypeChosen()
{
    const intptr_t type = m_types->GetCurData();
    if (type < 0)
        return false;
    SetupPanel(int32_t(type));
    return true;
}

bool ButtonPage::OnGroupChosen()
{
    const intptr_t group = m_group->GetCurData();
    if (m_type == kKeyboard && group > 0)
        ShowKeyboardGroup(int32_t(group));
    else if (m_type == kShortcut && group > 0)
        FillShortcuts(int32_t(group));
    return true;
}

bool ButtonPage::OnRepeatCommitted()
{
    const QString typed = m_repeat->GetEditText();
    const int32_t count = RepeatCount(typed);
    if (typed != QString::number(count))
        m_repeat->SetTitle(QString::number(count));
    return true;
}

bool ButtonPage::OnBrowse()
{
    const QString path = m_host.ChooseFile(
        PageHost::FileDialog::Open, Text(kTextBrowse), Text(kTextPrograms) + QStringLiteral(" (*)"), m_programPath);
    if (path.isEmpty() || !QFileInfo::exists(path))
        return true;
    if (!SystemDesktop::IsRunnable(path)) {
        m_host.Tell(Text(kTextProgramCannotStart) + QStringLiteral("\n") + path, Text(TypeText(kProgram)));
        return true;
    }
    m_programPath = path;
    m_path->SetTitle(QFileInfo(path).fileName());
    return true;
}

bool ButtonPage::OnApply()
{
    KeyAssignment assignment;
    assignment.profile = m_host.CurrentProfile();
    assignment.fn_layer = 0;
    assignment.key_code = m_button;
    assignment.macro_type = m_type;
    SettingsStore& store = m_host.Store();
    switch (m_type) {
    case ButtonRules::kRestore: {
        if (!m_host.Ask(Text(kTextRestoreQuestion), Text(kTextRestoreCaption)))
            return true;
        const KeyAssignment* entry = FactoryEntry(m_button);
        if (!entry)
            return true;
        assignment.macro_type = kMouse;
        assignment.macro_value = entry->macro_value;
        assignment.macro_desc = FactoryLabel(m_button);
        m_markers->SetItemKeyDesc(m_button, assignment.macro_desc);
        break;
    }
    case kMouse:
    case kMultimedia: {
        const int32_t index = m_valueList->GetSelectItem();
        if (index < 0)
            return true;
        assignment.macro_value = int32_t(m_valueList->GetItemData(index));
        assignment.macro_desc = m_valueList->GetItemText(index);
        break;
    }
    case kKeyboard:
        if (m_group->GetCurData() == kCaptureGroup) {
            assignment.macro_value = VirtualKeyToUsage(m_capturedKey);
            assignment.macro_value2 = ModifierBoxes();
            assignment.macro_desc = KeyText(ModifierText(assignment.macro_value2), m_keyField->GetEditText());
        } else {
            if (m_values->GetCurSel() < 0)
                return true;
            assignment.macro_value = int32_t(m_values->GetCurData());
            assignment.macro_desc = m_values->GetTitle();
        }
        break;
    case kMacro: {
        if (m_group->GetCurSel() < 0) {
            m_host.Tell(Text(kTextNoMacro), Text(TypeText(kMacro)));
            return true;
        }
        assignment.macro_value = int32_t(m_group->GetCurData());
        assignment.macro_desc = m_group->GetTitle();
        const int32_t mode = kPlayModes[PlayModeIndex()];
        if (mode == kRepeatMode) {
            const int32_t count = RepeatCount(m_repeat->GetEditText());
            m_repeat->SetTitle(QString::number(count));
            assignment.macro_value2 = count;
        } else {
            assignment.macro_value2 = 1;
        }
        assignment.macro_value3 = mode;
        break;
    }
    case kShortcut:
        if (m_values->GetCurSel() < 0)
            return true;
        assignment.macro_value = int32_t(m_values->GetCurData());
        assignment.macro_desc = m_values->GetTitle();
        break;
    case kDisabled:
        assignment.macro_value = 1;
        assignment.macro_desc = Text(kDisabledText);
        break;
    case kProgram: {
        const QString typed = m_path->GetEditText().trimmed();
        if (typed.isEmpty())
            return true;
        // A path typed in full serves as well as one chosen with the browse button.
        QString program = m_programPath;
        if (program.isEmpty() && QFileInfo(typed).isAbsolute())
            program = typed;
        if (!SystemDesktop::IsRunnable(program)) {
            m_host.Tell(
                Text(kTextProgramCannotStart) + (program.isEmpty() ? QString() : QStringLiteral("\n") + program),
                Text(TypeText(kProgram)));
            return true;
        }
        assignment.macro_desc = typed;
        assignment.macro_value = store.AddKeyOtherData(typed, program, kProgram);
        if (assignment.macro_value <= 0) {
            m_host.StoreWriteFailed();
            return true;
        }
        break;
    }
    case kWebAddress: {
        const QString typed = m_path->GetEditText().trimmed();
        if (typed.isEmpty())
            return true;
        if (TextRules::WebAddressToOpen(typed).isEmpty()) {
            m_host.Tell(Text(kTextBadAddress), Text(TypeText(kWebAddress)));
            return true;
        }
        assignment.macro_desc = typed;
        assignment.macro_value = store.AddKeyOtherData(typed, QString(), kWebAddress);
        if (assignment.macro_value <= 0) {
            m_host.StoreWriteFailed();
            return true;
        }
        break;
    }
    case kTextSnippet:
        if (m_group->GetCurSel() < 0) {
            m_host.Tell(Text(kTextNoSnippet), Text(TypeText(kTextSnippet)));
            return true;
        }
        assignment.macro_value = int32_t(m_group->GetCurData());
        assignment.macro_desc = m_group->GetTitle();
        break;
    default:
        return false;
    }

    // Both values 0 (a keyboard assignment without key or modifier) removes
    // the row: the button goes back to its factory function.
    const bool removes = assignment.macro_value == 0 && assignment.macro_value2 == 0;
    if (store.SetKeyAssignment(assignment) <= 0 && !removes) {
        m_host.StoreWriteFailed();
        return true;
    }
    if (m_type == kKeyboard && !removes) {
        m_markers->SetItemKeyDesc(m_button, assignment.macro_desc);
    } else {
        if (removes)
            m_markers->SetItemKeyDesc(m_button, FactoryLabel(m_button));
        ShowCurrentButton();
    }
    m_host.QueueTask(WorkerTask::ButtonMap);
    return true;
}

bool ButtonPage::OnRestoreButton()
{
    m_markers->SetItemKeyDesc(m_button, FactoryLabel(m_button));
    KeyAssignment assignment;
    assignment.profile = m_host.CurrentProfile();
    assignment.key_code = m_button;
    assignment.macro_type = kMouse;
    // Values 0 remove the row; the mouse hears of it with the next button map.
    // A removal answers 0 whether or not it was kept: a write the store could
    // not make reaches the user through the store's own notice.
    (void)m_host.Store().SetKeyAssignment(assignment);
    ShowCurrentButton();
    return true;
}

void ButtonPage::RestoreAllButtons()
{
    if (!m_host.Store().DeleteKeyAssignments(m_host.CurrentProfile())) {
        m_host.StoreWriteFailed();
        return;
    }
    LoadButtons();
    m_host.QueueTask(WorkerTask::ButtonMap);
}

void ButtonPage::OnPageEvent(const PageEvent& event)
{
    switch (event.kind) {
    case PageEvent::Kind::MarkersChanged:
        LoadMarkers();
        break;
    case PageEvent::Kind::RestoreButtonDefaults:
        RestoreAllButtons();
        break;
    case PageEvent::Kind::TextsChanged:
        if (m_type == kTextSnippet && m_group)
            FillSnippets(int32_t(m_group->GetCurData()));
        RefreshMarkerLabels();
        break;
    case PageEvent::Kind::MacrosChanged:
        if (m_type == kMacro && m_group)
            FillMacros(int32_t(m_group->GetCurData()));
        RefreshMarkerLabels();
        break;
    case PageEvent::Kind::StopRecording:
        StopCapture();
        break;
    default:
        break;
    }
}

QString ButtonPage::ProbeState() const
{
    if (!m_markers || !m_keyField)
        return {};
    QString field = m_keyField->GetEditText();
    field.replace(QLatin1Char(' '), QLatin1Char('_'));
    QString fields = QStringLiteral("buttons.cur=%1 buttons.type=%2 buttons.key=%3 buttons.field=%4 buttons.marker=%5")
                         .arg(m_button)
                         .arg(m_type)
                         .arg(m_capturedKey)
                         .arg(field.isEmpty() ? QStringLiteral("-") : field)
                         .arg(m_markers->GetSelectItem());
    for (int32_t i = 0; i < m_markers->GetItemCount(); ++i) {
        const QPoint at = m_markers->mapToGlobal(m_markers->GetLabelRect(i).center());
        fields += QStringLiteral(" buttons.marker%1=%2,%3").arg(i).arg(at.x()).arg(at.y());
    }
    return fields;
}
