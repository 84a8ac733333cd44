#include "widgets/MRender.h"

#include "widgets/Manager.h"

#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QSet>

#include <atomic>
#include <cmath>
#include <future>
#include <map>
#include <system_error>
#include <tuple>

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
struct KeptImages {
    QHash<QString, QPixmap> images;
    // Whether drawn parts of kept images are one colour, by the image's
    // cache key and the part; only kept images are looked at, so this stays
    // as small as the skin.
    QSet<qint64> keys;
    std::map<std::tuple<qint64, int, int, int, int>, bool> uniform;

    static KeptImages& Get()
    {
        static KeptImages kept;
        return kept;
    }
    const QPixmap& Keep(const QString& key, QImage image)
    {
        const QPixmap pixmap = QPixmap::fromImage(std::move(image));
        keys.insert(pixmap.cacheKey());
        return *images.insert(key, pixmap);
    }
};

// Pictures being decoded ahead of their first drawing, each on a thread of
// its own, by the kept image's key (interface thread only). A picture drawn
// while its decoding runs waits for it rather than decoding it again.
struct Prefetched {
    std::map<QString, std::future<QImage>> decodings;

    static Prefetched& Get()
    {
        static Prefetched prefetched;
        return prefetched;
    }
    // The decoded picture, once done; null when none was asked for (or the
    // file would not load then).
    QImage Take(const QString& key)
    {
        const auto found = decodings.find(key);
        if (found == decodings.end())
            return {};
        QImage image = found->second.get();
        decodings.erase(found);
        return image;
    }
};

// Decodes a skin file without Qt's pixmap cache: QPixmap::load would also
// keep the whole decoded image there, which for a picture kept only scaled
// down is the very memory the scaling saves. Any thread.
QImage Decode(const QString& full)
{
    QImageReader reader(full);
    QImage image;
    if (!reader.read(&image))
        return {};
    // The format the window draws from, converted here rather than on the
    // interface thread when the image is kept.
    if (image.format() == QImage::Format_ARGB32)
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return image;
}

// A skin file scaled down to fit `box` (aspect kept) at `ratio`. Any thread.
QImage DecodeFitted(const QString& full, const QSize& box, qreal ratio)
{
    QImage image = Decode(full);
    const QSize logical = image.deviceIndependentSize().toSize();
    if (logical.width() <= box.width() && logical.height() <= box.height())
        return image;
    const QSize target = logical.scaled(box, Qt::KeepAspectRatio) * ratio;
    // Drawn as the window would draw it scaled: the smooth QImage::scaled
    // hands large images to a thread pool.
    QImage scaled(target, QImage::Format_ARGB32_Premultiplied);
    scaled.fill(Qt::transparent);
    {
        QPainter painter(&scaled);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        image.setDevicePixelRatio(1);
        painter.drawImage(scaled.rect(), image);
    }
    scaled.setDevicePixelRatio(ratio);
    return scaled;
}

// A skin picture as it is kept: the whole file, or fitted to a box.
struct Picture {
    QString full; // the file's path
    QSize box; // empty: the whole image
    qreal ratio = 1;

    QString Key() const
    {
        return box.isEmpty() ? full
                             : QStringLiteral("%1#%2x%3@%4").arg(full).arg(box.width()).arg(box.height()).arg(ratio);
    }
    QImage Decoded() const { return box.isEmpty() ? Decode(full) : DecodeFitted(full, box, ratio); }
};

// The kept picture, else the prefetched one, else decoded now (interface thread).
QPixmap Load(const Picture& picture)
{
    const QString key = picture.Key();
    KeptImages& kept = KeptImages::Get();
    if (const auto found = kept.images.constFind(key); found != kept.images.constEnd())
        return *found;
    QImage image = Prefetched::Get().Take(key);
    return kept.Keep(key, image.isNull() ? picture.Decoded() : std::move(image));
}

} // namespace

QPixmap MRender::LoadImage(const QString& name)
{
    if (name.isEmpty())
        return {};
    return Load({Manager::SkinPath(name), {}, 1});
}

QPixmap MRender::LoadImageFitted(const QString& name, const QSize& box, qreal ratio)
{
    if (name.isEmpty() || box.isEmpty())
        return {};
    return Load({Manager::SkinPath(name), box, ratio});
}

