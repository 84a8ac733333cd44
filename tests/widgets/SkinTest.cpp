#include "WidgetTestSupport.h"

#include "widgets/CGifPicture.h"
#include "widgets/Colors.h"
#include "widgets/MButton.h"
#include "widgets/MControl.h"
#include "widgets/MRender.h"
#include "widgets/Manager.h"
#include "widgets/PaletteBar.h"
#include "widgets/WindowHost.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    PaintCounter(QWidget* widget, int& count)
        : m_count(count)
    {
        widget->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        m_count += event->type() == QEvent::Paint;
        return false;
    }

private:
    int& m_count;
};

class SkinTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureApplication();
        ASSERT_TRUE(m_program.isValid());
        QDir().mkpath(m_skin);
    }
    void TearDown() override { Manager::SetProgramFolder(QStringLiteral(TARVO_BINARY_DIR)); }

    // A program folder of the test's own, with an empty skin folder.
    QTemporaryDir m_program;
    const QString m_skin = m_program.filePath(QStringLiteral("skins/default/"));
};

TEST(PaletteTest, KnownHues)
{
    struct Case {
        int32_t position;
        uint32_t bgr;
    };
    // 0x00BBGGRR, worked out by hand from hue = position x 1.8 degrees.
    const Case cases[] = {
        {0, 0x0000FF},    // red
        {25, 0x00BFFF},   // 45 deg: red 255, green 191
        {100, 0xFFFF00},  // 180 deg: cyan
        {150, 0xFF007F},  // 270 deg: violet, red 127.5 rounds to 128? see below
        {200, 0x0000FF},  // full turn: red again
        {-5, 0x0000FF},   // clamped
        {260, 0x0000FF},  // clamped
    };
    for (const Case& c : cases) {
        const uint32_t got = PaletteBar::PaletteHSLToRGB(c.position);
        if (c.position == 150) {
            EXPECT_EQ(got & 0xFFFF00, 0xFF0000u) << "blue full, green none";
            EXPECT_NEAR(int(got & 0xFF), 128, 1);
            continue;
        }
        EXPECT_EQ(got, c.bgr) << c.position;
    }
}

TEST(PaletteTest, EveryPositionIsASaturatedColourAndNeighboursAreClose)
{
    uint32_t previous = PaletteBar::PaletteHSLToRGB(0);
    for (int32_t p = 0; p <= PaletteBar::kPositions; ++p) {
        const uint32_t bgr = PaletteBar::PaletteHSLToRGB(p);
        const int channels[3] = {int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)};
        EXPECT_EQ(bgr >> 24, 0u) << p;
        EXPECT_EQ(*std::max_element(channels, channels + 3), 255) << p;
        EXPECT_EQ(*std::min_element(channels, channels + 3), 0) << p;
        for (int ch = 0; ch < 3; ++ch)
            EXPECT_LE(std::abs(channels[ch] - int((previous >> (8 * ch)) & 0xFF)), 8) << p;
        previous = bgr;
    }
}

TEST(ColorTest, BgrLayoutRoundTrips)
{
    EXPECT_EQ(ColorFromBgr(0x0108F1), QColor(0xF1, 0x08, 0x01));
    EXPECT_EQ(BgrFromColor(QColor(0xF1, 0x08, 0x01)), 0x0108F1u);
    EXPECT_EQ(ColorFromArgb(0xFFFFFFFF), QColor(Qt::white));
}

TEST_F(SkinTest, SkinPathsAcceptBackslashes)
{
    Manager::SetProgramFolder(QStringLiteral("/opt/tarvo"));
    EXPECT_EQ(Manager::GetProgramFolder(), QStringLiteral("/opt/tarvo/"));
    EXPECT_EQ(Manager::SkinPath(QStringLiteral("logo\\logo.png")), QStringLiteral("/opt/tarvo/skins/default/logo/logo.png"));
    EXPECT_EQ(Manager::SkinPath(QStringLiteral("/abs/x.png")), QStringLiteral("/abs/x.png"));
    EXPECT_EQ(Manager::GetDeviceName(), QStringLiteral("Tarvo"));
    EXPECT_TRUE(MRender::LoadImage(QStringLiteral("missing.png")).isNull());
    EXPECT_TRUE(MRender::LoadIconFromFile(QStringLiteral("missing.ico")).isNull());
}

