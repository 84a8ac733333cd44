#include "widgets/MListBase.h"

#include "widgets/MMenu.h"
#include "widgets/MRender.h"
#include "widgets/Theme.h"
#include "widgets/WindowHost.h"

#include <utility>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWheelEvent>

MListBase::MListBase(QWidget* parent) : MControlFont(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
}

MListBase::~MListBase() = default;

void MListBase::AddPictures(std::vector<MRender::PictureRequest>& pictures) const
{
    MControlFont::AddPictures(pictures);
    for (const ListItem& item : m_items)
        pictures.push_back({item.icon, {}, 1});
}

bool MListBase::SetCurSel(int32_t index)
{
    if (index < -1 || index >= GetItemCount())
        return false;
    m_cur = index;
    if (index >= 0)
        EnsureVisible(index);
    OnSelectionChanged();
    update();
    return true;
}

QString MListBase::GetItemText(int32_t index) const
{
    const ListItem* item = GetItem(index);
    return item ? item->text : QString();
}

bool MListBase::SetItemText(int32_t index, const QString& text)
{
    if (index < 0 || index >= GetItemCount())
        return false;
    m_items[size_t(index)].text = text;
    update();
    return true;
}

intptr_t MListBase::GetItemData(int32_t index) const
{
    const ListItem* item = GetItem(index);
    return item ? item->data : -1;
}

int32_t MListBase::FindData(intptr_t itemData) const
{
    for (int32_t i = 0; i < GetItemCount(); ++i) {
        if (m_items[size_t(i)].data == itemData)
            return i;
    }
    return -1;
}

bool MListBase::SetCurData(intptr_t itemData)
{
    const int32_t index = FindData(itemData);
    return index >= 0 && SetCurSel(index);
}

intptr_t MListBase::GetCurData() const
{
    return m_cur >= 0 ? GetItemData(m_cur) : -1;
}

bool MListBase::DeleteItem(int32_t index)
{
    if (index < 0 || index >= GetItemCount())
        return false;
    if (m_editor)
        CancelEdit();
    m_items.erase(m_items.begin() + index);
    if (m_cur == index) {
        m_cur = -1;
        OnSelectionChanged();
    } else if (m_cur > index) {
        --m_cur;
    }
    m_hover = -1;
    m_scroll = std::clamp(m_scroll, 0, std::max(0, ContentHeight() - height()));
    update();
    return true;
}

void MListBase::DeleteAllItems()
{
    if (m_editor)
        CancelEdit();
    m_items.clear();
    m_cur = -1;
    m_hover = -1;
    m_scroll = 0;
    OnSelectionChanged();
    update();
}

const ListItem* MListBase::GetItem(int32_t index) const
{
    if (index < 0 || index >= GetItemCount())
        return nullptr;
    return &m_items[size_t(index)];
}

int32_t MListBase::InsertRecord(ListItem item, int32_t position)
{
    if (position < 0 || position > GetItemCount())
        position = GetItemCount();
    if (m_editor)
        CancelEdit();
    m_items.insert(m_items.begin() + position, std::move(item));
    if (m_cur >= position)
        ++m_cur;
    update();
    return position;
}

void MListBase::SetRowHeight(int32_t height)
{
    m_rowHeight = std::max(8, height);
    update();
}

void MListBase::SetColumns(int32_t columns)
{
    m_columns = std::max(1, columns);
    update();
}

QRect MListBase::LayoutItem(int32_t index) const
{
    const int cols = std::max(1, m_columns);
    const int inner = width() - 2 * m_padding;
    const int colWidth = (inner - (cols - 1) * m_spacing) / cols;
    const int row = index / cols;
    const int col = index % cols;
    return QRect(m_padding + col * (colWidth + m_spacing), m_padding + row * (m_rowHeight + m_spacing), colWidth, m_rowHeight);
}

int32_t MListBase::ContentHeight() const
{
    if (m_items.empty())
        return 0;
    const QRect last = LayoutItem(GetItemCount() - 1);
    return last.bottom() + 1 + m_padding;
}

QRect MListBase::GetItemRect(int32_t index) const
{
    if (index < 0 || index >= GetItemCount())
        return {};
    return LayoutItem(index).translated(0, -m_scroll);
}

