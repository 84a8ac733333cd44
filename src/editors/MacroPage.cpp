#include "editors/MacroPage.h"

#include "editors/ExchangeFlow.h"
#include "editors/KeyCodes.h"
#include "editors/MacroRules.h"
#include "editors/PageControls.h"
#include "editors/PageHost.h"
#include "editors/PageRoutes.h"
#include "hid/DeviceEvents.h"
#include "language/InterfaceText.h"
#include "language/TextIds.h"
#include "store/SettingsStore.h"
#include "widgets/CIconButton.h"
#include "widgets/CRadioButton.h"
#include "widgets/CRecordList.h"
#include "widgets/MButton.h"
#include "widgets/MComboBox.h"
#include "widgets/MDialog.h"
#include "widgets/MEdit.h"
#include "widgets/MPicture.h"
#include "widgets/MText.h"
#include "widgets/MacroList.h"

#include <QCursor>

#include <algorithm>
#include <array>

namespace {

// Texts only this page shows.
constexpr int kTextImport = 26;
constexpr int kTextExport = 27;
constexpr int kTextCopyWord = 31;
constexpr int kTextInsert = 39;
constexpr int kTextLeftButton = 106;
constexpr int kTextRightButton = 107;
constexpr int kTextMiddleButton = 108;
constexpr int kTextForwardButton = 109;
constexpr int kTextBackButton = 110;
constexpr int kTextCaption = 350;
constexpr int kTextListCaption = 352;
constexpr int kTextNewMacro = 353;
constexpr int kTextEventCaption = 355;
constexpr int kTextDeleteEvent = 357;
constexpr int kTextRecord = 358;
constexpr int kTextStopRecording = 359;
constexpr int kTextDelayCaption = 360;
constexpr int kTextDelayDefault = 361;
constexpr int kTextDelayMeasured = 362;
constexpr int kTextDelayFixed = 363;
constexpr int kTextRecordingCaption = 365;
constexpr int kTextLimit = 366;
constexpr int kTextEmptyList = 367;
constexpr int kTextNoKey = 368;
constexpr int kTextFixedDelayRange = 370;
constexpr int kTextNoMacro = 387;
constexpr int kTextColumnNumber = 388;
constexpr int kTextColumnEvent = 389;
constexpr int kTextColumnType = 390;
constexpr int kTextDeleteAll = 404;
constexpr int kTextBefore = 411;
constexpr int kTextAfter = 412;
constexpr int kTextKindKey = 415;
constexpr int kTextKindMouse = 416;
constexpr int kTextKindWheel = 417;
constexpr int kTextKindDelay = 418;
constexpr int kTextMenuInsertKey = 950;
constexpr int kTextMenuInsertClick = 951;
constexpr int kTextMenuTop = 952;
constexpr int kTextMenuUp = 953;
constexpr int kTextMenuDown = 954;
constexpr int kTextMenuBottom = 955;
constexpr int kTextMenuDeleteAll = 956;
constexpr int kTextMilliseconds = 957;
constexpr int kTextInsertCaption = 958;
constexpr int kTextKeyFieldHint = 959;

constexpr PageRoute kRoutes[] = {
    {MacroPage::kMacroList, MacroPage::kMacroList, PageRoute::Codes::Any},
    {MacroPage::kNewMacro, MacroPage::kExport, PageRoute::Codes::Click},
    {MacroPage::kEventList, MacroPage::kEventList, PageRoute::Codes::EditCommit},
    {MacroPage::kDeleteEvent, MacroPage::kDeleteAll, PageRoute::Codes::Click},
    {MacroPage::kRecord, MacroPage::kRecord, PageRoute::Codes::Click},
    {MacroPage::kDelayDefault, MacroPage::kDelayFixed, PageRoute::Codes::Click},
    {MacroPage::kFixedDelay, MacroPage::kFixedDelay, PageRoute::Codes::EditCommit},
    {MacroPage::kKindKey, MacroPage::kKindDelay, PageRoute::Codes::Click},
    {MacroPage::kKeyField, MacroPage::kPauseField, PageRoute::Codes::Any},
    {MacroPage::kInsert, MacroPage::kInsert, PageRoute::Codes::Click},
};

// The record list's menu commands (message 1710, then 1711).
constexpr intptr_t kMenuInsertKey = 101;
constexpr intptr_t kMenuInsertClick = 102;
constexpr intptr_t kMenuTop = 100;
constexpr intptr_t kMenuUp = 101;
constexpr intptr_t kMenuDown = 102;
constexpr intptr_t kMenuBottom = 103;
constexpr intptr_t kMenuDeleteAll = 104;

// The key the menu's key pair presses: A.
constexpr int32_t kVirtualKeyA = 65;

// The mouse buttons offered for insertion, in the list's order.
struct MouseChoice {
    int textId;
    int32_t code;
};
constexpr std::array<MouseChoice, 5> kMouseChoices = {{
    {kTextLeftButton, KeyCodes::kMouseLeft},
    {kTextRightButton, KeyCodes::kMouseRight},
    {kTextMiddleButton, KeyCodes::kMouseMiddle},
    {kTextForwardButton, KeyCodes::kMouseForward},
    {kTextBackButton, KeyCodes::kMouseBack},
}};

const QString kDelayGroup = QStringLiteral("IDC_MACRO_STC_DELAYSET");
const QString kKindGroup = QStringLiteral("MACRO_EVENT");

QString Text(int id)
{
    return InterfaceText::Get(id);
}

} // namespace

