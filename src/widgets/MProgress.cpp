#include "widgets/MProgress.h"

#include "widgets/Theme.h"

#include <QPainter>

void MProgress::SetProgress(int32_t value)
{
    m_value = std::clamp(value, 0, m_max);
    update();
}

void MProgress::SetMaxRange(int32_t upper)
{
    m_max = std::max(1, upper);
    m_value = std::clamp(m_value, 0, m_max);
    update();
}

void MProgress::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bar(0, height() / 2.0 - 5, width() - 52, 10);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::kHover);
    painter.drawRoundedRect(bar, 5, 5);
    painter.setBrush(Theme::kAccent);
    painter.drawRoundedRect(QRectF(bar.left(), bar.top(), bar.width() * m_value / m_max, bar.height()), 5, 5);
    painter.setFont(Theme::Font(13, true));
    painter.setPen(Theme::kText);
    painter.drawText(QRect(width() - 48, 0, 48, height()), Qt::AlignRight | Qt::AlignVCenter,
        QStringLiteral("%1%").arg(m_value * 100 / m_max));
}
