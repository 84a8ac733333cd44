#pragma once

#include <QByteArray>
#include <QImage>
#include <QVector>
#include <QRgb>
#include <vector>

// A minimal animated GIF89a writer (Qt reads GIF but cannot write it): one
// global palette of up to 256 colours, LZW-compressed frames, endless loop.
class GifWriter {
public:
    // Frames must share one size; each is mapped onto `palette` without
    // dithering. `delayCs` is the delay per frame in hundredths of a second.
    static QByteArray Encode(const std::vector<QImage>& frames, const QVector<QRgb>& palette, int delayCs);
    // The LZW code stream of one frame's indexes (minimum code size 8),
    // without the sub-block framing. Exposed for tests of the encoder.
    static QByteArray Lzw(const QByteArray& indexes);
};