bool MRender::Prefetch(const std::vector<PictureRequest>& requests, std::function<void()> whenDecoded)
{
    const KeptImages& kept = KeptImages::Get();
    Prefetched& prefetched = Prefetched::Get();
    std::vector<std::pair<QString, Picture>> pictures; // by key
    QSet<QString> asked;
    for (const PictureRequest& request : requests) {
        if (request.name.isEmpty())
            continue;
        Picture picture{Manager::SkinPath(request.name), request.box, request.ratio};
        QString key = picture.Key();
        if (asked.contains(key) || kept.images.contains(key) || prefetched.decodings.count(key) != 0)
            continue;
        asked.insert(key);
        pictures.emplace_back(std::move(key), std::move(picture));
    }
    if (pictures.empty())
        return false;
    // The last decoding to end calls `whenDecoded`.
    auto left = std::make_shared<std::atomic<size_t>>(pictures.size());
    auto done = [left, whenDecoded = std::move(whenDecoded)] {
        if (left->fetch_sub(1) == 1 && whenDecoded)
            whenDecoded();
    };
    // One thread each: a view's pictures are few, and decoded side by side
    // they are ready sooner.
    for (auto& [key, picture] : pictures) {
        try {
            prefetched.decodings.emplace(
                std::move(key), std::async(std::launch::async, [picture = std::move(picture), done] {
                    QImage image = picture.Decoded();
                    done();
                    return image;
                }));
        } catch (const std::system_error&) {
            // No thread to be had: this picture is decoded when drawn.
            done();
        }
    }
    return true;
}

void MRender::FinishPrefetch()
{
    for (auto& [key, decoding] : Prefetched::Get().decodings)
        decoding.wait();
}

void MRender::ForgetImages()
{
    KeptImages& kept = KeptImages::Get();
    kept.images.clear();
    kept.keys.clear();
    kept.uniform.clear();
    // Waits for decodings still running: they read the old skin's files.
    Prefetched::Get().decodings.clear();
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
        DrawStretched(painter, target, image);
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
                DrawPart(painter, dst, image, src);
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
        DrawStretched(painter, target, image);
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
        DrawStretched(painter, r, image);
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
    DrawPart(painter, target, image, image.rect());
}

namespace {

// Whether a part of a kept skin image is one colour, worked out once per
// image and part. Flat fills are the largest stretched parts of the skin, and
// for them the smooth filter, a good part of a repaint's cost, draws exactly
// what plain sampling draws (for any other part it does not, not even for a
// part stretched along lines of one colour). Images that are not kept (a
// frame copied from a strip for one paint) count as not uniform.
bool IsUniform(const QPixmap& image, const QRect& source)
{
    KeptImages& kept = KeptImages::Get();
    if (!kept.keys.contains(image.cacheKey()))
        return false;
    const std::tuple key{image.cacheKey(), source.x(), source.y(), source.width(), source.height()};
    if (const auto found = kept.uniform.find(key); found != kept.uniform.end())
        return found->second;
    const QImage pixels = image.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QRect part = source.intersected(pixels.rect());
    bool uniform = !part.isEmpty() && part == source;
    const QRgb first = uniform ? pixels.pixel(part.topLeft()) : 0;
    for (int y = part.top(); y <= part.bottom() && uniform; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        for (int x = part.left(); x <= part.right() && uniform; ++x)
            uniform = row[x] == first;
    }
    kept.uniform.emplace(key, uniform);
    return uniform;
}

} // namespace

void MRender::DrawPart(QPainter& painter, const QRect& target, const QPixmap& image, const QRect& source)
{
    const QTransform& transform = painter.worldTransform();
    const qreal deviceRatio = painter.device()->devicePixelRatio();
    const bool plainPlacement = transform.type() <= QTransform::TxTranslate
        && transform.dx() == std::floor(transform.dx()) && transform.dy() == std::floor(transform.dy());
    // Device pixels drawn per image pixel, along each axis.
    const qreal scaleX = target.width() * deviceRatio / std::max(1, source.width());
    const qreal scaleY = target.height() * deviceRatio / std::max(1, source.height());
    const bool scaled = !plainPlacement || scaleX != 1 || scaleY != 1;
    if (!scaled || !painter.testRenderHint(QPainter::SmoothPixmapTransform)) {
        painter.drawPixmap(target, image, source);
        return;
    }
    if (plainPlacement && IsUniform(image, source)) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawPixmap(target, image, source);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        return;
    }
    // A smooth scaled draw of more than a few dozen rows is drawn in bands: in
    // one go Qt's raster engine splits the fill across its thread pool, and
    // the hand-off (two cores shared with the display server) costs more than
    // the fill; the window's repaints waited on it, and the idle window kept
    // the pool's threads (which also made sanitizer runs of the window tests
    // some thirty times slower). Each band clips the same draw, so the pixels
    // are the same.
    constexpr int kBandRows = 40;
    if (target.height() <= kBandRows) {
        painter.drawPixmap(target, image, source);
        return;
    }
    for (int top = target.top(); top <= target.bottom(); top += kBandRows) {
        painter.save();
        painter.setClipRect(QRect(target.left(), top, target.width(), kBandRows), Qt::IntersectClip);
        painter.drawPixmap(target, image, source);
        painter.restore();
    }
}