int32_t MacroPage::TabItem() const
{
    return PageTab::kMacros;
}

uint32_t MacroPage::ReloadMask() const
{
    return DeviceEvents::kMacroPage;
}

void MacroPage::Create(MDialog& dialog, MArea& container)
{
    m_controls.Attach(dialog, container);
    auto picture = [&](int32_t id, const char* image) { m_controls.Picture(id, QString::fromLatin1(image)); };
    auto label = [&](int32_t id, int textId, int32_t size, int32_t alignment) {
        auto* text = m_controls.Make<MText>(id, textId ? Text(textId) : QString());
        if (text) {
            text->SetFontWidth(size);
            text->SetAlignment(alignment);
            text->SetVAlignment(kVAlignCenter);
        }
        return text;
    };
    auto button = [&](int32_t id, int textId) {
        if (auto* control = m_controls.Make<MButton>(id, Text(textId))) {
            control->SetImage(QStringLiteral("img_button.png"), 4);
            control->SetFontWidth(14);
        }
    };
    auto radio = [&](int32_t id, int textId, const QString& group, bool checked) {
        if (auto* control = m_controls.Make<CRadioButton>(id, Text(textId))) {
            control->SetImage(QStringLiteral("btn_radiobox.png"), 8);
            control->SetGroupName(group);
            control->SetFontWidth(14);
            control->SetCheck(checked);
        }
    };
    auto edit = [&](int32_t id) {
        auto* control = m_controls.Make<MEdit>(id, {});
        if (control)
            control->SetFontWidth(14);
        return control;
    };
    auto combo = [&](int32_t id) {
        auto* control = m_controls.Make<MComboBox>(id, {});
        if (control) {
            control->SetImage(QStringLiteral("img_combobox.png"), 4);
            control->SetFontWidth(14);
        }
        return control;
    };

    picture(kAreaBackground, "img_area_bkg.png");
    label(kCaption, kTextCaption, 18, kAlignLeft);

    // The macro list on the left.
    picture(kListBackground, "img_area_content.png");
    label(kListCaption, kTextListCaption, 16, kAlignLeft);
    m_macros = m_controls.Make<MacroList>(kMacroList, {});
    if (m_macros) {
        m_macros->SetImage(QStringLiteral("img_list_bkg.png"));
        m_macros->SetMoreImage(QStringLiteral("btn_more.png"));
        m_macros->SetFontWidth(14);
    }
    button(kNewMacro, kTextNewMacro);
    button(kImport, kTextImport);
    button(kExport, kTextExport);

    // The events of the selected macro.
    picture(kEventBackground, "img_area_content.png");
    label(kEventCaption, kTextEventCaption, 16, kAlignLeft);
    m_count = label(kEventCount, 0, 14, kAlignRight);
    m_record = m_controls.Make<CIconButton>(kRecord, Text(kTextRecord));
    if (m_record) {
        m_record->SetImage(QStringLiteral("img_button.png"), 4);
        m_record->SetIconImage(QStringLiteral("icon\\icon_rec.png"));
        m_record->SetFontWidth(14);
    }
    label(kColumnNumber, kTextColumnNumber, 13, kAlignCenter);
    label(kColumnEvent, kTextColumnEvent, 13, kAlignLeft);
    label(kColumnType, kTextColumnType, 13, kAlignLeft);
    label(kColumnDelay, kTextKindDelay, 13, kAlignRight);
    m_events = m_controls.Make<CRecordList>(kEventList, {});
    if (m_events) {
        m_events->SetImage(QStringLiteral("img_list_bkg.png"));
        m_events->SetIconImage(QStringLiteral("icon\\icon_record.png"));
        m_events->SetFontWidth(14);
        m_events->SetDelayRange(0, MacroRules::kMaxEditedDelay);
    }
    button(kDeleteEvent, kTextDeleteEvent);
    button(kDeleteAll, kTextDeleteAll);

    // How recorded events are timed.
    label(kDelayCaption, kTextDelayCaption, 15, kAlignLeft);
    radio(kDelayDefault, kTextDelayDefault, kDelayGroup, false);
    radio(kDelayMeasured, kTextDelayMeasured, kDelayGroup, true);
    radio(kDelayFixed, kTextDelayFixed, kDelayGroup, false);
    m_fixedDelay = edit(kFixedDelay);
    if (m_fixedDelay) {
        m_fixedDelay->SetMaxLength(6);
        m_fixedDelay->SetEnabled(false);
    }
    label(kFixedDelayUnit, kTextMilliseconds, 14, kAlignLeft);

    // Inserting an event by hand.
    label(kInsertCaption, kTextInsertCaption, 15, kAlignLeft);
    m_position = combo(kInsertPosition);
    if (m_position) {
        m_position->AddItem(Text(kTextBefore), kInsertBefore);
        m_position->AddItem(Text(kTextAfter), kInsertAfter);
        m_position->SetCurSel(int32_t(kInsertAfter));
    }
    radio(kKindKey, kTextKindKey, kKindGroup, true);
    radio(kKindMouse, kTextKindMouse, kKindGroup, false);
    radio(kKindWheel, kTextKindWheel, kKindGroup, false);
    radio(kKindDelay, kTextKindDelay, kKindGroup, false);
    m_keyField = edit(kKeyField);
    if (m_keyField)
        m_keyField->SetReadOnly(true);
    m_pauseField = edit(kPauseField);
    if (m_pauseField)
        m_pauseField->SetMaxLength(6);
    m_mouseButton = combo(kMouseButton);
    if (m_mouseButton) {
        for (const MouseChoice& choice : kMouseChoices)
            m_mouseButton->AddItem(Text(choice.textId), choice.code);
        m_mouseButton->SetCurSel(0);
    }
    button(kInsert, kTextInsert);
    ShowKindField(kKindKey);
    ApplyLanguage();
    ShowCount();
}

