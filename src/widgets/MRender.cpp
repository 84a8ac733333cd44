#include "widgets/MRender.h"

#include "widgets/Manager.h"

#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>

QIcon MRender::LoadIconFromFile(const QString& path)
{
    const QString full = Manager::SkinPath(path);
    if (!QFileInfo::exists(full))
        return {};
    return QIcon(full);
}

QPixmap MRender::LoadImage(const QString& name)
{
    if (name.isEmpty())
        return {};
    const QString full = Manager::SkinPath(name);
    QPixmap pixmap;
    if (QPixmapCache::find(full, &pixmap))
        return pixmap;
    if (!pixmap.load(full))
        return {};
    QPixmapCache::insert(full, pixmap);
    return pixmap;
}

QPixmap MRender::StateFrame(const QPixmap& strip, int states, int index)
{
    if (strip.isNull() || states <= 1)
        return strip;
    const int width = strip.width() / states;
    if (width <= 0)
        return strip;
    index = std::clamp(index, 0, states - 1);
    return strip.copy(index * width, 0, width, strip.height());
}

void MRender::DrawNineSlice(QPainter& painter, const QRect& target, const QPixmap& image, int border)
{
    if (image.isNull() || target.isEmpty())
        return;
    const int b = std::max(0, std::min({border, image.width() / 2, image.height() / 2,
                                    target.width() / 2, target.height() / 2}));
    if (b == 0) {
        painter.drawPixmap(target, image);
        return;
    }
    const int w = image.width();
    const int h = image.height();
    const int tx[4] = {target.left(), target.left() + b, target.right() + 1 - b, target.right() + 1};
    const int ty[4] = {target.top(), target.top() + b, target.bottom() + 1 - b, target.bottom() + 1};
    const int sx[4] = {0, b, w - b, w};
    const int sy[4] = {0, b, h - b, h};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            const QRect dst(tx[col], ty[row], tx[col + 1] - tx[col], ty[row + 1] - ty[row]);
            const QRect src(sx[col], sy[row], sx[col + 1] - sx[col], sy[row + 1] - sy[row]);
            if (!dst.isEmpty() && !src.isEmpty())
                painter.drawPixmap(dst, image, src);
        }
    }
}

void MRender::DrawImage(QPainter& painter, const QRect& target, const QPixmap& image, ShowMode mode, int param)
{
    if (image.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    switch (mode) {
    case ShowMode::Natural:
        painter.drawPixmap(target.topLeft(), image);
        break;
    case ShowMode::NineSlice:
        DrawNineSlice(painter, target, image, param);
        break;
    case ShowMode::Rounded: {
        painter.save();
        QPainterPath path;
        path.addRoundedRect(QRectF(target), param, param);
        painter.setClipPath(path);
        painter.drawPixmap(target, image);
        painter.restore();
        break;
    }
    case ShowMode::Center: {
        QSize size = image.size().scaled(target.size(), Qt::KeepAspectRatio);
        if (image.width() <= target.width() && image.height() <= target.height())
            size = image.size();
        QRect r(QPoint(0, 0), size);
        r.moveCenter(target.center());
        painter.drawPixmap(r, image);
        break;
    }
    case ShowMode::Stretch:
    default:
        painter.drawPixmap(target, image);
        break;
    }
}