TEST_F(SkinTest, SkinImagesAreDecodedOnceAndKept)
{
    // 16 images of 1 MB decoded: more than a default pixmap cache keeps.
    QImage big(512, 512, QImage::Format_ARGB32);
    big.fill(Qt::darkCyan);
    for (int i = 0; i < 16; ++i)
        ASSERT_TRUE(big.save(m_skin + QStringLiteral("big%1.png").arg(i)));
    Manager::SetProgramFolder(m_program.path());
    std::vector<qint64> keys;
    for (int i = 0; i < 16; ++i)
        keys.push_back(MRender::LoadImage(QStringLiteral("big%1.png").arg(i)).cacheKey());
    // A picture drawn small is kept at the size it is drawn, for the screen's
    // density, never larger than its file.
    const QPixmap fitted = MRender::LoadImageFitted(QStringLiteral("big1.png"), QSize(100, 60), 2.0);
    EXPECT_EQ(fitted.size(), QSize(120, 120));
    EXPECT_EQ(fitted.deviceIndependentSize(), QSizeF(60, 60));
    EXPECT_EQ(MRender::LoadImageFitted(QStringLiteral("big1.png"), QSize(900, 900), 1.0).size(), QSize(512, 512));
    // Every one comes back as the very pixmap first decoded, even with the
    // files gone: nothing is read or decoded again.
    for (int i = 0; i < 16; ++i)
        ASSERT_TRUE(QFile::remove(m_skin + QStringLiteral("big%1.png").arg(i)));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(MRender::LoadImage(QStringLiteral("big%1.png").arg(i)).cacheKey(), keys[size_t(i)]) << i;
    EXPECT_EQ(MRender::LoadImageFitted(QStringLiteral("big1.png"), QSize(100, 60), 2.0).cacheKey(), fitted.cacheKey());

    // A missing image is not looked for again on every paint...
    EXPECT_TRUE(MRender::LoadImage(QStringLiteral("late.png")).isNull());
    ASSERT_TRUE(big.save(m_skin + QStringLiteral("late.png")));
    EXPECT_TRUE(MRender::LoadImage(QStringLiteral("late.png")).isNull());
    // ...until the skin changes.
    Manager::SetProgramFolder(m_program.path());
    EXPECT_FALSE(MRender::LoadImage(QStringLiteral("late.png")).isNull());
    EXPECT_TRUE(MRender::LoadImage(QStringLiteral("big0.png")).isNull());
}

TEST_F(SkinTest, PrefetchedPicturesAreTheOnesDecodedOnDemand)
{
    QImage picture(260, 400, QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgba(x % 256, y % 256, (x * y) % 256, 40 + (x + y) % 200));
    for (const char* name : {"a.png", "b.png", "same-a.png", "same-b.png"})
        ASSERT_TRUE(picture.save(m_skin + QString::fromLatin1(name)));
    Manager::SetProgramFolder(m_program.path());

    MRender::Prefetch({{QStringLiteral("a.png"), QSize(91, 140), 2.0}, {QStringLiteral("b.png"), {}, 1.0},
        {QStringLiteral("missing.png"), {}, 1.0}});
    MRender::FinishPrefetch();
    // Taken from the prefetch: the files are gone, the pictures are there,
    // with the very pixels and size of the same files decoded on demand.
    ASSERT_TRUE(QFile::remove(m_skin + QStringLiteral("a.png")));
    ASSERT_TRUE(QFile::remove(m_skin + QStringLiteral("b.png")));
    const QPixmap fitted = MRender::LoadImageFitted(QStringLiteral("a.png"), QSize(91, 140), 2.0);
    const QPixmap whole = MRender::LoadImage(QStringLiteral("b.png"));
    ASSERT_FALSE(fitted.isNull());
    ASSERT_FALSE(whole.isNull());
    const QPixmap fittedOnDemand = MRender::LoadImageFitted(QStringLiteral("same-a.png"), QSize(91, 140), 2.0);
    EXPECT_EQ(fitted.size(), fittedOnDemand.size());
    EXPECT_EQ(fitted.devicePixelRatio(), fittedOnDemand.devicePixelRatio());
    EXPECT_EQ(fitted.toImage(), fittedOnDemand.toImage());
    EXPECT_EQ(whole.toImage(), MRender::LoadImage(QStringLiteral("same-b.png")).toImage());
    // A file that was missing then is looked for when first drawn.
    ASSERT_TRUE(picture.save(m_skin + QStringLiteral("missing.png")));
    EXPECT_FALSE(MRender::LoadImage(QStringLiteral("missing.png")).isNull());

    // Prefetched for a skin that was then left: nothing of it is kept.
    ASSERT_TRUE(picture.save(m_skin + QStringLiteral("c.png")));
    MRender::Prefetch({{QStringLiteral("c.png"), {}, 1.0}});
    Manager::SetProgramFolder(m_program.path());
    MRender::FinishPrefetch();
    ASSERT_TRUE(QFile::remove(m_skin + QStringLiteral("c.png")));
    EXPECT_TRUE(MRender::LoadImage(QStringLiteral("c.png")).isNull());
}

