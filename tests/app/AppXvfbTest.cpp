#include "XvfbDisplay.h"
#include "app/InstanceChannel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

namespace {

constexpr int kScreenWidth = 1600;
constexpr int kScreenHeight = 900;
// Where the centred 1280 x 780 window lands on that screen.
const QRect kWindow((kScreenWidth - 1280) / 2, (kScreenHeight - 780) / 2, 1280, 780);

// The real program on a private Xvfb display (the X11 platform plugin), in
// each language, captured from the screen as a user would see it.
class AppXvfbTest : public ::testing::Test {
protected:
    // Starts the program in `locale`, captures the screen once the window is
    // drawn, ends the program through its channel. The capture, or a null image.
    QImage RunAndCapture(const QString& locale, const QString& shotPath)
    {
        QTemporaryDir home;
        const QString run = home.path() + QStringLiteral("/run");
        QDir().mkpath(run);
        QFile::setPermissions(run, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_xvfb.Display());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), run);
        env.insert(QStringLiteral("TARVO_PROGRAM_DIR"), QStringLiteral(TARVO_BINARY_DIR));
        env.insert(QStringLiteral("TARVO_HIDAPI_LIBRARY"), QStringLiteral("/nonexistent/libhidapi-none.so"));
        env.insert(QStringLiteral("TARVO_STARTUP_PROBE"), QStringLiteral("1"));
        env.insert(QStringLiteral("LANG"), locale);
        env.remove(QStringLiteral("LC_ALL"));
        env.remove(QStringLiteral("LC_MESSAGES"));
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(TARVO_PROGRAM_PATH), {});
        EXPECT_TRUE(program.waitForStarted(5000));
        QByteArray seen;
        for (int i = 0; i < 150 && !seen.contains("tarvo: window shown"); ++i) {
            program.waitForReadyRead(100);
            seen += program.readAllStandardOutput();
        }
        EXPECT_TRUE(seen.contains("tarvo: window shown")) << locale.toStdString();
        // The first paint is done; let the compositor-less server settle.
        QThread::msleep(700);
        QProcess import;
        import.setProcessEnvironment(env);
        import.start(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), shotPath});
        EXPECT_TRUE(import.waitForFinished(30000));
        EXPECT_EQ(import.exitCode(), 0);

        InstanceChannel channel(QStringLiteral("Tarvo"), run);
        EXPECT_EQ(channel.Request(QStringLiteral("post 1691 0 610"), 3000), QStringLiteral("posted"));
        EXPECT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitCode(), 0);
        return QImage(shotPath);
    }

    XvfbDisplay m_xvfb;
};

// Share of the window's pixels that are not the empty screen's black, and
// the number of distinct colours in it.
void Measure(const QImage& image, double& covered, int& colours)
{
    QSet<QRgb> set;
    int64_t lit = 0;
    int64_t total = 0;
    for (int y = kWindow.top(); y <= kWindow.bottom(); y += 2) {
        for (int x = kWindow.left(); x <= kWindow.right(); x += 2) {
            const QRgb pixel = image.pixel(x, y);
            set.insert(pixel);
            lit += (qRed(pixel) + qGreen(pixel) + qBlue(pixel)) > 0 ? 1 : 0;
            ++total;
        }
    }
    covered = double(lit) / double(total);
    colours = int(set.size());
}

TEST_F(AppXvfbTest, TheWindowIsDrawnInBothLanguages)
{
    if (XvfbDisplay::FindServer().isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    if (QStandardPaths::findExecutable(QStringLiteral("import")).isEmpty())
        GTEST_SKIP() << "ImageMagick's import is not installed";
    ASSERT_TRUE(m_xvfb.Start(kScreenWidth, kScreenHeight, 121)) << "Xvfb did not start";

    const QImage english = RunAndCapture(QStringLiteral("en_US.UTF-8"), QStringLiteral(TARVO_BINARY_DIR "/tarvo-en.png"));
    const QImage chinese = RunAndCapture(QStringLiteral("zh_CN.UTF-8"), QStringLiteral(TARVO_BINARY_DIR "/tarvo-zh.png"));
    ASSERT_FALSE(english.isNull());
    ASSERT_FALSE(chinese.isNull());
    for (const QImage* image : {&english, &chinese}) {
        EXPECT_EQ(image->size(), QSize(kScreenWidth, kScreenHeight));
        double covered = 0;
        int colours = 0;
        Measure(*image, covered, colours);
        EXPECT_GT(covered, 0.99) << "the window covers its place";
        EXPECT_GT(colours, 200) << "not a flat fill";
        // Outside the window the screen stays empty: the window is where it was centred.
        EXPECT_EQ(qGray(image->pixel(kWindow.left() - 20, kWindow.top() - 20)), 0);
    }
    // The title and the no-device text differ between the languages.
    const QRect title(kWindow.left() + 190, kWindow.top(), 400, 50);
    const QRect notice(kWindow.left() + 390, kWindow.top() + 200, 500, 80);
    for (const QRect& area : {title, notice}) {
        int differing = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                differing += english.pixel(x, y) != chinese.pixel(x, y) ? 1 : 0;
        EXPECT_GT(differing, 200) << area.x() << "," << area.y();
    }
    english.copy(kWindow).save(QStringLiteral(TARVO_BINARY_DIR "/tarvo-window-en.png"));
    chinese.copy(kWindow).save(QStringLiteral(TARVO_BINARY_DIR "/tarvo-window-zh.png"));
}

} // namespace
