#include "widgets/MPicture.h"

#include <QPainter>

MPicture::MPicture(QWidget* parent) : MArea(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
}

int32_t MPicture::GetImageWidth() const
{
    const QPixmap image = SkinImage();
    return image.isNull() ? 0 : image.width() / std::max(1, GetImageStates());
}

int32_t MPicture::GetImageHeight() const
{
    const QPixmap image = SkinImage();
    return image.isNull() ? 0 : image.height();
}

void MPicture::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    DrawSkin(painter, rect(), 0);
    if (!m_title.isEmpty())
        DrawTitle(painter, rect().adjusted(8, 4, -8, -4), m_textColor);
}
