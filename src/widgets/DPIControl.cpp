#include "widgets/DPIControl.h"

#include "widgets/Colors.h"
#include "widgets/Theme.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QPainter>

DPIControl::DPIControl(QWidget* parent) : MListBase(parent)
{
    m_padding = 6;
    SetFontWidth(15);
    m_edit = new QLineEdit(this);
    m_edit->setAlignment(Qt::AlignCenter);
    m_edit->setFont(Theme::Font(16, true));
    m_edit->setStyleSheet(QStringLiteral("QLineEdit { background: %1; color: %2; border: 1px solid %3; border-radius: 5px; }"
                                         "QLineEdit:focus { border: 1px solid %4; }")
                              .arg(Theme::kWindow.name(), Theme::kText.name(), Theme::kBorder.name(), Theme::kAccent.name()));
    m_edit->installEventFilter(this);
    m_edit->hide();
    QObject::connect(m_edit, &QLineEdit::textEdited, this, [this] { m_committedClean = false; });
    QObject::connect(m_edit, &QLineEdit::returnPressed, this, [this] {
        m_committedClean = true;
        Notify(kNotifyEditCommit, GetCurSel());
    });
}

int32_t DPIControl::AddItem(int32_t value, uint32_t bgrColor)
{
    ListItem item;
    item.value = value;
    item.data = value;
    item.color = bgrColor;
    item.text = QString::number(value);
    const int32_t index = InsertRecord(std::move(item), -1);
    PlaceEditor();
    return index;
}

bool DPIControl::SetDPIValue(int32_t index, int32_t value)
{
    if (index < 0 || index >= GetItemCount())
        return false;
    ListItem& item = m_items[size_t(index)];
    item.value = value;
    item.data = value;
    item.text = QString::number(value);
    if (index == GetCurSel())
        m_edit->setText(item.text);
    update();
    return true;
}

int32_t DPIControl::GetDPIValue(int32_t index) const
{
    const ListItem* item = GetItem(index);
    return item ? item->value : -1;
}

bool DPIControl::SetItemColor(int32_t index, uint32_t bgrColor)
{
    if (index < 0 || index >= GetItemCount())
        return false;
    m_items[size_t(index)].color = bgrColor;
    update();
    return true;
}

QString DPIControl::GetEditText() const { return m_edit->text(); }

void DPIControl::SetTitle(const QString& text)
{
    m_edit->setText(text);
}

QRect DPIControl::LayoutItem(int32_t index) const
{
    const int count = std::max(1, GetItemCount());
    const int gap = 8;
    const int w = std::min(150, (width() - 2 * m_padding - (count - 1) * gap) / count);
    return QRect(m_padding + index * (w + gap), m_padding, w, height() - 2 * m_padding);
}

QRect DPIControl::ValueRect(const QRect& card) const
{
    return QRect(card.left() + 8, card.bottom() - 40, card.width() - 16, 32);
}

void DPIControl::PaintItem(QPainter& painter, const QRect& rect, int32_t index, bool selected, bool hovered)
{
    const ListItem& item = m_items[size_t(index)];
    painter.setPen(QPen(selected ? Theme::kAccent : Theme::kBorder, selected ? 2 : 1));
    painter.setBrush(selected ? QColor(0x1d, 0x3d, 0x3b) : (hovered ? Theme::kHover : Theme::kRaised));
    painter.drawRoundedRect(QRectF(rect).adjusted(1, 1, -1, -1), 8, 8);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ColorFromBgr(item.color));
    painter.drawRoundedRect(QRectF(rect.left() + 10, rect.top() + 10, rect.width() - 20, 6), 3, 3);
    painter.setFont(Theme::Font(12));
    painter.setPen(Theme::kTextDim);
    painter.drawText(QRect(rect.left(), rect.top() + 20, rect.width(), 20), Qt::AlignCenter, QStringLiteral("%1").arg(index + 1));
    if (!selected) {
        painter.setFont(Theme::Font(16, true));
        painter.setPen(Theme::kText);
        painter.drawText(ValueRect(rect), Qt::AlignCenter, item.text);
    }
}

void DPIControl::OnItemContext(int32_t index, const QPoint& globalPos)
{
    if (index >= 0)
        SetCurSel(index);
    Notify(kNotifyContextClick, index);
    ShowContextMenu(globalPos);
}

void DPIControl::OnSelectionChanged()
{
    const ListItem* item = GetItem(GetCurSel());
    m_edit->setText(item ? item->text : QString());
    PlaceEditor();
}

void DPIControl::PlaceEditor()
{
    const int32_t cur = GetCurSel();
    if (cur < 0 || cur >= GetItemCount()) {
        m_edit->hide();
        return;
    }
    m_edit->setGeometry(ValueRect(GetItemRect(cur)));
    m_edit->show();
}

void DPIControl::resizeEvent(QResizeEvent*)
{
    PlaceEditor();
}

bool DPIControl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edit) {
        if (event->type() == QEvent::FocusIn) {
            m_committedClean = false;
            if (static_cast<QFocusEvent*>(event)->reason() != Qt::OtherFocusReason)
                Notify(kNotifyEditFocus, GetCurSel());
        } else if (event->type() == QEvent::FocusOut && !m_committedClean) {
            m_committedClean = true;
            Notify(kNotifyEditCommit, GetCurSel());
        }
    }
    return MListBase::eventFilter(watched, event);
}
