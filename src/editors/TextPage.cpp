#include "editors/TextPage.h"

#include "devices/DevicesLog.h"
#include "editors/PageControls.h"
#include "editors/PageHost.h"
#include "editors/PageRoutes.h"
#include "editors/TextRules.h"
#include "hid/DeviceEvents.h"
#include "language/InterfaceText.h"
#include "platform/DesktopActions.h"
#include "store/SettingsStore.h"
#include "widgets/CImageButton.h"
#include "widgets/MButton.h"
#include "widgets/MDialog.h"
#include "widgets/MEdit.h"
#include "widgets/MPicture.h"
#include "widgets/MText.h"
#include "widgets/MacroList.h"

#include <QWidget>

#include <set>

namespace {

// Texts only this page shows.
constexpr int kTextSave = 38;
constexpr int kTextLaunchProgram = 228;
constexpr int kTextAdd = 353;
constexpr int kTextDelete = 354;
constexpr int kTextClear = 404;
constexpr int kTextCaption = 450;
constexpr int kTextListCaption = 451;
constexpr int kTextEditorCaption = 452;
constexpr int kTextCharacterMapTip = 453;
constexpr int kTextProgramCannotStart = 931;
constexpr int kTextNoCharacterMap = 934;
constexpr int kTextDeleteQuestion = 937;
constexpr int kTextRename = 939;

constexpr PageRoute kRoutes[] = {
    {TextPage::kList, TextPage::kList, PageRoute::Codes::Any},
    {TextPage::kAdd, TextPage::kDelete, PageRoute::Codes::Click},
    {TextPage::kEditor, TextPage::kEditor, PageRoute::Codes::Any},
    {TextPage::kCharacterMap, TextPage::kSave, PageRoute::Codes::Click},
};

QString Text(int id)
{
    return InterfaceText::Get(id);
}

} // namespace

int32_t TextPage::TabItem() const
{
    return PageTab::kText;
}

uint32_t TextPage::ReloadMask() const
{
    // Snippets are shared by the profiles, like the macros, and reload with them.
    return DeviceEvents::kMacroPage;
}

QString TextPage::DisplayName(const QString& stored)
{
    const int id = TextRules::DefaultNameText(stored, Text(460), Text(461));
    return id ? Text(id) : stored;
}

QString TextPage::DisplayContent(const QString& stored)
{
    const int id = TextRules::DefaultContentText(stored, Text(470), Text(471));
    return id ? Text(id) : stored;
}

void TextPage::Create(MDialog& dialog, MArea& container)
{
    m_controls.Attach(dialog, container);
    auto picture = [this](int32_t id, const char* image) { m_controls.Picture(id, QString::fromLatin1(image)); };
    auto label = [this](int32_t id, int textId, int32_t size) {
        m_controls.Label(id, textId ? Text(textId) : QString(), size);
    };
    auto button = [this](int32_t id, int textId) {
        if (auto* b = m_controls.Make<MButton>(id, Text(textId))) {
            b->SetImage(QStringLiteral("img_button.png"), 4);
            b->SetFontWidth(14);
        }
    };

    picture(kAreaBackground, "img_area_bkg.png");
    label(kCaption, kTextCaption, 18);
    picture(kListBackground, "img_area_content.png");
    picture(kListHeader, "img_area_caption.png");
    label(kListCaption, kTextListCaption, 16);
    m_list = m_controls.Make<MacroList>(kList);
    if (m_list) {
        m_list->SetImage(QStringLiteral("img_list_bkg.png"));
        m_list->SetMoreImage(QStringLiteral("btn_more.png"));
        m_list->SetEditFlag(true);
    }
    button(kAdd, kTextAdd);
    button(kDelete, kTextDelete);

    picture(kEditorBackground, "img_area_content.png");
    picture(kEditorHeader, "img_area_caption.png");
    label(kEditorCaption, kTextEditorCaption, 16);
    if (auto* map = m_controls.Make<CImageButton>(kCharacterMap)) {
        map->SetImage(QStringLiteral("img_btn_abc.png"), 4);
        map->SetTooltip(Text(kTextCharacterMapTip));
    }
    picture(kEditorFrame, "img_area2.png");
    m_editor = m_controls.Make<MEdit>(kEditor);
    if (m_editor) {
        m_editor->SetMultiLine(true);
        m_editor->SetFontWidth(14);
    }
    label(kCounter, 0, 14);
    button(kClear, kTextClear);
    button(kSave, kTextSave);
    ApplyLanguage();
}