TEST_F(SkinTest, AViewJustShownIsDrawnOnceItsPicturesAreDecodedElsewhere)
{
    QImage picture(300, 200, QImage::Format_ARGB32);
    picture.fill(qRgba(10, 120, 200, 255));
    for (const char* name : {"shown.png", "hidden.png", "kept.png"})
        ASSERT_TRUE(picture.save(m_skin + QString::fromLatin1(name)));
    Manager::SetProgramFolder(m_program.path());
    EXPECT_FALSE(MRender::LoadImage(QStringLiteral("kept.png")).isNull());

    RecordingDialog dialog;
    dialog.Open();
    auto* host = dynamic_cast<WindowHost*>(dialog.GetWidget());
    ASSERT_NE(host, nullptr);
    auto* shown = dialog.Create<MButton>(1, {10, 10, 110, 40}, QStringLiteral("Shown"));
    auto* hidden = dialog.Create<MButton>(2, {10, 50, 110, 80}, QStringLiteral("Hidden"));
    auto* kept = dialog.Create<MButton>(3, {10, 90, 110, 120}, QStringLiteral("Kept"));
    hidden->SetVisible(false);
    ProcessEvents();
    int paints = 0;
    const PaintCounter counter(shown, paints);
    const auto drawnAgain = [&] {
        const int before = paints;
        shown->update();
        for (int i = 0; i < 200 && paints == before; ++i)
            QTest::qWait(5);
        return paints > before;
    };

    // Held twice, released twice: repaints asked for meanwhile are made
    // then, and the window goes on repainting afterwards.
    host->HoldDrawing();
    host->HoldDrawing();
    shown->update();
    QTest::qWait(30);
    host->ReleaseDrawing();
    QTest::qWait(30);
    EXPECT_EQ(paints, 0) << "drawn while held";
    host->ReleaseDrawing();
    host->ReleaseDrawing(); // one too many changes nothing
    for (int i = 0; i < 200 && paints == 0; ++i)
        QTest::qWait(5);
    EXPECT_GT(paints, 0);
    EXPECT_TRUE(drawnAgain());

    // A view just built: its controls were never drawn with these pictures.
    shown->SetImage(QStringLiteral("shown.png"));
    hidden->SetImage(QStringLiteral("hidden.png"));
    kept->SetImage(QStringLiteral("kept.png"));
    MControl::PrefetchBeforeDrawing(host);
    EXPECT_TRUE(host->DrawingHeld());
    for (int i = 0; i < 1000 && host->DrawingHeld(); ++i)
        QTest::qWait(5);
    EXPECT_FALSE(host->DrawingHeld());
    EXPECT_TRUE(drawnAgain());
    // The shown control's picture came from the prefetch; the hidden one's
    // was not decoded, and nothing was asked for the kept one.
    for (const char* name : {"shown.png", "hidden.png", "kept.png"})
        ASSERT_TRUE(QFile::remove(m_skin + QString::fromLatin1(name)));
    EXPECT_FALSE(MRender::LoadImage(QStringLiteral("shown.png")).isNull());
    EXPECT_TRUE(MRender::LoadImage(QStringLiteral("hidden.png")).isNull());
    EXPECT_FALSE(MRender::LoadImage(QStringLiteral("kept.png")).isNull());
    // Nothing left to decode: the window is not held at all.
    MControl::PrefetchBeforeDrawing(host);
    EXPECT_FALSE(host->DrawingHeld());
}