void MacroPage::Layout(const MRect& area, float scale)
{
    if (!m_controls.IsAttached())
        return;
    auto at = [scale](int32_t v) { return int32_t(float(v) * scale); };
    auto place = [&](int32_t id, const MRect& rect) {
        if (MControl* control = m_controls.Find(id))
            control->SetRect(
                {area.left + rect.left, area.top + rect.top, area.left + rect.right, area.top + rect.bottom});
    };
    const int32_t w = area.Width();

    place(kAreaBackground, {20, at(22), w - 20, at(636)});
    place(kCaption, {40, at(30), 400, at(64)});

    // Left: the macros, with new, import and export below.
    place(kListBackground, {40, at(70), 320, at(620)});
    place(kListCaption, {56, at(78), 304, at(110)});
    place(kMacroList, {52, at(116), 308, at(560)});
    place(kNewMacro, {52, at(572), 132, at(608)});
    place(kImport, {140, at(572), 220, at(608)});
    place(kExport, {228, at(572), 308, at(608)});

    // Right: the events, the delay settings, the insertion.
    const int32_t x0 = 348;
    const int32_t x1 = w - 56;
    place(kEventBackground, {332, at(70), w - 40, at(620)});
    place(kEventCaption, {x0, at(76), x0 + 300, at(112)});
    place(kRecord, {x1 - 190, at(76), x1, at(112)});
    const int32_t listTop = at(144);
    place(kColumnNumber, {x0, at(118), x0 + CRecordList::kNumberWidth, listTop - 2});
    place(kColumnEvent, {x0 + CRecordList::kNumberWidth + 6, at(118), x0 + 300, listTop - 2});
    place(kColumnType,
        {x1 - CRecordList::kDelayWidth - CRecordList::kTypeWidth - 4, at(118), x1 - CRecordList::kDelayWidth,
            listTop - 2});
    place(kColumnDelay, {x1 - CRecordList::kDelayWidth - 4, at(118), x1 - 14, listTop - 2});
    place(kEventList, {x0, listTop, x1, at(368)});
    place(kDeleteEvent, {x0, at(378), x0 + 110, at(412)});
    place(kDeleteAll, {x0 + 120, at(378), x0 + 230, at(412)});
    place(kEventCount, {x1 - 160, at(378), x1, at(412)});

    place(kDelayCaption, {x0, at(422), x1, at(448)});
    place(kDelayDefault, {x0, at(452), x0 + 210, at(480)});
    place(kDelayMeasured, {x0 + 220, at(452), x0 + 380, at(480)});
    place(kDelayFixed, {x0 + 390, at(452), x0 + 520, at(480)});
    place(kFixedDelay, {x0 + 524, at(450), x0 + 600, at(482)});
    place(kFixedDelayUnit, {x0 + 606, at(450), x0 + 660, at(482)});

    place(kInsertCaption, {x0, at(492), x1, at(518)});
    place(kKindKey, {x0, at(522), x0 + 110, at(550)});
    place(kKindMouse, {x0 + 120, at(522), x0 + 280, at(550)});
    place(kKindWheel, {x0 + 290, at(522), x0 + 440, at(550)});
    place(kKindDelay, {x0 + 450, at(522), x0 + 560, at(550)});
    place(kInsertPosition, {x0, at(560), x0 + 220, at(594)});
    place(kKeyField, {x0 + 232, at(560), x0 + 432, at(594)});
    place(kPauseField, {x0 + 232, at(560), x0 + 432, at(594)});
    place(kMouseButton, {x0 + 232, at(560), x0 + 432, at(594)});
    place(kInsert, {x1 - 120, at(560), x1, at(594)});
}

