#pragma once

#include "widgets/WidgetTypes.h"

#include <QIcon>
#include <QPixmap>
#include <QString>

#include <functional>
#include <vector>

class QPainter;

// Image loading and drawing. Images are strips of `states` equal frames laid
// side by side: buttons use normal, hover, pressed, disabled; check and radio
// images add the same four for the checked state.
class MRender {
public:
    // An icon from a file (absolute or skin-relative); a null icon when missing.
    static QIcon LoadIconFromFile(const QString& path);
    // A skin image, decoded on first use and kept; a null pixmap when missing
    // or unreadable (also kept: a missing file is not looked for again).
    static QPixmap LoadImage(const QString& name);
    // A skin image scaled down to fit `box` (logical pixels, aspect kept) at
    // `ratio` device pixels per logical one; only the scaled copy is kept. For
    // pictures always drawn much smaller than their file, such as the model
    // list's, where keeping the whole image would cost its full size per model.
    static QPixmap LoadImageFitted(const QString& name, const QSize& box, qreal ratio);
    // Pictures about to be drawn, decoded (and fitted to `box` when it is not
    // empty) each on a thread of its own, so their first drawing only keeps
    // them: for views that appear at once with many pictures. Images already
    // kept or being decoded are skipped; drawing a picture whose decoding
    // still runs waits for it (interface thread only). True when anything is
    // being decoded for this call: `whenDecoded` is then called once it is
    // all done, on the thread that ended last (never when this returns false).
    struct PictureRequest {
        QString name;
        QSize box;
        qreal ratio = 1;
    };
    static bool Prefetch(const std::vector<PictureRequest>& requests, std::function<void()> whenDecoded = {});
    // Waits until the pictures asked for are decoded (before the application
    // object goes, whose image readers the decoding uses); they stay ready.
    static void FinishPrefetch();
    // Forgets the kept images (the skin folder or theme changed).
    static void ForgetImages();
    // Frame `index` of a strip of `states` frames (index clamped to the strip).
    static QPixmap StateFrame(const QPixmap& strip, int states, int index);
    static void DrawImage(QPainter& painter, const QRect& target, const QPixmap& image,
        ShowMode mode = ShowMode::Stretch, int param = 0);
    // `image` stretched over `target`.
    static void DrawStretched(QPainter& painter, const QRect& target, const QPixmap& image);
    // The part `source` (device pixels) of `image` drawn over `target`, the
    // way every scaled skin image is drawn.
    static void DrawPart(QPainter& painter, const QRect& target, const QPixmap& image, const QRect& source);
    static void DrawNineSlice(QPainter& painter, const QRect& target, const QPixmap& image, int border);
};
