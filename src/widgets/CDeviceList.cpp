#include "widgets/CDeviceList.h"

#include "widgets/MRender.h"
#include "widgets/Theme.h"

#include <QPainter>

CDeviceList::CDeviceList(QWidget* parent) : MListBase(parent)
{
    m_columns = 3;
    m_rowHeight = 250;
    m_spacing = 16;
    m_padding = 12;
    m_drawFrame = false;
}

int32_t CDeviceList::AddDevice(int32_t deviceType, const QString& name, const QString& image)
{
    ListItem item;
    item.text = name;
    item.data = deviceType;
    item.type = deviceType;
    item.icon = image;
    return InsertRecord(std::move(item), -1);
}

ListItem* CDeviceList::FindDevice(int32_t deviceType)
{
    const int32_t index = FindData(deviceType);
    return index >= 0 ? &m_items[size_t(index)] : nullptr;
}

void CDeviceList::SetAllDeviceState(int32_t state)
{
    for (ListItem& item : m_items)
        item.modeState[0] = item.modeState[1] = state;
    update();
}

bool CDeviceList::SetDeviceState(int32_t deviceType, int32_t mode, int32_t state)
{
    ListItem* item = FindDevice(deviceType);
    if (!item || mode < 0 || mode > 1)
        return false;
    item->modeState[mode] = state;
    update();
    return true;
}

bool CDeviceList::SetDeviceVersion(int32_t deviceType, const QString& version)
{
    ListItem* item = FindDevice(deviceType);
    if (!item)
        return false;
    item->detail = version;
    update();
    return true;
}

bool CDeviceList::SetDeviceBattery(int32_t deviceType, int32_t status, int32_t level)
{
    ListItem* item = FindDevice(deviceType);
    if (!item)
        return false;
    item->batteryStatus = status;
    item->batteryLevel = level;
    update();
    return true;
}

bool CDeviceList::SetSelectDevice(int32_t deviceType)
{
    const int32_t index = FindData(deviceType);
    SetCurSel(index);
    return index >= 0;
}

int32_t CDeviceList::GetSelectDevice() const
{
    const intptr_t itemData = GetCurData();
    return itemData < 0 ? 0 : int32_t(itemData);
}

int32_t CDeviceList::GetDeviceState(int32_t deviceType, int32_t mode) const
{
    const int32_t index = FindData(deviceType);
    if (index < 0 || mode < 0 || mode > 1)
        return -1;
    return m_items[size_t(index)].modeState[mode];
}

void CDeviceList::SetModeText(int32_t mode, const QString& text)
{
    if (mode == 0 || mode == 1)
        m_modeText[mode] = text;
    update();
}

QRect CDeviceList::PictureRect(const QRect& card)
{
    return QRect(card.left() + 16, card.top() + 12, card.width() - 32, card.height() - 110);
}

std::vector<MRender::PictureRequest> CDeviceList::CardPictures() const
{
    std::vector<MRender::PictureRequest> pictures{{m_modeImage, {}, 1}};
    const qreal ratio = devicePixelRatioF();
    for (int32_t index = 0; index < GetItemCount(); ++index)
        pictures.push_back({m_items[size_t(index)].icon, PictureRect(LayoutItem(index)).size(), ratio});
    return pictures;
}

void CDeviceList::AddPictures(std::vector<MRender::PictureRequest>& pictures) const
{
    // The background, and the cards' pictures fitted, never whole.
    MControl::AddPictures(pictures);
    const std::vector<MRender::PictureRequest> cards = CardPictures();
    pictures.insert(pictures.end(), cards.begin(), cards.end());
}

void CDeviceList::OnItemClicked(int32_t index, const QPoint&)
{
    SetCurSel(index);
    Notify(kNotifyClick, GetSelectDevice());
}

void CDeviceList::PaintItem(QPainter& painter, const QRect& rect, int32_t index, bool selected, bool hovered)
{
    const ListItem& item = m_items[size_t(index)];
    const bool online = item.modeState[0] == 1 || item.modeState[1] == 1;
    painter.setPen(QPen(selected ? Theme::kAccent : (hovered ? Theme::kTextDim : Theme::kBorder), selected ? 2 : 1));
    painter.setBrush(hovered ? Theme::kRaised : Theme::kSurface);
    painter.drawRoundedRect(QRectF(rect).adjusted(1, 1, -1, -1), 12, 12);

    const QRect pictureRect = PictureRect(rect);
    const QPixmap picture = MRender::LoadImageFitted(item.icon, pictureRect.size(), devicePixelRatioF());
    if (!picture.isNull()) {
        painter.setOpacity(online ? 1.0 : 0.45);
        MRender::DrawImage(painter, pictureRect, picture, ShowMode::Center);
        painter.setOpacity(1.0);
    }
    painter.setFont(Theme::Font(17, true));
    painter.setPen(Theme::kText);
    painter.drawText(QRect(rect.left() + 16, rect.bottom() - 94, rect.width() - 32, 26), Qt::AlignLeft | Qt::AlignVCenter, item.text);

    const QPixmap modes = MRender::LoadImage(m_modeImage);
    painter.setFont(Theme::Font(13));
    for (int mode = 0; mode < 2; ++mode) {
        const QRect row(rect.left() + 16, rect.bottom() - 64 + mode * 24, rect.width() - 32, 22);
        const bool connected = item.modeState[mode] == 1;
        painter.setPen(Qt::NoPen);
        painter.setBrush(connected ? Theme::kAccent : Theme::kTextDisabled);
        painter.drawEllipse(QPointF(row.left() + 5, row.center().y() + 0.5), 4, 4);
        int x = row.left() + 16;
        if (!modes.isNull()) {
            MRender::DrawImage(painter, QRect(x, row.top() + 2, 18, 18), MRender::StateFrame(modes, 2, mode), ShowMode::Center);
            x += 24;
        }
        painter.setPen(connected ? Theme::kText : Theme::kTextDim);
        painter.drawText(QRect(x, row.top(), row.right() - x, row.height()), Qt::AlignLeft | Qt::AlignVCenter, m_modeText[mode]);
    }
    // The battery belongs to the connection that reports it; the firmware
    // version sits in the card's corner.
    const int onlineMode = item.modeState[0] == 1 ? 0 : (item.modeState[1] == 1 ? 1 : -1);
    painter.setFont(Theme::Font(12));
    painter.setPen(Theme::kTextDim);
    if (onlineMode >= 0 && item.batteryLevel > 0) {
        painter.drawText(QRect(rect.left() + 16, rect.bottom() - 64 + onlineMode * 24, rect.width() - 32, 22),
            Qt::AlignRight | Qt::AlignVCenter,
            QStringLiteral("%1%%2").arg(item.batteryLevel).arg(item.batteryStatus == 1 ? QStringLiteral(" ⚡") : QString()));
    }
    if (onlineMode >= 0 && !item.detail.isEmpty())
        painter.drawText(QRect(rect.left() + 12, rect.top() + 8, rect.width() - 24, 18), Qt::AlignRight | Qt::AlignVCenter,
            QStringLiteral("v%1").arg(item.detail));
}