void MacroPage::ApplyLanguage()
{
    if (!m_controls.IsAttached())
        return;
    const std::pair<int32_t, int> titles[] = {{kCaption, kTextCaption}, {kListCaption, kTextListCaption},
        {kNewMacro, kTextNewMacro}, {kImport, kTextImport}, {kExport, kTextExport}, {kEventCaption, kTextEventCaption},
        {kColumnNumber, kTextColumnNumber}, {kColumnEvent, kTextColumnEvent}, {kColumnType, kTextColumnType},
        {kColumnDelay, kTextKindDelay}, {kDeleteEvent, kTextDeleteEvent}, {kDeleteAll, kTextDeleteAll},
        {kDelayCaption, kTextDelayCaption}, {kDelayDefault, kTextDelayDefault}, {kDelayMeasured, kTextDelayMeasured},
        {kDelayFixed, kTextDelayFixed}, {kFixedDelayUnit, kTextMilliseconds}, {kInsertCaption, kTextInsertCaption},
        {kKindKey, kTextKindKey}, {kKindMouse, kTextKindMouse}, {kKindWheel, kTextKindWheel},
        {kKindDelay, kTextKindDelay}, {kInsert, kTextInsert}};
    for (const auto& [id, textId] : titles) {
        if (auto* control = dynamic_cast<MControlFont*>(m_controls.Find(id)))
            control->SetTitle(Text(textId));
    }
    if (m_record)
        m_record->SetTitle(Text(IsRecording() ? kTextStopRecording : kTextRecord));
    if (m_keyField)
        m_keyField->SetHint(Text(kTextKeyFieldHint));
    if (m_position) {
        m_position->SetItemText(int32_t(kInsertBefore), Text(kTextBefore));
        m_position->SetItemText(int32_t(kInsertAfter), Text(kTextAfter));
    }
    if (m_mouseButton) {
        for (size_t i = 0; i < kMouseChoices.size(); ++i)
            m_mouseButton->SetItemText(int32_t(i), Text(kMouseChoices[i].textId));
    }
    if (m_macros) {
        m_macros->SetMenuTexts(Text(kTextCopyWord), Text(kTextDeleteEvent));
        // Default names follow the language; the stored names stay.
        const QString word = Text(TextIds::kMacroWord);
        for (int32_t i = 0; i < m_macros->GetItemCount(); ++i) {
            MacroInfo macro;
            if (m_host.Store().GetMacro(int32_t(m_macros->GetItemData(i)), macro))
                m_macros->ModifyItemString(i, MacroRules::DisplayName(macro.name, word));
        }
    }
    if (m_events) {
        m_events->SetMenuTexts({Text(kTextMenuInsertKey), Text(kTextMenuInsertClick)},
            {Text(kTextMenuTop), Text(kTextMenuUp), Text(kTextMenuDown), Text(kTextMenuBottom),
                Text(kTextMenuDeleteAll)});
        m_events->SetTypeTexts({{MacroRules::kKeyDown, Text(kTextKindKey)}, {MacroRules::kKeyUp, Text(kTextKindKey)},
            {MacroRules::kButtonDown, Text(kTextKindMouse)}, {MacroRules::kButtonUp, Text(kTextKindMouse)},
            {MacroRules::kWheelUp, Text(kTextKindWheel)}, {MacroRules::kWheelDown, Text(kTextKindWheel)}});
    }
}

// ---- Loading ----

void MacroPage::LoadMacroPage()
{
    if (!m_macros || !m_events)
        return;
    // The mouse was read again (it came back, say): what was recorded so far
    // is stored before the lists are refilled.
    StopRecording();
    const int32_t shown = m_macroId;
    m_macros->DeleteAllItems();
    m_events->DeleteAllItems();
    m_macroId = 0;
    std::vector<MacroInfo> macros;
    m_host.Store().ListMacros(macros);
    const QString word = Text(TextIds::kMacroWord);
    for (const MacroInfo& macro : macros)
        m_macros->AddString(MacroRules::DisplayName(macro.name, word), macro.macro_id);
    // A refill after the mouse was read again keeps the macro being edited.
    int32_t index = IndexOfMacro(shown);
    if (index < 0)
        index = m_macros->GetItemCount() > 0 ? 0 : -1;
    m_macros->SetCurSel(index);
    LoadMacro(index >= 0 ? int32_t(m_macros->GetItemData(index)) : 0);
}

void MacroPage::LoadMacro(int32_t macroId)
{
    if (!m_events)
        return;
    m_events->DeleteAllItems();
    m_macroId = 0;
    MacroInfo macro;
    if (macroId > 0 && m_host.Store().GetMacro(macroId, macro)) {
        m_macroId = macroId;
        // A delay type no button stands for is shown as the recording's own timing.
        m_delayType = macro.delay_type >= 0 && macro.delay_type <= 2 ? macro.delay_type : 1;
        const int32_t checked = kDelayDefault + m_delayType;
        for (int32_t id : {kDelayDefault, kDelayMeasured, kDelayFixed}) {
            if (auto* button = m_controls.FindAs<CRadioButton>(id))
                button->SetCheck(id == checked);
        }
        if (m_fixedDelay) {
            m_fixedDelay->SetEnabled(m_delayType == 2);
            if (m_delayType == 2)
                m_fixedDelay->SetTitle(QString::number(
                    std::clamp(macro.delay_time, MacroRules::kMinFixedDelay, MacroRules::kMaxFixedDelay)));
        }
        std::vector<MacroStep> steps;
        m_host.Store().ListMacroSteps(macroId, steps);
        for (const MacroStep& step : steps)
            m_events->AddString(step.desc, step.type, step.value, step.delay_time);
    }
    ShowCount();
}

int32_t MacroPage::IndexOfMacro(int32_t macroId) const
{
    return m_macros && macroId > 0 ? m_macros->FindData(macroId) : -1;
}

void MacroPage::ShowCount()
{
    if (m_count)
        m_count->SetTitle(
            QStringLiteral("%1/%2").arg(m_events ? m_events->GetEventCount() : 0).arg(MacroRules::kMaxEvents));
}

// ---- Saving ----

int32_t MacroPage::DelayType() const
{
    for (int32_t type = 0; type <= 2; ++type) {
        const auto* button = m_controls.FindAs<CRadioButton>(kDelayDefault + type);
        if (button && button->GetCheck())
            return type;
    }
    return 1;
}

