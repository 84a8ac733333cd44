#include "widgets/PaletteBar.h"

#include "widgets/Colors.h"
#include "widgets/MSlider.h"
#include "widgets/Theme.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

PaletteBar::PaletteBar(QWidget* parent) : MControl(parent)
{
    setCursor(Qt::CrossCursor);
}

uint32_t PaletteBar::PaletteHSLToRGB(int32_t position)
{
    position = std::clamp(position, 0, kPositions);
    // HSL with S = 1 and L = 0.5: chroma 1, so each channel is a clamped
    // triangle of the hue.
    const double hue = 360.0 * position / kPositions;
    auto channel = [hue](double n) {
        const double k = std::fmod(n + hue / 30.0, 12.0);
        const double value = 0.5 - 0.5 * std::max(-1.0, std::min({k - 3.0, 9.0 - k, 1.0}));
        return uint32_t(std::lround(value * 255.0));
    };
    const uint32_t red = channel(0);
    const uint32_t green = channel(8);
    const uint32_t blue = channel(4);
    return red | (green << 8) | (blue << 16);
}

void PaletteBar::SetPosition(int32_t position)
{
    m_position = std::clamp(position, 0, kPositions);
    update();
}

int32_t PaletteBar::PositionToX(int32_t position) const
{
    return 6 + int((long long)position * (width() - 12) / kPositions);
}

int32_t PaletteBar::XToPosition(int32_t x) const
{
    const double t = std::clamp(double(x - 6) / std::max(1, width() - 12), 0.0, 1.0);
    return int(std::lround(t * kPositions));
}

void PaletteBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bar(6, height() / 2.0 - 7, width() - 12, 14);
    QLinearGradient gradient(bar.topLeft(), bar.topRight());
    for (int p = 0; p <= kPositions; p += 10)
        gradient.setColorAt(double(p) / kPositions, ColorFromBgr(PaletteHSLToRGB(p)));
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawRoundedRect(bar, 7, 7);
    const int x = PositionToX(m_position);
    painter.setPen(QPen(Theme::kText, 2));
    painter.setBrush(ColorFromBgr(PaletteHSLToRGB(m_position)));
    painter.drawEllipse(QPointF(x, bar.center().y()), 9, 9);
}

void PaletteBar::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    m_dragging = true;
    SetPosition(XToPosition(event->position().toPoint().x()));
    if (m_slider)
        m_slider->SetProgress(m_position);
}

void PaletteBar::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    SetPosition(XToPosition(event->position().toPoint().x()));
    if (m_slider)
        m_slider->SetProgress(m_position);
}

void PaletteBar::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (!m_dragging || event->button() != Qt::LeftButton)
        return;
    m_dragging = false;
    SetPosition(XToPosition(event->position().toPoint().x()));
    if (m_slider)
        m_slider->SetProgress(m_position);
    Notify(kNotifyClick, m_position);
}
