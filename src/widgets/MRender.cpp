#include "widgets/MRender.h"

#include "widgets/Manager.h"

#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

QIcon MRender::LoadIconFromFile(const QString& path)
{
    const QString full = Manager::SkinPath(path);
    if (!QFileInfo::exists(full))
        return {};
    return QIcon(full);
}

namespace {

// Every skin image the window has drawn, decoded once and kept for the run
// (interface thread only). A size-limited cache would evict the images of one
// view while another is drawn and decode them again on every repaint; the
// skin is small enough to keep whole. A file that would not load is kept as a
// null image, so it is not looked for again on every paint.
QHash<QString, QPixmap>& KeptImages()
{
    static QHash<QString, QPixmap> images;
    return images;
}

// Decodes a skin file without Qt's pixmap cache: QPixmap::load would also
// keep the whole decoded image there, which for a picture kept only scaled
// down is the very memory the scaling saves.
QImage Decode(const QString& full)
{
    QImageReader reader(full);
    QImage image;
    if (!reader.read(&image))
        return {};
    return image;
}

} // namespace

QPixmap MRender::LoadImage(const QString& name)
{
    if (name.isEmpty())
        return {};
    const QString full = Manager::SkinPath(name);
    QHash<QString, QPixmap>& images = KeptImages();
    if (const auto kept = images.constFind(full); kept != images.constEnd())
        return *kept;
    const QPixmap pixmap = QPixmap::fromImage(Decode(full));
    images.insert(full, pixmap);
    return pixmap;
}

QPixmap MRender::LoadImageFitted(const QString& name, const QSize& box, qreal ratio)
{
    if (name.isEmpty() || box.isEmpty())
        return {};
    const QString full = Manager::SkinPath(name);
    const QString key = QStringLiteral("%1#%2x%3@%4").arg(full).arg(box.width()).arg(box.height()).arg(ratio);
    QHash<QString, QPixmap>& images = KeptImages();
    if (const auto kept = images.constFind(key); kept != images.constEnd())
        return *kept;
    QImage image = Decode(full);
    const QSize logical = image.deviceIndependentSize().toSize();
    if (logical.width() > box.width() || logical.height() > box.height()) {
        const QSize target = logical.scaled(box, Qt::KeepAspectRatio) * ratio;
        // Drawn as the window would draw it scaled, on this thread: the
        // smooth QImage::scaled hands large images to a thread pool.
        QImage scaled(target, QImage::Format_ARGB32_Premultiplied);
        scaled.fill(Qt::transparent);
        {
            QPainter painter(&scaled);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            image.setDevicePixelRatio(1);
            painter.drawImage(scaled.rect(), image);
        }
        scaled.setDevicePixelRatio(ratio);
        image = std::move(scaled);
    }
    const QPixmap pixmap = QPixmap::fromImage(std::move(image));
    images.insert(key, pixmap);
    return pixmap;
}

void MRender::ForgetImages()
{
    KeptImages().clear();
}

QPixmap MRender::StateFrame(const QPixmap& strip, int states, int index)
{
    if (strip.isNull() || states <= 1)
        return strip;
    const int width = strip.width() / states;
    if (width <= 0)
        return strip;
    index = std::clamp(index, 0, states - 1);
    QPixmap frame = strip.copy(index * width, 0, width, strip.height());
    frame.setDevicePixelRatio(strip.devicePixelRatio());
    return frame;
}

void MRender::DrawNineSlice(QPainter& painter, const QRect& target, const QPixmap& image, int border)
{
    if (image.isNull() || target.isEmpty())
        return;
    // `border` is in logical pixels; a high-density image ("@2x") has more
    // device pixels per logical one.
    const double ratio = image.devicePixelRatio();
    const QSize logical = image.deviceIndependentSize().toSize();
    const int b = std::max(
        0, std::min({border, logical.width() / 2, logical.height() / 2, target.width() / 2, target.height() / 2}));
    if (b == 0) {
        painter.drawPixmap(target, image);
        return;
    }
    const int w = image.width();
    const int h = image.height();
    const int sb = int(std::lround(b * ratio));
    const int tx[4] = {target.left(), target.left() + b, target.right() + 1 - b, target.right() + 1};
    const int ty[4] = {target.top(), target.top() + b, target.bottom() + 1 - b, target.bottom() + 1};
    const int sx[4] = {0, sb, w - sb, w};
    const int sy[4] = {0, sb, h - sb, h};
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
        const QSize logical = image.deviceIndependentSize().toSize();
        QSize size = logical.scaled(target.size(), Qt::KeepAspectRatio);
        if (logical.width() <= target.width() && logical.height() <= target.height())
            size = logical;
        QRect r(QPoint(0, 0), size);
        r.moveCenter(target.center());
        painter.drawPixmap(r, image);
        break;
    }
    case ShowMode::Stretch:
    default:
        DrawStretched(painter, target, image);
        break;
    }
}

void MRender::DrawStretched(QPainter& painter, const QRect& target, const QPixmap& image)
{
    // A large smooth stretch (the window background is a quarter-size image)
    // is drawn in bands of a few dozen rows: in one go Qt splits the fill
    // across its thread pool, whose hand-off costs more than the fill and
    // whose threads the idle window then keeps (and which make sanitizer runs
    // of the window tests some thirty times slower). Each band clips the same
    // stretch, so the pixels are the same.
    constexpr int kBandRows = 40;
    if (target.height() <= kBandRows || image.deviceIndependentSize().toSize() == target.size()) {
        painter.drawPixmap(target, image);
        return;
    }
    for (int top = target.top(); top <= target.bottom(); top += kBandRows) {
        painter.save();
        painter.setClipRect(QRect(target.left(), top, target.width(), kBandRows), Qt::IntersectClip);
        painter.drawPixmap(target, image);
        painter.restore();
    }
}