int32_t MacroPage::FixedDelay() const
{
    return m_fixedDelay ? MacroRules::ClampFixedDelay(m_fixedDelay->GetEditText()).value : MacroRules::kMinFixedDelay;
}

bool MacroPage::SaveMacro()
{
    if (m_macroId <= 0 || !m_events)
        return false;
    MacroInfo macro;
    if (!m_host.Store().GetMacro(m_macroId, macro))
        return false;
    macro.delay_type = DelayType();
    macro.delay_time = macro.delay_type == 2 ? FixedDelay() : MacroRules::kDefaultDelay;
    std::vector<MacroStep> steps;
    int32_t index = 0;
    for (const RecordItem& item : m_events->GetRecordItems())
        steps.push_back(MacroStep{0, m_macroId, item.type, index++, item.value, item.delay, item.text});
    if (!m_host.Store().ReplaceMacro(m_macroId, macro, std::move(steps))) {
        m_host.StoreWriteFailed();
        return false;
    }
    m_host.QueueTask(WorkerTask::UploadMacros);
    return true;
}

void MacroPage::SaveDelaySettings()
{
    MacroInfo macro;
    if (m_macroId <= 0 || !m_host.Store().GetMacro(m_macroId, macro))
        return;
    macro.delay_type = DelayType();
    macro.delay_time = macro.delay_type == 2 ? FixedDelay() : MacroRules::kDefaultDelay;
    if (!m_host.Store().UpdateMacro(m_macroId, macro))
        m_host.StoreWriteFailed();
}

// ---- Notifications ----

bool MacroPage::OnControl(int32_t id, int32_t code, intptr_t param)
{
    if (!RouteAccepts(kRoutes, id, code) || !m_macros || !m_events)
        return false;
    switch (id) {
    case kMacroList:
        if (code == kNotifyClick || code == kNotifyContextClick)
            return OnMacroChosen();
        if (code == kNotifyEditCommit)
            return OnRename(int32_t(param));
        return false;
    case kNewMacro:
        return OnNewMacro();
    case kImport:
        return OnImport();
    case kExport:
        return OnExport();
    case kEventList:
        SaveMacro();
        return true;
    case kDeleteEvent:
        return OnDeleteEvent();
    case kDeleteAll:
        return OnDeleteAll();
    case kDelayDefault:
    case kDelayMeasured:
    case kDelayFixed:
        return OnDelayMode(id);
    case kFixedDelay:
        return OnFixedDelayCommitted();
    case kKindKey:
    case kKindMouse:
    case kKindWheel:
    case kKindDelay:
        return OnEventKind(id);
    case kKeyField:
        OnKeyField(code);
        return code == kNotifyEditFocus || code == kNotifyEditCommit;
    case kPauseField:
        return code == kNotifyEditCommit && OnPauseDelayCommitted();
    case kRecord:
        OnRecord();
        return true;
    case kInsert:
        return OnInsert();
    default:
        return false;
    }
}

bool MacroPage::OnWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (message == MacroList::kMenuMessage && wParam == uintptr_t(kMacroList)) {
        if (lParam == MacroList::kCommandCopy)
            CopyMacro();
        else if (lParam == MacroList::kCommandDelete)
            DeleteMacro();
        return true;
    }
    if (message == CRecordList::kInsertMessage && wParam == uintptr_t(kEventList)) {
        InsertPairFromMenu(lParam);
        return true;
    }
    if (message == CRecordList::kMoveMessage && wParam == uintptr_t(kEventList)) {
        MoveEvent(lParam);
        return true;
    }
    return false;
}

// ---- The macro list ----

bool MacroPage::OnMacroChosen()
{
    const int32_t index = m_macros->GetCurSel();
    const int32_t macroId = index >= 0 ? int32_t(m_macros->GetItemData(index)) : 0;
    // A right click selects as well: the events shown are always the
    // selected macro's, or a later save would file them under another.
    LoadMacro(macroId);
    return true;
}

bool MacroPage::OnRename(int32_t index)
{
    const int32_t macroId = int32_t(m_macros->GetItemData(index));
    MacroInfo macro;
    if (macroId <= 0 || !m_host.Store().GetMacro(macroId, macro))
        return false;
    const QString typed = m_macros->GetItemText(index);
    if (typed.trimmed().isEmpty() || !m_host.Store().RenameMacro(macroId, typed)) {
        if (!typed.trimmed().isEmpty())
            m_host.StoreWriteFailed();
        m_macros->ModifyItemString(index, MacroRules::DisplayName(macro.name, Text(TextIds::kMacroWord)));
        return true;
    }
    // Buttons that play the macro are described by its name, in every
    // profile: the macros are shared by all of them.
    std::vector<NamedEntry> profiles;
    m_host.Store().ListProfiles(profiles);
    for (const NamedEntry& profile : profiles) {
        std::vector<KeyAssignment> keys;
        m_host.Store().ListKeyAssignments(profile.id, keys);
        for (const KeyAssignment& key : keys) {
            if (key.macro_type == 5 && key.macro_value == macroId
                && !m_host.Store().SetKeyDescription(profile.id, key.key_code, typed))
                m_host.StoreWriteFailed();
        }
    }
    m_host.NotifyPages({PageEvent::Kind::MacrosChanged});
    return true;
}