int32_t MListBase::HitTest(const QPoint& point) const
{
    for (int32_t i = 0; i < GetItemCount(); ++i) {
        if (GetItemRect(i).contains(point))
            return i;
    }
    return -1;
}

void MListBase::EnsureVisible(int32_t index)
{
    const QRect r = LayoutItem(index);
    if (r.top() - m_padding < m_scroll)
        m_scroll = std::max(0, r.top() - m_padding);
    else if (r.bottom() + m_padding > m_scroll + height())
        m_scroll = std::max(0, r.bottom() + m_padding - height() + 1);
}

void MListBase::OnFocus(bool focus)
{
    if (!focus && m_editor)
        CommitEdit();
    MControlFont::OnFocus(focus);
}

void MListBase::PaintBackground(QPainter& painter)
{
    if (DrawSkin(painter, rect(), 0) || !m_drawFrame)
        return;
    painter.setPen(QPen(Theme::kBorder, 1));
    painter.setBrush(Theme::kSurface);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
}

void MListBase::PaintItem(QPainter& painter, const QRect& rect, int32_t index, bool selected, bool hovered)
{
    if (selected || hovered) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(selected ? QColor(0x1d, 0x3d, 0x3b) : Theme::kHover);
        painter.drawRoundedRect(QRectF(rect), 5, 5);
        if (selected) {
            painter.setBrush(Theme::kAccent);
            painter.drawRoundedRect(QRectF(rect.left(), rect.top() + 6, 3, rect.height() - 12), 1.5, 1.5);
        }
    }
    int x = rect.left() + 12;
    const ListItem& item = m_items[size_t(index)];
    const QPixmap icon = MRender::LoadImage(item.icon);
    if (!icon.isNull()) {
        const int side = std::min(22, rect.height() - 8);
        MRender::DrawImage(painter, QRect(x, rect.top() + (rect.height() - side) / 2, side, side), icon, ShowMode::Center);
        x += side + 8;
    }
    painter.setFont(m_font);
    painter.setPen(!isEnabled() ? Theme::kTextDisabled : (selected ? Theme::kText : Theme::kText.darker(112)));
    const QRect textRect(x, rect.top(), rect.right() - x - 8, rect.height());
    const Qt::Alignment align = (GetQtAlignment() & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter;
    painter.drawText(textRect, int(align), QFontMetrics(m_font).elidedText(item.text, Qt::ElideRight, textRect.width()));
}

void MListBase::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintBackground(painter);
    painter.setClipRect(rect().adjusted(1, 1, -1, -1));
    for (int32_t i = 0; i < GetItemCount(); ++i) {
        const QRect r = GetItemRect(i);
        if (r.bottom() < 0 || r.top() > height())
            continue;
        PaintItem(painter, r, i, i == m_cur, i == m_hover && isEnabled());
    }
    const int content = ContentHeight();
    if (content > height()) {
        const int barHeight = std::max(20, height() * height() / content);
        const int y = (height() - barHeight) * m_scroll / std::max(1, content - height());
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::kBorder);
        painter.drawRoundedRect(QRectF(width() - 5, y + 2, 3, barHeight - 4), 1.5, 1.5);
    }
}

void MListBase::OnItemClicked(int32_t index, const QPoint&)
{
    SetCurSel(index);
    Notify(kNotifyClick, index);
}

void MListBase::OnItemContext(int32_t index, const QPoint& globalPos)
{
    if (index >= 0)
        SetCurSel(index);
    QPointer<MListBase> self(this);
    Notify(kNotifyContextClick, index);
    if (self)
        ShowContextMenu(globalPos);
}

void MListBase::ShowContextMenu(const QPoint& globalPos)
{
    if (m_menu.empty())
        return;
    auto* host = dynamic_cast<WindowHost*>(window());
    if (!host)
        return;
    // A list's menu entries always name the list in wParam.
    std::vector<MenuItem> items = m_menu;
    for (MenuItem& item : items)
        item.wParam = uintptr_t(GetId());
    MMenu::Track(host->Handle(), items, globalPos);
}

void MListBase::mousePressEvent(QMouseEvent* event)
{
    if (m_editor)
        CommitEdit();
    m_pressIndex = isEnabled() ? HitTest(event->position().toPoint()) : -1;
    event->accept();
}