TEST_F(SkinTest, ScaledSkinPartsDrawTheSamePixelsAsOneSmoothDraw)
{
    // Uniform parts are drawn without the smooth filter and tall smooth ones
    // in bands: neither may change a pixel against Qt's one smooth draw.
    struct Source {
        const char* name;
        std::function<QRgb(int, int)> pixel;
    };
    const Source sources[] = {
        {"flat.png", [](int, int) { return qRgba(30, 120, 200, 180); }},
        {"rows.png", [](int, int y) { return qRgba(10 * y, 255 - 9 * y, 90, 255); }}, // each row one colour
        {"almost.png", [](int x, int y) { return x == 23 && y == 23 ? qRgba(30, 120, 201, 180) : qRgba(30, 120, 200, 180); }},
        {"columns.png", [](int x, int) { return qRgba(200, 7 * x, 50, 100 + 5 * x); }}, // each column one colour
        {"mixed.png", [](int x, int y) { return qRgba((x * 37 + y * 11) % 256, (x * y) % 256, 128, 255); }},
        {"panel.png", [](int x, int y) { // rounded-looking border, flat centre
             const bool edge = x < 6 || y < 6 || x >= 18 || y >= 18;
             return edge ? qRgba(255, 40 * (x % 6), 40 * (y % 6), 60 + 30 * std::min(x % 6, y % 6)) : qRgba(20, 30, 40, 230);
         }},
    };
    for (const Source& source : sources) {
        QImage image(24, 24, QImage::Format_ARGB32);
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x)
                image.setPixel(x, y, source.pixel(x, y));
        ASSERT_TRUE(image.save(m_skin + QString::fromLatin1(source.name)));
    }
    Manager::SetProgramFolder(m_program.path());

    struct Draw {
        QRect target;
        QRect source;
        qreal deviceRatio;
        QPointF offset;
    };
    const Draw draws[] = {
        {{3, 2, 180, 130}, {0, 0, 24, 24}, 1, {}}, // both ways, in bands
        {{0, 0, 150, 24}, {0, 0, 24, 24}, 1, {}}, // across only
        {{0, 0, 24, 150}, {0, 0, 24, 24}, 1, {}}, // down only, in bands
        {{5, 5, 100, 90}, {6, 6, 12, 12}, 1, {}}, // a centre part
        {{0, 0, 100, 6}, {6, 0, 12, 6}, 1, {}}, // a top edge
        {{0, 0, 6, 100}, {0, 6, 6, 12}, 1, {}}, // a left edge
        {{0, 0, 60, 50}, {0, 0, 24, 24}, 2, {}}, // a high-density window
        {{0, 0, 24, 24}, {0, 0, 24, 24}, 2, {}}, // unscaled in logical pixels only
        {{0, 0, 80, 70}, {0, 0, 24, 24}, 1, {7, 3}}, // a painter moved by whole pixels
        {{0, 0, 80, 70}, {0, 0, 24, 24}, 1, {0.5, 0.25}}, // and by fractions
    };
    for (const Source& source : sources) {
        const QPixmap image = MRender::LoadImage(QString::fromLatin1(source.name));
        ASSERT_FALSE(image.isNull()) << source.name;
        for (const Draw& draw : draws) {
            auto render = [&](bool ours) {
                QImage canvas(QSize(200, 200) * draw.deviceRatio, QImage::Format_ARGB32_Premultiplied);
                canvas.setDevicePixelRatio(draw.deviceRatio);
                for (int y = 0; y < canvas.height(); ++y)
                    for (int x = 0; x < canvas.width(); ++x)
                        canvas.setPixel(x, y, qRgba(x % 200, 100, y % 200, 255));
                QPainter painter(&canvas);
                painter.setRenderHint(QPainter::SmoothPixmapTransform);
                painter.translate(draw.offset);
                if (ours)
                    MRender::DrawPart(painter, draw.target, image, draw.source);
                else
                    painter.drawPixmap(draw.target, image, draw.source);
                painter.end();
                return canvas;
            };
            const QImage ours = render(true);
            const QImage smooth = render(false);
            int differing = 0;
            for (int y = 0; y < ours.height(); ++y)
                for (int x = 0; x < ours.width(); ++x)
                    differing += ours.pixel(x, y) != smooth.pixel(x, y);
            EXPECT_EQ(differing, 0) << source.name << " onto " << draw.target.width() << "x" << draw.target.height()
                                    << " at ratio " << draw.deviceRatio << " offset " << draw.offset.x();
        }
    }
}