bool MacroPage::OnNewMacro()
{
    const QString word = Text(TextIds::kMacroWord);
    const QString name = MacroRules::UniqueName(word, [this](const QString& candidate) {
        for (int32_t i = 0; i < m_macros->GetItemCount(); ++i) {
            if (m_macros->GetItemText(i) == candidate)
                return true;
        }
        return false;
    });
    const int32_t macroId = m_host.Store().AddMacro(name);
    if (macroId <= 0) {
        m_host.StoreWriteFailed();
        return true;
    }
    const int32_t index = m_macros->AddString(MacroRules::DisplayName(name, word), macroId);
    m_macros->SetCurSel(index);
    m_macros->EnsureVisible(index);
    LoadMacro(macroId);
    m_host.NotifyPages({PageEvent::Kind::MacrosChanged});
    return true;
}

void MacroPage::CopyMacro()
{
    MacroInfo source;
    if (m_macroId <= 0 || !m_host.Store().GetMacro(m_macroId, source))
        return;
    std::vector<MacroStep> steps;
    m_host.Store().ListMacroSteps(m_macroId, steps);
    MacroInfo copy = source;
    copy.name = source.name + QStringLiteral(" ") + Text(kTextCopyWord);
    // The copy arrives with all its events or not at all.
    const int32_t copyId = m_host.Store().AddMacroWithSteps(copy, std::move(steps));
    if (copyId <= 0) {
        m_host.StoreWriteFailed();
        return;
    }
    m_macros->AddString(MacroRules::DisplayName(copy.name, Text(TextIds::kMacroWord)), copyId);
    m_host.NotifyPages({PageEvent::Kind::MacrosChanged});
}

void MacroPage::DeleteMacro()
{
    const int32_t index = IndexOfMacro(m_macroId);
    if (index < 0)
        return;
    if (!m_host.Store().DeleteMacro(m_macroId)) {
        m_host.StoreWriteFailed();
        return;
    }
    m_macros->DeleteItem(index);
    m_macros->SetCurSel(index - 1);
    LoadMacro(index > 0 ? int32_t(m_macros->GetItemData(index - 1)) : 0);
    m_host.NotifyPages({PageEvent::Kind::MacrosChanged});
    m_host.QueueTask(WorkerTask::UploadMacros);
    // Buttons name their macro by its place in the list, and every macro
    // after the deleted one moved up a place: the button map must follow.
    m_host.QueueTask(WorkerTask::ButtonMap);
}

bool MacroPage::OnImport()
{
    // The file's macro is added whole or not at all; the flow tells the user
    // what it refused or changed.
    const std::optional<ExchangeResult> result = ExchangeFlow::ImportMacro(m_host);
    if (!result || result->macroId <= 0)
        return true;
    const int32_t index = m_macros->AddString(
        MacroRules::DisplayName(result->macroName, Text(TextIds::kMacroWord)), result->macroId);
    m_macros->SetCurSel(index);
    m_macros->EnsureVisible(index);
    LoadMacro(result->macroId);
    m_host.NotifyPages({PageEvent::Kind::MacrosChanged});
    m_host.QueueTask(WorkerTask::UploadMacros);
    return true;
}

bool MacroPage::OnExport()
{
    // Without a macro shown there is nothing to export: not handled.
    if (m_macroId <= 0)
        return false;
    ExchangeFlow::ExportMacro(m_host, m_macroId);
    return true;
}

// ---- The event list ----

bool MacroPage::OnDeleteEvent()
{
    const int32_t index = m_events->GetCurSel();
    if (m_macroId <= 0 || index < 0)
        return true;
    m_events->DeleteItem(index);
    ShowCount();
    SaveMacro();
    return true;
}

bool MacroPage::OnDeleteAll()
{
    if (m_macroId <= 0)
        return true;
    m_events->DeleteAllItems();
    ShowCount();
    SaveMacro();
    return true;
}

void MacroPage::MoveEvent(intptr_t command)
{
    if (m_macroId <= 0)
        return;
    const int32_t index = m_events->GetCurSel();
    bool moved = false;
    switch (command) {
    case kMenuTop:
        moved = index > 0 && m_events->MoveTop(index);
        break;
    case kMenuUp:
        moved = index > 0 && m_events->SwapItem(index, index - 1);
        break;
    case kMenuDown:
        moved = index >= 0 && m_events->SwapItem(index, index + 1);
        break;
    case kMenuBottom:
        moved = index >= 0 && index + 1 < m_events->GetItemCount() && m_events->MoveBottom(index);
        break;
    case kMenuDeleteAll:
        OnDeleteAll();
        return;
    default:
        return;
    }
    if (moved) {
        m_events->EnsureVisible(m_events->GetCurSel());
        SaveMacro();
    }
}

void MacroPage::TellLimit()
{
    m_host.Tell(Text(kTextLimit), Text(kTextRecordingCaption));
}