void TextPage::Layout(const MRect& area, float scale)
{
    if (!m_controls.IsAttached())
        return;
    auto place = [&](int32_t id, const MRect& rect) { m_controls.Place(id, area, scale, rect); };
    const int32_t w = area.Width();
    const int32_t margin = 20;
    const int32_t inner = margin + 20;
    const int32_t listRight = inner + 340;
    const int32_t editLeft = listRight + 20;

    place(kAreaBackground, {margin, 22, w - margin, 640});
    place(kCaption, {inner, 30, w - inner, 64});

    place(kListBackground, {inner, 72, listRight, 624});
    place(kListHeader, {inner, 72, listRight, 116});
    place(kListCaption, {inner + 16, 72, listRight - 16, 112});
    place(kList, {inner + 10, 126, listRight - 10, 562});
    const int32_t half = (listRight - inner - 30) / 2;
    place(kAdd, {inner + 10, 574, inner + 10 + half, 610});
    place(kDelete, {listRight - 10 - half, 574, listRight - 10, 610});

    place(kEditorBackground, {editLeft, 72, w - inner, 624});
    place(kEditorHeader, {editLeft, 72, w - inner, 116});
    place(kEditorCaption, {editLeft + 16, 72, w - inner - 60, 112});
    place(kCharacterMap, {w - inner - 44, 80, w - inner - 16, 108});
    place(kEditorFrame, {editLeft + 10, 126, w - inner - 10, 562});
    place(kEditor, {editLeft + 14, 130, w - inner - 14, 558});
    place(kCounter, {editLeft + 14, 574, editLeft + 200, 610});
    place(kSave, {w - inner - 10 - 150, 574, w - inner - 10, 610});
    place(kClear, {w - inner - 20 - 300, 574, w - inner - 20 - 150, 610});
}

void TextPage::ApplyLanguage()
{
    if (!m_controls.IsAttached())
        return;
    const std::pair<int32_t, int> titles[] = {{kCaption, kTextCaption}, {kListCaption, kTextListCaption},
        {kAdd, kTextAdd}, {kDelete, kTextDelete}, {kEditorCaption, kTextEditorCaption}, {kClear, kTextClear},
        {kSave, kTextSave}};
    for (const auto& [id, textId] : titles) {
        if (auto* control = dynamic_cast<MControlFont*>(m_controls.Find(id)))
            control->SetTitle(Text(textId));
    }
    if (MControl* map = m_controls.Find(kCharacterMap))
        map->SetTooltip(Text(kTextCharacterMapTip));
    if (!m_list)
        return;
    m_list->SetContextMenu(
        {{Text(kTextRename), kListMenuMessage, 0, kMenuRename}, {Text(kTextDelete), kListMenuMessage, 0, kMenuDelete}});
    // The default snippets follow the language; what the user typed stays.
    for (int32_t i = 0; i < m_list->GetItemCount(); ++i) {
        QString stored;
        if (m_host.Store().GetTextName(int32_t(m_list->GetItemData(i)), stored))
            m_list->SetItemText(i, DisplayName(stored));
    }
    if (m_editor && TextRules::DefaultContentText(m_editor->GetEditText(), Text(470), Text(471)) != 0) {
        m_editor->SetTitle(DisplayContent(m_editor->GetEditText()));
        ShowCounter(int32_t(m_editor->GetEditText().size()));
    }
}

// ---- The list ----

void TextPage::LoadTexts(int32_t keepId)
{
    if (!m_list || !m_editor)
        return;
    m_list->DeleteAllItems();
    m_editor->SetTitle(QString());
    SettingsStore& store = m_host.Store();
    std::vector<NamedEntry> texts;
    if (store.ListTexts(texts) == 0 && store.IsOpened()) {
        bool stored = true;
        for (size_t i = 0; i < std::size(TextRules::kDefaultNames); ++i) {
            NamedEntry entry;
            entry.name = Text(TextRules::kDefaultNames[i]);
            entry.text = Text(TextRules::kDefaultContents[i]);
            stored = store.AddText(entry) > 0 && stored;
        }
        if (!stored)
            m_host.StoreWriteFailed();
        store.ListTexts(texts);
    }
    int32_t select = texts.empty() ? -1 : 0;
    for (const NamedEntry& entry : texts) {
        const int32_t index = m_list->AddString(DisplayName(entry.name), entry.id);
        if (keepId > 0 && entry.id == keepId)
            select = index;
    }
    m_list->SetCurSel(select);
    ShowSelected();
}

