#include "skinpainter/GifWriter.h"

#include <QBuffer>
#include <QImageReader>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

QVector<QRgb> GreyPalette()
{
    QVector<QRgb> palette;
    for (int i = 0; i < 256; ++i)
        palette << qRgb(i, 255 - i, (i * 7) & 0xFF);
    return palette;
}

// Frames whose pixels are palette colours, so the round trip must be exact.
std::vector<QImage> Frames(int count, QSize size, const std::function<int(int, int, int)>& index)
{
    const QVector<QRgb> palette = GreyPalette();
    std::vector<QImage> frames;
    for (int f = 0; f < count; ++f) {
        QImage image(size, QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                image.setPixel(x, y, palette[index(f, x, y)]);
        frames.push_back(image);
    }
    return frames;
}

TEST(GifWriterTest, QtDecodesWhatWeEncodeExactly)
{
    QRandomGenerator random(1234);
    struct Case {
        const char* name;
        int frames;
        QSize size;
        std::function<int(int, int, int)> index;
    };
    const Case cases[] = {
        {"one pixel", 1, {1, 1}, [](int, int, int) { return 7; }},
        {"one colour, long runs", 2, {300, 200}, [](int, int, int) { return 200; }},
        {"noise fills the code table and resets it", 2, {160, 120},
            [&random](int, int, int) { return int(random.bounded(256)); }},
        {"odd width gradient", 3, {37, 53}, [](int f, int x, int y) { return (x + y + f * 11) % 256; }},
        {"two colours", 4, {64, 64}, [](int f, int x, int y) { return ((x / 8 + y / 8 + f) % 2) * 255; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<QImage> frames = Frames(c.frames, c.size, c.index);
        QByteArray gif = GifWriter::Encode(frames, GreyPalette(), 7);
        ASSERT_TRUE(gif.startsWith("GIF89a"));
        ASSERT_EQ(gif.back(), char(0x3B));
        QBuffer buffer(&gif);
        QImageReader reader(&buffer, "gif");
        int decoded = 0;
        QImage image;
        while (reader.read(&image)) {
            ASSERT_LT(decoded, c.frames);
            ASSERT_EQ(image.size(), c.size);
            const QImage expected = frames[size_t(decoded)];
            for (int y = 0; y < c.size.height(); ++y)
                for (int x = 0; x < c.size.width(); ++x)
                    ASSERT_EQ(image.pixel(x, y) & 0xFFFFFF, expected.pixel(x, y) & 0xFFFFFF) << x << "," << y;
            EXPECT_EQ(reader.nextImageDelay(), 70);
            ++decoded;
            if (!reader.canRead())
                break;
        }
        EXPECT_EQ(decoded, c.frames);
        EXPECT_EQ(reader.loopCount(), -1) << "loops forever";
    }
}

TEST(GifWriterTest, LzwStreamForAKnownInput)
{
    // Indexes 1,1,1,1 with 9-bit codes, least significant bit first:
    // clear 256, 1, 258 (for "1 1"), 1, end 257.
    const QByteArray lzw = GifWriter::Lzw(QByteArray("\x01\x01\x01\x01", 4));
    const QByteArray expected("\x00\x03\x08\x0C\x10\x10", 6);
    EXPECT_EQ(lzw.toHex().toStdString(), expected.toHex().toStdString());
    EXPECT_TRUE(GifWriter::Encode({}, GreyPalette(), 5).isEmpty());
}

} // namespace