TEST_F(SkinTest, StateImagesShowTheFrameOfTheState)
{
    const QColor frames[4] = {Qt::red, Qt::green, Qt::blue, Qt::gray};
    QImage strip(4 * 12, 12, QImage::Format_ARGB32);
    for (int i = 0; i < 4; ++i) {
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x)
                strip.setPixelColor(i * 12 + x, y, frames[i]);
    }
    ASSERT_TRUE(strip.save(m_skin + QStringLiteral("btn4.png")));
    Manager::SetProgramFolder(m_program.path());

    const QPixmap loaded = MRender::LoadImage(QStringLiteral("btn4.png"));
    ASSERT_FALSE(loaded.isNull());
    struct Case {
        int index;
        QColor color;
    };
    for (const Case c : {Case{0, Qt::red}, Case{1, Qt::green}, Case{2, Qt::blue}, Case{3, Qt::gray}, Case{9, Qt::gray}, Case{-1, Qt::red}}) {
        const QPixmap frame = MRender::StateFrame(loaded, 4, c.index);
        EXPECT_EQ(frame.width(), 12);
        EXPECT_EQ(frame.toImage().pixelColor(6, 6), c.color) << c.index;
    }
    EXPECT_EQ(MRender::StateFrame(loaded, 1, 3).width(), 48) << "one state: the whole image";

    RecordingDialog dialog;
    dialog.Open();
    auto* button = dynamic_cast<MButton*>(dialog.CreateControl(QStringLiteral("MButton"), 1, {10, 10, 110, 40}));
    button->SetImage(QStringLiteral("btn4.png"), 4);
    EXPECT_EQ(button->grab().toImage().pixelColor(50, 15), QColor(Qt::red));
    button->SetEnabled(false);
    EXPECT_EQ(button->grab().toImage().pixelColor(50, 15), QColor(Qt::gray));
}

TEST_F(SkinTest, NineSliceKeepsCornersAndStretchesTheMiddle)
{
    QImage source(30, 30, QImage::Format_ARGB32);
    source.fill(Qt::blue);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            source.setPixelColor(x, y, Qt::red);
    QImage target(200, 100, QImage::Format_ARGB32);
    target.fill(Qt::black);
    {
        QPainter painter(&target);
        MRender::DrawNineSlice(painter, target.rect(), QPixmap::fromImage(source), 10);
    }
    EXPECT_EQ(target.pixelColor(5, 5), QColor(Qt::red));
    EXPECT_EQ(target.pixelColor(15, 15), QColor(Qt::blue));
    EXPECT_EQ(target.pixelColor(195, 95), QColor(Qt::blue));
}

TEST_F(SkinTest, NineSliceOfAHighDensityImageKeepsLogicalCorners)
{
    QImage source(60, 60, QImage::Format_ARGB32);
    source.fill(Qt::blue);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            source.setPixelColor(x, y, Qt::red);
    QPixmap pixmap = QPixmap::fromImage(source);
    pixmap.setDevicePixelRatio(2); // 30 x 30 logical, a 10-pixel red corner
    QImage target(200, 100, QImage::Format_ARGB32);
    target.fill(Qt::black);
    {
        QPainter painter(&target);
        MRender::DrawNineSlice(painter, target.rect(), pixmap, 10);
    }
    EXPECT_EQ(target.pixelColor(7, 7), QColor(Qt::red));
    EXPECT_EQ(target.pixelColor(13, 13), QColor(Qt::blue));
    EXPECT_EQ(MRender::StateFrame(pixmap, 2, 1).devicePixelRatio(), 2.0);
}

TEST_F(SkinTest, HighDensityVariantsAreTwiceTheSize)
{
    const QString skin = Manager::GetSkinFolder();
    const char* names[] = {"img_button", "btn_checkbox", "sysbtn_close", "logo/logo", "icon/tab_home", "device/heron", "main_bkg"};
    for (const char* name : names) {
        const QSize normal = QImageReader(skin + QString::fromLatin1(name) + QStringLiteral(".png")).size();
        const QSize dense = QImageReader(skin + QString::fromLatin1(name) + QStringLiteral("@2x.png")).size();
        EXPECT_TRUE(normal.isValid()) << name;
        EXPECT_EQ(dense, normal * 2) << name;
    }
}

