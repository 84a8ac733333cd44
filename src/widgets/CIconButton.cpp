#include "widgets/CIconButton.h"

#include "widgets/MRender.h"

#include <QPainter>

void CIconButton::SetIconImage(const QString& file)
{
    m_icon = file;
    update();
}

void CIconButton::AddPictures(std::vector<MRender::PictureRequest>& pictures) const
{
    MButton::AddPictures(pictures);
    pictures.push_back({m_icon, {}, 1});
}

void CIconButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintFace(painter);
    const QPixmap icon = MRender::LoadImage(m_icon);
    const int side = std::min(20, height() - 8);
    const QFontMetrics metrics(m_font);
    const int textWidth = metrics.horizontalAdvance(m_title);
    const int total = (icon.isNull() ? 0 : side + 8) + textWidth;
    int x = std::max(6, (width() - total) / 2);
    if (!icon.isNull()) {
        MRender::DrawImage(painter, QRect(x, (height() - side) / 2, side, side), icon, ShowMode::Center);
        x += side + 8;
    }
    painter.setFont(m_font);
    painter.setPen(TitleColor());
    painter.drawText(QRect(x, 0, width() - x - 4, height()), Qt::AlignLeft | Qt::AlignVCenter, m_title);
}
