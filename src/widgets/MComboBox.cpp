#include "widgets/MComboBox.h"

#include "widgets/MPopupList.h"
#include "widgets/Theme.h"
#include "widgets/WindowHost.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

MComboBox::MComboBox(QWidget* parent) : MControlFont(parent)
{
    setCursor(Qt::PointingHandCursor);
}

MComboBox::~MComboBox()
{
    if (MWindow* popup = MWindow::FromHandle(m_popup))
        popup->DestroyWindow();
}

void MComboBox::DelAllItems()
{
    m_items.clear();
    m_cur = -1;
    update();
}

int32_t MComboBox::AddItem(const QString& text, intptr_t itemData)
{
    m_items.push_back({text, itemData});
    update();
    return GetItemCount() - 1;
}

bool MComboBox::SetItemText(int32_t index, const QString& text)
{
    if (index < 0 || index >= GetItemCount())
        return false;
    m_items[size_t(index)].text = text;
    update();
    return true;
}

QString MComboBox::GetItemText(int32_t index) const
{
    return index >= 0 && index < GetItemCount() ? m_items[size_t(index)].text : QString();
}

intptr_t MComboBox::GetItemData(int32_t index) const
{
    return index >= 0 && index < GetItemCount() ? m_items[size_t(index)].data : -1;
}

bool MComboBox::SetCurSel(int32_t index)
{
    if (index < -1 || index >= GetItemCount())
        return false;
    m_cur = index;
    update();
    return true;
}

int32_t MComboBox::SelectData(intptr_t itemData)
{
    for (int32_t i = 0; i < GetItemCount(); ++i) {
        if (m_items[size_t(i)].data == itemData) {
            SetCurSel(i);
            return i;
        }
    }
    return -1;
}

intptr_t MComboBox::GetCurData() const { return GetItemData(m_cur); }
QString MComboBox::GetTitle() const { return GetItemText(m_cur); }

MPopupList* MComboBox::GetDropDown() const
{
    return dynamic_cast<MPopupList*>(MWindow::FromHandle(m_popup));
}

MPopupList* MComboBox::ShowDropDown()
{
    if (MPopupList* open = GetDropDown())
        return open;
    auto* host = dynamic_cast<WindowHost*>(window());
    if (!host || m_items.empty())
        return nullptr;
    QStringList texts;
    for (const Item& item : m_items)
        texts << item.text;
    const QRect screen(mapToGlobal(QPoint(0, height() + 2)), QSize(width(), 10));
    QPointer<MComboBox> self(this);
    MPopupList* popup = MPopupList::Open(host->Handle(), QStringLiteral("ComboWnd"), texts, m_cur, screen, [self](int32_t index) {
        if (!self || index < 0 || index >= self->GetItemCount())
            return;
        self->m_popup = 0;
        self->SetCurSel(index);
        self->Notify(kNotifyClick, index);
    });
    m_popup = popup->GetSafeHwnd();
    return popup;
}

void MComboBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!DrawSkin(painter, rect(), VisualState())) {
        painter.setPen(QPen(IsHovered() && isEnabled() ? Theme::kAccent : Theme::kBorder, 1));
        painter.setBrush(isEnabled() ? Theme::kRaised : Theme::kSurface);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    }
    painter.setFont(m_font);
    painter.setPen(isEnabled() ? m_textColor : Theme::kTextDisabled);
    painter.drawText(rect().adjusted(10, 0, -28, 0), Qt::AlignLeft | Qt::AlignVCenter, GetTitle());
    const QPointF c(width() - 16, height() / 2.0);
    QPainterPath chevron;
    chevron.moveTo(c.x() - 4, c.y() - 2);
    chevron.lineTo(c.x(), c.y() + 2);
    chevron.lineTo(c.x() + 4, c.y() - 2);
    painter.setPen(QPen(Theme::kTextDim, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(chevron);
}

void MComboBox::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void MComboBox::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() == Qt::LeftButton && isEnabled() && rect().contains(event->position().toPoint()))
        ShowDropDown();
}