TEST_F(SkinTest, TheWindowBackgroundCoversTheWindowWithItsShape)
{
    // Painted small and stretched when drawn: every pixel opaque, darker at
    // the bottom than at the top, and the glow brightest at the upper right.
    for (const char* name : {"main_bkg.png", "main_bkg@2x.png"}) {
        QImage image;
        ASSERT_TRUE(QImageReader(Manager::GetSkinFolder() + QString::fromLatin1(name)).read(&image)) << name;
        EXPECT_EQ(double(image.width()) / image.height(), 1280.0 / 780.0) << name;
        int transparent = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                transparent += qAlpha(image.pixel(x, y)) != 255;
        }
        EXPECT_EQ(transparent, 0) << name;
        auto brightness = [&](double fx, double fy) {
            return qGray(image.pixel(int(fx * (image.width() - 1)), int(fy * (image.height() - 1))));
        };
        EXPECT_GT(brightness(0.77, 0.08), brightness(0.1, 0.08)) << name;
        EXPECT_GT(brightness(0.1, 0.1), brightness(0.1, 0.95)) << name;
    }
}

TEST_F(SkinTest, DefaultSkinHoldsTheNamedImages)
{
    const QString skin = Manager::GetSkinFolder();
    const char* names[] = {"main_bkg.png", "img_caption.png", "img_tab_bkg.png", "logo/logo.png", "sysbtn_close.png",
        "sysbtn_min.png", "sysbtn_maximize.png", "sysbtn_restore.png", "sysbtn_setting.png", "icon/icon_battery_bkg.png",
        "icon/icon_batteryvalue.png", "icon/icon_charge.png", "img_area.png", "img_button.png", "icon/icon_arrow_up.png",
        "img_tabitem_bkg.png", "area_device.png", "device_mode.png", "img_area3.png", "icon/tab_home.png", "icon/tab_key.png",
        "icon/tab_dpi.png", "icon/tab_macro.png", "icon/tab_text.png", "icon/tab_light.png", "icon/tab_set.png",
        "img_combobox.png", "btn_checkbox.png", "btn_radiobox.png", "bk_prompt.png", "loading.gif", "DeviceDriver.ico",
        "img_area_content.png", "img_area_bkg.png", "img_area_caption.png", "img_area2.png", "icon/keytype_0.png",
        "icon/keytype_1.png", "icon/keytype_2.png", "icon/keytype_4.png", "icon/keytype_6.png", "icon/keytype_7.png",
        "icon/keytype_9.png", "icon/keytype_10.png", "icon/keytype_11.png", "icon/keytype_12.png", "img_key_bkg.png",
        "btn_openfile.png", "img_list_bkg.png", "btn_more.png", "icon/icon_record.png", "icon/icon_rec.png",
        "icon/icon_stop_rec.png", "img_help.png", "btn_reset.png", "img_dpi_bar.png", "img_slider_bar.png",
        "img_switch_btn_off.png", "img_switch_btn_on.png", "img_btn_abc.png", "device/heron.png",
        "device/heron_3311.png", "device/egret.png", "device/egret_3311.png", "device/egretv2.png",
        "device/egretv2_3311.png", "device/plover.png", "device/plover_3311.png"};
    for (const char* name : names) {
        const QString path = skin + QString::fromLatin1(name);
        QImageReader reader(path);
        EXPECT_TRUE(reader.canRead()) << name;
        EXPECT_GT(reader.size().width(), 1) << name;
    }
    EXPECT_FALSE(MRender::LoadIconFromFile(QStringLiteral("DeviceDriver.ico")).isNull());
    // Eight-state check images: eight equal frames side by side.
    const QPixmap check = MRender::LoadImage(QStringLiteral("btn_checkbox.png"));
    EXPECT_EQ(check.width(), 8 * check.height());
}

TEST_F(SkinTest, LoadingGifAnimates)
{
    RecordingDialog dialog;
    dialog.Open();
    auto* gif = dynamic_cast<CGifPicture*>(dialog.CreateControl(QStringLiteral("CGifPicture"), 30, {1, 1, 101, 101}));
    ASSERT_NE(gif, nullptr);
    EXPECT_FALSE(gif->LoadGif(QStringLiteral("missing.gif")));
    gif->SetImage(QStringLiteral("loading.gif"));
    ASSERT_GE(gif->GetFrameCount(), 8);
    gif->SetRunState(1, 0);
    gif->AddMTimer(10);
    // Wait for frames to move on; bounded by a count of event-loop turns, not by time.
    int turns = 0;
    while (gif->GetCurrentFrame() < 2 && turns++ < 2000)
        QTest::qWait(5);
    EXPECT_GE(gif->GetCurrentFrame(), 2);
    gif->SetRunState(0, 1);
    EXPECT_EQ(gif->GetCurrentFrame(), 0);
    const QImage frame = gif->grab().toImage();
    EXPECT_EQ(frame.size(), QSize(100, 100));
}

} // namespace
