#include "widgets/CSwitchButton.h"

#include "widgets/MRender.h"
#include "widgets/Theme.h"

#include <QPainter>

CSwitchButton::CSwitchButton(QWidget* parent) : MButton(parent)
{
    m_alignment = kAlignLeft;
}

void CSwitchButton::SetSwitchImages(const QString& offImage, const QString& onImage)
{
    m_offImage = offImage;
    m_onImage = onImage;
    update();
}

void CSwitchButton::AddPictures(std::vector<MRender::PictureRequest>& pictures) const
{
    pictures.push_back({m_offImage, {}, 1});
    pictures.push_back({m_onImage, {}, 1});
}

void CSwitchButton::OnClicked()
{
    SetCheck(!GetCheck());
    MButton::OnClicked();
}

void CSwitchButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int h = std::min(height(), 24);
    const QRect track(0, (height() - h) / 2, h * 2, h);
    const QPixmap image = MRender::LoadImage(GetCheck() ? m_onImage : m_offImage);
    if (!image.isNull()) {
        if (!isEnabled())
            painter.setOpacity(0.45);
        MRender::DrawImage(painter, track, image, ShowMode::Stretch);
        painter.setOpacity(1.0);
    } else {
        painter.setPen(Qt::NoPen);
        QColor fill = GetCheck() ? Theme::kAccent : Theme::kHover;
        if (!isEnabled())
            fill = fill.darker(170);
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(track), h / 2.0, h / 2.0);
        painter.setBrush(isEnabled() ? Theme::kText : Theme::kTextDim);
        const double knob = h - 6;
        const double x = GetCheck() ? track.right() - 2 - knob : track.left() + 3;
        painter.drawEllipse(QRectF(x, track.top() + 3, knob, knob));
    }
    if (!m_title.isEmpty())
        DrawTitle(painter, rect().adjusted(track.width() + 10, 0, 0, 0), TitleColor(), false);
}