bool MacroPage::InsertPair(int32_t downType, int32_t value, const QString& name, intptr_t position)
{
    // A pair must fit whole: a press without its release would hold the key.
    if (m_events->GetEventCount() + 2 > MacroRules::kMaxEvents) {
        TellLimit();
        return false;
    }
    const int32_t selected = m_events->GetCurSel();
    int32_t at = m_events->GetEventCount();
    if (selected >= 0)
        at = position == kInsertBefore ? selected : selected + 1;
    m_events->InsertString(at, MacroRules::EventText(downType, name), downType, value, MacroRules::kDefaultDelay);
    m_events->InsertString(
        at + 1, MacroRules::EventText(downType + 1, name), downType + 1, value, MacroRules::kDefaultDelay);
    m_events->EnsureVisible(at + 1);
    ShowCount();
    return true;
}

void MacroPage::InsertPairFromMenu(intptr_t command)
{
    if (m_macroId <= 0)
        return;
    bool inserted = false;
    if (command == kMenuInsertKey)
        inserted = InsertPair(MacroRules::kKeyDown, kVirtualKeyA, QStringLiteral("A"), kInsertAfter);
    else if (command == kMenuInsertClick)
        inserted = InsertPair(
            MacroRules::kButtonDown, KeyCodes::kMouseLeft, MouseButtonName(KeyCodes::kMouseLeft), kInsertAfter);
    if (inserted)
        SaveMacro();
}

bool MacroPage::OnInsert()
{
    if (m_macroId <= 0) {
        m_host.Tell(Text(kTextNoMacro), Text(kTextRecord));
        return true;
    }
    const int32_t count = m_events->GetEventCount();
    if (count >= MacroRules::kMaxEvents) {
        TellLimit();
        return true;
    }
    if (count == 0) {
        m_host.Tell(Text(kTextEmptyList), Text(kTextRecordingCaption));
        return true;
    }
    const intptr_t position = m_position ? m_position->GetCurData() : kInsertAfter;
    auto checked = [this](int32_t id) {
        const auto* button = m_controls.FindAs<CRadioButton>(id);
        return button && button->GetCheck();
    };
    if (checked(kKindKey)) {
        if (m_capturedKey == 0) {
            m_host.Tell(Text(kTextNoKey), Text(kTextRecordingCaption));
            return true;
        }
        if (!InsertPair(MacroRules::kKeyDown, m_capturedKey, m_capturedName, position))
            return true;
    } else if (checked(kKindMouse)) {
        const intptr_t code = m_mouseButton ? m_mouseButton->GetCurData() : -1;
        const QString name = MouseButtonName(int(code));
        if (name.isEmpty() || !InsertPair(MacroRules::kButtonDown, int32_t(code), name, position))
            return true;
    }
    // The wheel and the delay kinds insert nothing: the macro is stored again.
    SaveMacro();
    return true;
}

void MacroPage::SetCapturedKey(int32_t virtualKey, const QString& name)
{
    m_capturedKey = virtualKey;
    m_capturedName = name;
    if (m_keyField)
        m_keyField->SetTitle(name);
}

// ---- Delays and event kinds ----

bool MacroPage::OnDelayMode(int32_t id)
{
    const int32_t type = id - kDelayDefault;
    if (m_fixedDelay) {
        m_fixedDelay->SetEnabled(type == 2);
        // Choosing the fixed delay anew starts it at the shortest; choosing
        // it again keeps what was typed.
        if (type == 2 && (m_delayType != 2 || m_fixedDelay->GetEditText().trimmed().isEmpty()))
            m_fixedDelay->SetTitle(QString::number(MacroRules::kMinFixedDelay));
    }
    m_delayType = type;
    SaveDelaySettings();
    return true;
}

bool MacroPage::OnFixedDelayCommitted()
{
    if (!m_fixedDelay)
        return false;
    const MacroRules::ClampedDelay delay = MacroRules::ClampFixedDelay(m_fixedDelay->GetEditText());
    m_fixedDelay->SetTitle(QString::number(delay.value));
    if (delay.changed) {
        m_fixedDelay->SetTooltip(QString::number(delay.value));
        m_host.Tell(Text(kTextFixedDelayRange), Text(kTextDelayFixed));
    }
    SaveDelaySettings();
    return true;
}

bool MacroPage::OnPauseDelayCommitted()
{
    const auto* keyKind = m_controls.FindAs<CRadioButton>(kKindKey);
    if (!m_pauseField || (keyKind && keyKind->GetCheck()))
        return false;
    const MacroRules::ClampedDelay delay = MacroRules::ClampPauseDelay(m_pauseField->GetEditText());
    m_pauseField->SetTitle(QString::number(delay.value));
    return true;
}

bool MacroPage::OnEventKind(int32_t id)
{
    ShowKindField(id);
    return true;
}

void MacroPage::ShowKindField(int32_t kind)
{
    // The wheel kind keeps whatever field is shown.
    if (kind == kKindWheel)
        return;
    if (m_keyField) {
        m_keyField->SetVisible(kind == kKindKey);
        if (kind == kKindKey)
            m_keyField->SetTitle({});
    }
    if (kind == kKindKey) {
        m_capturedKey = 0;
        m_capturedName.clear();
    }
    if (m_mouseButton) {
        m_mouseButton->SetVisible(kind == kKindMouse);
        if (kind == kKindMouse)
            m_mouseButton->SetCurSel(0);
    }
    if (m_pauseField) {
        m_pauseField->SetVisible(kind == kKindDelay);
        if (kind == kKindDelay)
            m_pauseField->SetTitle(QString::number(MacroRules::kDefaultDelay));
    }
}

// ---- Recording ----

