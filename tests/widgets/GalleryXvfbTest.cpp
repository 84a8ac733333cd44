#include "XvfbDisplay.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

namespace {

// Runs the gallery on a private Xvfb display (the real X11 platform plugin)
// and keeps its screenshot for docs/.
class GalleryXvfbTest : public ::testing::Test {
protected:
    XvfbDisplay m_xvfb;
};

TEST_F(GalleryXvfbTest, GalleryRendersEveryControlOnX11)
{
    if (XvfbDisplay::FindServer().isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_TRUE(m_xvfb.Start(1920, 1080, 71)) << "Xvfb did not start";

    const QString shot = QStringLiteral(TARVO_BINARY_DIR "/gallery.png");
    QFile::remove(shot);
    QProcess gallery;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_xvfb.Display());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // Under the sanitizers, a buffer libdbus keeps for the process's life is no leak of ours.
    env.insert(QStringLiteral("LSAN_OPTIONS"), QStringLiteral("suppressions=" TARVO_SOURCE_DIR "/tests/qt-lsan.supp"));
    env.insert(QStringLiteral("TSAN_OPTIONS"), QStringLiteral("suppressions=" TARVO_SOURCE_DIR "/tests/qt-tsan.supp"));
    gallery.setProcessEnvironment(env);
    gallery.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    gallery.start(QStringLiteral(TARVO_GALLERY_PATH), {QStringLiteral("--screenshot"), shot});
    ASSERT_TRUE(gallery.waitForFinished(120000)) << "the gallery did not finish";
    EXPECT_EQ(gallery.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(gallery.exitCode(), 0);

    QImage image(shot);
    ASSERT_FALSE(image.isNull()) << "no screenshot";
    EXPECT_EQ(image.size(), QSize(1600, 1000));
    // Not a blank or single-colour capture: many colours, the accent among them.
    QSet<QRgb> colours;
    int accent = 0;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2) {
            const QColor c = image.pixelColor(x, y);
            colours.insert(c.rgb());
            if (std::abs(c.red() - 0x2e) < 12 && std::abs(c.green() - 0xc4) < 12 && std::abs(c.blue() - 0xb6) < 12)
                ++accent;
        }
    }
    EXPECT_GT(colours.size(), 500);
    EXPECT_GT(accent, 500);
}

} // namespace
