#include "GifWriter.h"

#include <unordered_map>

namespace {

class BitWriter {
public:
    void Write(int code, int bits)
    {
        m_buffer |= uint32_t(code) << m_count;
        m_count += bits;
        while (m_count >= 8) {
            m_out.append(char(m_buffer & 0xFF));
            m_buffer >>= 8;
            m_count -= 8;
        }
    }
    QByteArray Finish()
    {
        if (m_count > 0)
            m_out.append(char(m_buffer & 0xFF));
        m_buffer = 0;
        m_count = 0;
        return m_out;
    }

private:
    QByteArray m_out;
    uint32_t m_buffer = 0;
    int m_count = 0;
};

void Put16(QByteArray& out, int value)
{
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

} // namespace

QByteArray GifWriter::Lzw(const QByteArray& indexes)
{
    constexpr int kClear = 256;
    constexpr int kEnd = 257;
    BitWriter bits;
    std::unordered_map<uint32_t, int> table;
    int next = 258;
    int codeSize = 9;
    bits.Write(kClear, codeSize);
    if (indexes.isEmpty()) {
        bits.Write(kEnd, codeSize);
        return bits.Finish();
    }
    int prefix = uint8_t(indexes[0]);
    for (qsizetype i = 1; i < indexes.size(); ++i) {
        const int k = uint8_t(indexes[i]);
        const uint32_t key = (uint32_t(prefix) << 8) | uint32_t(k);
        if (auto it = table.find(key); it != table.end()) {
            prefix = it->second;
            continue;
        }
        bits.Write(prefix, codeSize);
        if (next < 4096) {
            table.emplace(key, next++);
            // The decoder adds each entry one code later, so it widens its
            // codes when `next` has passed the power of two, not at it.
            if (next > (1 << codeSize) && codeSize < 12)
                ++codeSize;
        } else {
            bits.Write(kClear, codeSize);
            table.clear();
            next = 258;
            codeSize = 9;
        }
        prefix = k;
    }
    bits.Write(prefix, codeSize);
    bits.Write(kEnd, codeSize);
    return bits.Finish();
}

QByteArray GifWriter::Encode(const std::vector<QImage>& frames, const QVector<QRgb>& palette, int delayCs)
{
    if (frames.empty())
        return {};
    QVector<QRgb> colors = palette;
    colors.resize(256, qRgb(0, 0, 0));
    const int width = frames.front().width();
    const int height = frames.front().height();
    QByteArray out("GIF89a");
    Put16(out, width);
    Put16(out, height);
    out.append(char(0xF7)); // global colour table of 256 entries, 8 bits per primary
    out.append(char(0));    // background colour index
    out.append(char(0));    // no aspect ratio
    for (QRgb c : colors) {
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    // NETSCAPE2.0 application extension: loop forever.
    out.append("\x21\xFF\x0B" "NETSCAPE2.0" "\x03\x01", 16);
    Put16(out, 0);
    out.append(char(0));
    for (const QImage& source : frames) {
        const QImage indexed = source.convertToFormat(QImage::Format_Indexed8, colors,
            Qt::ThresholdDither | Qt::AvoidDither);
        // Graphic control extension: dispose to background, the delay, no transparency.
        out.append("\x21\xF9\x04\x08", 4);
        Put16(out, delayCs);
        out.append(char(0));
        out.append(char(0));
        // Image descriptor: the whole canvas, no local table, not interlaced.
        out.append(char(0x2C));
        Put16(out, 0);
        Put16(out, 0);
        Put16(out, width);
        Put16(out, height);
        out.append(char(0));
        QByteArray pixels;
        pixels.reserve(width * height);
        for (int y = 0; y < height; ++y)
            pixels.append(reinterpret_cast<const char*>(indexed.constScanLine(y)), width);
        const QByteArray data = Lzw(pixels);
        out.append(char(8)); // minimum code size
        for (qsizetype pos = 0; pos < data.size(); pos += 255) {
            const qsizetype n = std::min<qsizetype>(255, data.size() - pos);
            out.append(char(n));
            out.append(data.constData() + pos, n);
        }
        out.append(char(0));
    }
    out.append(char(0x3B));
    return out;
}