int32_t TextPage::SelectedId() const
{
    const intptr_t data = m_list ? m_list->GetCurData() : -1;
    return data > 0 ? int32_t(data) : 0;
}

void TextPage::ShowSelected()
{
    QString content;
    if (const int32_t id = SelectedId())
        m_host.Store().GetTextContent(id, content);
    const QString shown = DisplayContent(content);
    m_editor->SetTitle(shown);
    ShowCounter(int32_t(shown.size()));
}

void TextPage::ShowCounter(int32_t length)
{
    if (auto* counter = m_controls.FindAs<MControlFont>(kCounter))
        counter->SetTitle(TextRules::Counter(length));
}

// ---- Edits ----

bool TextPage::OnControl(int32_t id, int32_t code, intptr_t param)
{
    if (!RouteAccepts(kRoutes, id, code) || !m_list || !m_editor)
        return false;
    switch (id) {
    case kList:
        if (code == kNotifyEditCommit)
            return OnRenamed(int32_t(param));
        if (code == kNotifyClick || code == kNotifyContextClick)
            return OnSelect();
        return false;
    case kEditor:
        if (code != kNotifyEditChanged)
            return false;
        ShowCounter(int32_t(m_editor->GetEditText().size()));
        return true;
    case kAdd:
        return OnAdd();
    case kDelete:
        return OnDelete();
    case kCharacterMap:
        if (!m_host.Desktop().OpenCharacterMap())
            m_host.Tell(Text(kTextNoCharacterMap), Text(kTextCaption));
        return true;
    case kClear:
        return OnClear();
    case kSave:
        return OnSave();
    default:
        return false;
    }
}

bool TextPage::OnSelect()
{
    ShowSelected();
    return true;
}

bool TextPage::OnRenamed(int32_t index)
{
    const int32_t id = int32_t(m_list->GetItemData(index));
    if (id <= 0)
        return false;
    const QString name = m_list->GetItemText(index).trimmed();
    QString stored;
    m_host.Store().GetTextName(id, stored);
    if (name.isEmpty() || !m_host.Store().RenameText(id, name)) {
        if (!name.isEmpty())
            m_host.StoreWriteFailed();
        m_list->SetItemText(index, DisplayName(stored));
        return true;
    }
    m_list->SetItemText(index, name);
    // The buttons that type this snippet are labelled with its name, in every
    // profile: the snippets are shared by all of them.
    SettingsStore& store = m_host.Store();
    std::vector<NamedEntry> profiles;
    store.ListProfiles(profiles);
    bool labelsKept = true;
    for (const NamedEntry& profile : profiles) {
        std::vector<KeyAssignment> rows;
        store.ListKeyAssignments(profile.id, rows);
        for (const KeyAssignment& row : rows) {
            if (row.macro_type == TextRules::kTypeSnippet && row.macro_value == id
                && !store.SetKeyDescription(profile.id, row.key_code, name))
                labelsKept = false;
        }
    }
    if (!labelsKept)
        m_host.StoreWriteFailed();
    m_host.NotifyPages({PageEvent::Kind::TextsChanged});
    return true;
}

bool TextPage::OnAdd()
{
    SettingsStore& store = m_host.Store();
    std::vector<NamedEntry> texts;
    store.ListTexts(texts);
    std::vector<QString> names;
    for (const NamedEntry& entry : texts)
        names.push_back(entry.name);
    NamedEntry entry;
    entry.name = TextRules::NewSnippetName(names);
    const int32_t id = store.AddText(entry);
    if (id <= 0) {
        m_host.StoreWriteFailed();
        return true;
    }
    m_list->SetCurSel(m_list->AddString(entry.name, id));
    m_list->EnsureVisible(m_list->GetCurSel());
    m_editor->SetTitle(QString());
    ShowCounter(0);
    m_host.NotifyPages({PageEvent::Kind::TextsChanged});
    return true;
}

bool TextPage::OnDelete()
{
    const int32_t index = m_list->GetCurSel();
    const int32_t id = SelectedId();
    if (id <= 0)
        return false;
    if (!m_host.Ask(Text(kTextDeleteQuestion), Text(kTextDelete)))
        return true;
    if (!m_host.Store().DeleteText(id)) {
        m_host.StoreWriteFailed();
        return true;
    }
    m_list->DeleteItem(index);
    m_list->SetCurSel(index - 1);
    ShowSelected();
    m_host.NotifyPages({PageEvent::Kind::TextsChanged});
    return true;
}