void MacroPage::OnRecord()
{
    if (!m_events)
        return;
    if (IsRecording()) {
        StopRecording();
        return;
    }
    if (m_macroId <= 0) {
        m_host.Tell(Text(kTextNoMacro), Text(kTextRecord));
        return;
    }
    if (m_events->GetEventCount() >= MacroRules::kMaxEvents) {
        SaveMacro();
        ShowRecordButton(false);
        SetEditable(true);
        TellLimit();
        return;
    }
    const int32_t type = DelayType();
    if (type == 2 && m_fixedDelay && m_fixedDelay->GetEditText().trimmed().isEmpty())
        m_fixedDelay->SetTitle(QString::number(MacroRules::kMinFixedDelay));
    m_recorder.Start(MacroRules::DelayMode(type), FixedDelay());
    m_host.BeginCapture(CaptureMode::kMacroRecording, *this);
    ShowRecordButton(true);
    SetEditable(false);
    m_host.LockFrame(true);
}

void MacroPage::StopRecording(StopReason reason)
{
    if (!IsRecording())
        return;
    m_recorder.Stop();
    m_host.EndCapture(*this);
    SaveMacro();
    ShowRecordButton(false);
    SetEditable(true);
    m_host.LockFrame(false);
    if (reason == StopReason::Limit)
        TellLimit();
}

void MacroPage::OnPageEvent(const PageEvent& event)
{
    if (event.kind == PageEvent::Kind::StopRecording)
        StopRecording();
}

void MacroPage::OnCapturedInput(int32_t mode, const CapturedInput& input)
{
    if (mode == CaptureMode::kMacroRecording) {
        RecordInput(input);
        return;
    }
    // The key field takes the key pressed last, modifiers included.
    if (mode == CaptureMode::kMacroKey && input.kind == CapturedInput::Kind::Keyboard
        && input.state == CapturedInput::kPressed && !input.name.isEmpty())
        SetCapturedKey(input.code, input.name);
}

void MacroPage::RecordInput(const CapturedInput& input)
{
    if (!IsRecording() || !m_events)
        return;
    // The click that stops the recording is not part of it.
    if (input.kind == CapturedInput::Kind::Mouse && m_record
        && m_record->rect().contains(m_record->mapFromGlobal(QCursor::pos())))
        return;
    const MacroRecorder::Step step = m_recorder.OnInput(input, m_events->GetEventCount());
    if (step.previousDelay)
        m_events->UpdateDelayTime(*step.previousDelay);
    if (step.event) {
        const int32_t index = m_events->AddString(
            step.event->text, step.event->type, step.event->value, MacroRules::kDefaultDelay);
        m_events->EnsureVisible(index);
        ShowCount();
    }
    if (step.limitReached)
        StopRecording(StopReason::Limit);
}

void MacroPage::ShowRecordButton(bool recording)
{
    if (!m_record)
        return;
    m_record->SetTitle(Text(recording ? kTextStopRecording : kTextRecord));
    m_record->SetIconImage(
        recording ? QStringLiteral("icon\\icon_stop_rec.png") : QStringLiteral("icon\\icon_rec.png"));
}

void MacroPage::SetEditable(bool editable)
{
    if (!m_controls.IsAttached())
        return;
    static constexpr int32_t kEditing[] = {kMacroList, kNewMacro, kImport, kExport, kEventList, kDeleteEvent,
        kDeleteAll, kDelayDefault, kDelayMeasured, kDelayFixed, kInsertPosition, kKindKey, kKindMouse, kKindWheel,
        kKindDelay, kKeyField, kPauseField, kMouseButton, kInsert};
    for (int32_t id : kEditing) {
        if (MControl* control = m_controls.Find(id))
            control->SetEnabled(editable);
    }
    if (m_fixedDelay)
        m_fixedDelay->SetEnabled(editable && DelayType() == 2);
}

void MacroPage::OnKeyField(int32_t code)
{
    const auto* keyKind = m_controls.FindAs<CRadioButton>(kKindKey);
    if (code == kNotifyEditFocus && keyKind && keyKind->GetCheck() && !IsRecording()) {
        SetCapturedKey(0, {});
        m_host.BeginCapture(CaptureMode::kMacroKey, *this);
    } else if (code == kNotifyEditCommit) {
        m_host.EndCapture(*this);
    }
}

// ---- The state line ----

QString MacroPage::ProbeState() const
{
    if (!m_macros || !m_events)
        return {};
    QStringList ids;
    for (int32_t i = 0; i < m_macros->GetItemCount(); ++i)
        ids << QString::number(m_macros->GetItemData(i));
    QStringList events;
    for (const RecordItem& item : m_events->GetRecordItems())
        events << QStringLiteral("%1:%2:%3").arg(item.type).arg(item.value).arg(item.delay);
    return QStringLiteral("macro.sel=%1 macro.id=%2 macro.ids=%3 macro.count=%4 macro.events=%5 macro.recording=%6")
        .arg(m_macros->GetCurSel())
        .arg(m_macroId)
        .arg(ids.isEmpty() ? QStringLiteral("-") : ids.join(QLatin1Char('/')))
        .arg(m_events->GetEventCount())
        .arg(events.isEmpty() ? QStringLiteral("-") : events.join(QLatin1Char('/')))
        .arg(IsRecording() ? 1 : 0);
}
