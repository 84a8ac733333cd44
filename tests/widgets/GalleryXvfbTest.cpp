#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QThread>
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
    void SetUp() override
    {
    }
    void TearDown() override
    {
        if (m_xvfb.state() != QProcess::NotRunning) {
            m_xvfb.terminate();
            if (!m_xvfb.waitForFinished(5000))
                m_xvfb.kill();
        }
    }
    // Starts Xvfb on the first free display from :71; false when it does not come up.
    bool StartXvfb(const QString& program)
    {
        for (int display = 71; display < 99; ++display) {
            if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(display)) ||
                QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(display)))
                continue;
            m_display = QStringLiteral(":%1").arg(display);
            m_xvfb.start(program, {m_display, QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1920x1080x24"),
                                      QStringLiteral("-nolisten"), QStringLiteral("tcp")});
            if (!m_xvfb.waitForStarted(5000))
                return false;
            // Bounded by a number of checks: the socket appears once the server listens.
            for (int i = 0; i < 100 && m_xvfb.state() == QProcess::Running; ++i) {
                if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(display)))
                    return true;
                QThread::msleep(50);
            }
            m_xvfb.kill();
            m_xvfb.waitForFinished(2000);
        }
        return false;
    }
    QProcess m_xvfb;
    QString m_display;
};

TEST_F(GalleryXvfbTest, GalleryRendersEveryControlOnX11)
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_TRUE(StartXvfb(xvfb)) << "Xvfb did not start";

    const QString shot = QStringLiteral(TARVO_BINARY_DIR "/gallery.png");
    QFile::remove(shot);
    QProcess gallery;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
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
