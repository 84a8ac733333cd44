#include "widgets/BatteryCtrl.h"

#include "widgets/MRender.h"
#include "widgets/Theme.h"

#include <QPainter>

void BatteryCtrl::SetBatteryInfo(int32_t level, int32_t status)
{
    m_level = std::clamp(level, 0, 100);
    m_status = status;
    update();
}

void BatteryCtrl::SetBatteryImages(const QString& outline, const QString& fill, const QString& charge)
{
    m_outline = outline;
    m_fill = fill;
    m_charge = charge;
    update();
}

void BatteryCtrl::AddPictures(std::vector<MRender::PictureRequest>& pictures) const
{
    for (const QString* image : {&m_outline, &m_fill, &m_charge})
        pictures.push_back({*image, {}, 1});
}

void BatteryCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect body(0, (height() - 18) / 2, 36, 18);
    const QPixmap outline = MRender::LoadImage(m_outline);
    const QPixmap fill = MRender::LoadImage(m_fill);
    const QColor levelColor = m_level <= 20 ? Theme::kDanger : Theme::kAccent;
    const QRect inner = body.adjusted(3, 3, -6, -3);
    const QRect filled(inner.left(), inner.top(), inner.width() * m_level / 100, inner.height());
    if (!outline.isNull()) {
        MRender::DrawImage(painter, body, outline, ShowMode::Stretch);
    } else {
        painter.setPen(QPen(Theme::kTextDim, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(body.left() + 0.75, body.top() + 0.75, body.width() - 5, body.height() - 1.5), 3, 3);
        painter.fillRect(QRect(body.right() - 3, body.center().y() - 3, 3, 6), Theme::kTextDim);
    }
    if (!fill.isNull() && m_level > 20) {
        MRender::DrawPart(painter, filled, fill, QRect(0, 0, fill.width() * m_level / 100, fill.height()));
    } else {
        painter.setPen(Qt::NoPen);
        painter.setBrush(levelColor);
        painter.drawRoundedRect(QRectF(filled), 1.5, 1.5);
    }
    if (m_status == 1 || m_status == 2) {
        const QPixmap charge = MRender::LoadImage(m_charge);
        if (!charge.isNull())
            MRender::DrawImage(painter, QRect(body.right() + 4, body.top(), 14, 18), charge, ShowMode::Center);
    }
    painter.setFont(Theme::Font(13, true));
    painter.setPen(Theme::kText);
    painter.drawText(QRect(body.right() + 20, 0, width() - body.right() - 20, height()), Qt::AlignLeft | Qt::AlignVCenter,
        QStringLiteral("%1%").arg(m_level));
}