void MListBase::mouseReleaseEvent(QMouseEvent* event)
{
    const int32_t index = HitTest(event->position().toPoint());
    const bool same = index >= 0 && index == m_pressIndex;
    m_pressIndex = -1;
    event->accept();
    if (!isEnabled())
        return;
    if (event->button() == Qt::LeftButton && same)
        OnItemClicked(index, event->position().toPoint());
    else if (event->button() == Qt::RightButton)
        OnItemContext(index, event->globalPosition().toPoint());
}

void MListBase::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    const int32_t index = HitTest(event->position().toPoint());
    if (index >= 0 && event->button() == Qt::LeftButton && m_editable && isEnabled())
        BeginEdit(index);
}

void MListBase::SetHover(int32_t index)
{
    // Only the two items: a list the size of a page would otherwise be
    // redrawn whole as the pointer moves over it.
    for (const int32_t changed : {std::exchange(m_hover, index), index}) {
        if (changed >= 0)
            update(GetItemRect(changed).adjusted(-1, -1, 1, 1));
    }
}

void MListBase::mouseMoveEvent(QMouseEvent* event)
{
    if (const int32_t hover = HitTest(event->position().toPoint()); hover != m_hover)
        SetHover(hover);
}

void MListBase::leaveEvent(QEvent* event)
{
    SetHover(-1);
    MControlFont::leaveEvent(event);
}

void MListBase::wheelEvent(QWheelEvent* event)
{
    const int maxScroll = std::max(0, ContentHeight() - height());
    const int step = event->angleDelta().y() > 0 ? -m_rowHeight : m_rowHeight;
    m_scroll = std::clamp(m_scroll + step, 0, maxScroll);
    if (m_editor)
        m_editor->setGeometry(EditRect(m_editIndex));
    update();
    event->accept();
}

void MListBase::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F2 && m_editable && isEnabled() && m_cur >= 0) {
        BeginEdit(m_cur);
        return;
    }
    MControlFont::keyPressEvent(event);
}

QString MListBase::EditText(int32_t index) const
{
    return GetItemText(index);
}

bool MListBase::ApplyEdit(int32_t index, const QString& text)
{
    return SetItemText(index, text);
}

QRect MListBase::EditRect(int32_t index) const
{
    return GetItemRect(index).adjusted(6, 3, -6, -3);
}

bool MListBase::BeginEdit(int32_t index)
{
    if (index < 0 || index >= GetItemCount())
        return false;
    if (m_editor)
        CommitEdit();
    SetCurSel(index);
    m_editIndex = index;
    m_editor = new QLineEdit(this);
    m_editor->setFont(m_font);
    m_editor->setStyleSheet(QStringLiteral("QLineEdit { background: %1; color: %2; border: 1px solid %3; border-radius: 4px; padding: 0 6px; }")
        .arg(Theme::kRaised.name(), Theme::kText.name(), Theme::kAccent.name()));
    m_editor->setText(EditText(index));
    m_editor->selectAll();
    m_editor->setGeometry(EditRect(index));
    m_editor->installEventFilter(this);
    m_editor->show();
    m_editor->setFocus(Qt::OtherFocusReason);
    return true;
}

void MListBase::CommitEdit()
{
    if (!m_editor)
        return;
    QLineEdit* editor = m_editor;
    const int32_t index = m_editIndex;
    const QString text = editor->text();
    m_editor = nullptr;
    m_editIndex = -1;
    editor->removeEventFilter(this);
    editor->hide();
    editor->deleteLater();
    if (index < 0 || index >= GetItemCount() || text == EditText(index))
        return;
    if (ApplyEdit(index, text)) {
        update();
        Notify(kNotifyEditCommit, index);
    }
}

void MListBase::CancelEdit()
{
    if (!m_editor)
        return;
    m_editor->removeEventFilter(this);
    m_editor->hide();
    m_editor->deleteLater();
    m_editor = nullptr;
    m_editIndex = -1;
}

bool MListBase::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_editor) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                CommitEdit();
                return true;
            }
            if (key == Qt::Key_Escape) {
                CancelEdit();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            CommitEdit();
        }
    }
    return MControlFont::eventFilter(watched, event);
}