bool TextPage::OnClear()
{
    m_editor->SetTitle(QString());
    ShowCounter(0);
    if (const int32_t id = SelectedId()) {
        if (!m_host.Store().SetTextContent(id, QString()))
            m_host.StoreWriteFailed();
    }
    return true;
}

bool TextPage::OnSave()
{
    const int32_t id = SelectedId();
    if (id <= 0)
        return false;
    const QString content = m_editor->GetEditText();
    if (!m_host.Store().SetTextContent(id, content))
        m_host.StoreWriteFailed();
    ShowCounter(int32_t(content.size()));
    return true;
}

bool TextPage::OnWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (message != kListMenuMessage || wParam != uintptr_t(kList) || !m_list)
        return false;
    if (lParam == kMenuRename)
        m_list->BeginEdit(m_list->GetCurSel());
    else if (lParam == kMenuDelete)
        OnDelete();
    return true;
}

// ---- The mouse's requests ----

void TextPage::OnPageEvent(const PageEvent& event)
{
    if (event.kind == PageEvent::Kind::TextRequest)
        PerformMouseRequest(event.value, event.value2);
}

int32_t TextPage::ResolveTarget(int32_t function, int32_t target)
{
    std::vector<KeyAssignment> rows;
    m_host.Store().ListKeyAssignments(m_host.CurrentProfile(), rows);
    std::set<int32_t> ids;
    for (const KeyAssignment& row : rows) {
        if (row.macro_type == function && (row.macro_value & 0xFF) == target)
            ids.insert(row.macro_value);
    }
    if (ids.size() > 1)
        return -1;
    return ids.empty() ? target : *ids.begin();
}

void TextPage::PerformMouseRequest(int32_t function, int32_t target)
{
    if (function != TextRules::kStartProgram && function != TextRules::kOpenWebAddress
        && function != TextRules::kTypeSnippet)
        return;
    const int32_t id = ResolveTarget(function, target);
    if (id <= 0) {
        DevicesDebugLine(QStringLiteral("request %1 for %2: no single row is meant").arg(function).arg(target));
        return;
    }
    SettingsStore& store = m_host.Store();
    if (function == TextRules::kTypeSnippet) {
        QString content;
        if (!store.GetTextContent(id, content)) {
            DevicesDebugLine(QStringLiteral("request for snippet %1, which no longer exists").arg(id));
            return;
        }
        TypeText(DisplayContent(content));
        return;
    }
    QString description;
    QString parameter;
    int32_t type = -1;
    store.GetKeyOtherData(id, description, parameter, type);
    // Only a row made for this function is acted on: an address is never run
    // as a program.
    if (type != function) {
        DevicesDebugLine(QStringLiteral("request %1 for row %2 of type %3: ignored").arg(function).arg(id).arg(type));
        return;
    }
    if (function == TextRules::kOpenWebAddress) {
        const QUrl address = TextRules::WebAddressToOpen(description);
        if (address.isEmpty()) {
            DevicesDebugLine(QStringLiteral("not a web address: %1").arg(description));
            return;
        }
        m_host.Desktop().OpenWebAddress(address);
        return;
    }
    const QString program = parameter.isEmpty() ? description : parameter;
    if (!m_host.Desktop().StartProgram(program, TextRules::ProgramArguments(description, program)))
        m_host.Tell(Text(kTextProgramCannotStart) + QStringLiteral("\n") + program, Text(kTextLaunchProgram));
}

void TextPage::TypeText(const QString& text)
{
    if (text.isEmpty())
        return;
    if (!m_host.Desktop().TypeText(text))
        DevicesDebugLine(QStringLiteral("the text could not be typed: no synthetic keys on this desktop"));
}

QString TextPage::ProbeState() const
{
    if (!m_list || !m_editor)
        return {};
    QString fields = QStringLiteral("text.sel=%1 text.count=%2 text.len=%3")
                         .arg(m_list->GetCurSel())
                         .arg(m_list->GetItemCount())
                         .arg(m_editor->GetEditText().size());
    if (const QWidget* edit = m_editor->GetEditor(); edit && edit->isVisible()) {
        const QPoint centre = edit->mapToGlobal(edit->rect().center());
        fields += QStringLiteral(" text.edit=%1,%2").arg(centre.x()).arg(centre.y());
    }
    return fields;
}
