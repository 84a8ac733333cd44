#include "SkinPainter.h"

#include "GifWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

// The palette of the skin; the controls' own drawing uses the same values.
const QColor kWindow(0x14, 0x17, 0x1c);
const QColor kSurface(0x1c, 0x21, 0x28);
const QColor kRaised(0x26, 0x2c, 0x35);
const QColor kHover(0x2f, 0x37, 0x42);
const QColor kBorder(0x36, 0x3e, 0x4a);
const QColor kText(0xe8, 0xec, 0xf1);
const QColor kTextDim(0x8b, 0x95, 0xa4);
const QColor kTextDisabled(0x5a, 0x63, 0x70);
const QColor kAccent(0x2e, 0xc4, 0xb6);
const QColor kAccentHover(0x52, 0xd9, 0xcc);
const QColor kAccentPressed(0x22, 0x9e, 0x93);
const QColor kAccentDeep(0x1d, 0x3d, 0x3b);
const QColor kDanger(0xe5, 0x48, 0x4d);

// The scale being painted: 1 for "name.png", 2 for "name@2x.png", which Qt
// picks on high-density screens. Painting happens in logical pixels.
int g_scale = 1;

QImage Canvas(int width, int height)
{
    QImage image(width * g_scale, height * g_scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(g_scale);
    image.fill(Qt::transparent);
    return image;
}

void Smooth(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
}

QFont Font(int pixels, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// A strip of `states` frames of w x h, each painted by `paint(painter, rect, state)`.
QImage Strip(int states, int w, int h, const std::function<void(QPainter&, const QRectF&, int)>& paint)
{
    QImage image = Canvas(states * w, h);
    QPainter p(&image);
    Smooth(p);
    for (int s = 0; s < states; ++s) {
        p.save();
        paint(p, QRectF(s * w, 0, w, h), s);
        p.restore();
    }
    return image;
}

QPen Line(const QColor& color, double width)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Panel(QPainter& p, const QRectF& r, const QColor& fill, const QColor& border, double radius)
{
    p.setPen(QPen(border, 1));
    p.setBrush(fill);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

// The four button states: normal, hover, pressed, disabled.
QColor StateFill(int state)
{
    switch (state) {
    case 1: return kHover;
    case 2: return kAccentDeep;
    case 3: return kSurface;
    default: return kRaised;
    }
}

QColor StateBorder(int state)
{
    switch (state) {
    case 1: return kAccent;
    case 2: return kAccentPressed;
    case 3: return kBorder;
    default: return kBorder;
    }
}

// Icon glyphs drawn in a 24 x 24 box.
using Glyph = std::function<void(QPainter&, const QColor&)>;

QImage GlyphStrip(const std::vector<QColor>& inks, int size, const Glyph& glyph)
{
    return Strip(int(inks.size()), size, size, [&](QPainter& p, const QRectF& r, int s) {
        p.translate(r.topLeft());
        p.scale(size / 24.0, size / 24.0);
        glyph(p, inks[size_t(s)]);
    });
}

void MouseOutline(QPainter& p, const QRectF& r)
{
    QPainterPath body;
    body.addRoundedRect(r, r.width() / 2, r.width() / 2 * 1.1);
    p.drawPath(body);
    p.drawLine(QPointF(r.center().x(), r.top()), QPointF(r.center().x(), r.top() + r.height() * 0.38));
}

const std::map<QString, Glyph>& Glyphs()
{
    static const std::map<QString, Glyph> glyphs = {
        {QStringLiteral("home"), [](QPainter& p, const QColor& c) {
             p.setPen(Line(c, 1.8));
             p.setBrush(Qt::NoBrush);
             QPainterPath roof;
             roof.moveTo(4, 11);
             roof.lineTo(12, 4);
             roof.lineTo(20, 11);
             p.drawPath(roof);
             p.drawRoundedRect(QRectF(6.5, 10, 11, 10), 1.5, 1.5);
             p.drawLine(QPointF(12, 20), QPointF(12, 15));
         }},
        {QStringLiteral("key"), [](QPainter& p, const QColor& c) {
             p.setPen(Line(c, 1.8));
             p.setBrush(Qt::NoBrush);
             MouseOutline(p, QRectF(7, 3, 10, 18));
             p.drawLine(QPointF(12, 7.5), QPointF(12, 9.5));
         }},
        {QStringLiteral("dpi"), [](QPainter& p, const QColor& c) {
             p.setPen(Line(c, 1.8));
             p.setBrush(Qt::NoBrush);
             p.drawArc(QRectF(3.5, 5, 17, 17), 30 * 16, 120 * 16 + 30 * 16);
             p.drawLine(QPointF(12, 13.5), QPointF(16.5, 8.5));
             p.setBrush(c);
             p.drawEllipse(QPointF(12, 13.5), 1.6, 1.6);
         }},
        {QStringLiteral("macro"), [](QPainter& p, const QColor& c) {
             p.setPen(Line(c, 1.8));
             p.setBrush(Qt::NoBrush);
             for (int i = 0; i < 3; ++i)
                 p.drawLine(QPointF(4, 6 + i * 6), QPointF(i == 1 ? 11 : 13, 6 + i * 6));
             QPainterPath play;
             play.moveTo(15, 9);
             play.lineTo(21, 13);
             play.lineTo(15, 17);
             play.closeSubpath();
             p.setBrush(c);
             p.drawPath(play);
         }},
        {QStringLiteral("text"), [](QPainter& p, const QColor& c) {
             p.setPen(Line(c, 1.8));
             p.setBrush(Qt::NoBrush);
             p.drawRoundedRect(QRectF(4, 4, 16, 16), 3, 3);
             p.drawLine(QPointF(8.5, 8.5), QPointF(15.5, 8.5));
             p.drawLine(QPointF(12, 8.5), QPointF(12, 16));
         }},
        {QStringLiteral("light"), [](QPainter& p, const QColor& c) {
             p.setPen(Line(c, 1.8));
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QPointF(12, 12), 4, 4);
             for (int i = 0; i < 8; ++i) {
                 const double a = i * M_PI / 4;
                 p.drawLine(QPointF(12 + 7 * std::cos(a), 12 + 7 * std::sin(a)), QPointF(12 + 9 * std::cos(a), 12 + 9 * std::sin(a)));
             }
         }},
        {QStringLiteral("set"), [](QPainter& p, const QColor& c) {
             p.setPen(Line(c, 1.8));
             p.setBrush(Qt::NoBrush);
             const double ys[3] = {6, 12, 18};
             const double xs[3] = {15, 8, 13};
             for (int i = 0; i < 3; ++i) {
                 p.drawLine(QPointF(4, ys[i]), QPointF(20, ys[i]));
                 p.setBrush(kWindow);
                 p.drawEllipse(QPointF(xs[i], ys[i]), 2.3, 2.3);
                 p.setBrush(Qt::NoBrush);
             }
         }},
        {QStringLiteral("restore"), [](QPainter& p, const QColor& c) {
             p.setPen(Line(c, 1.8));
             p.setBrush(Qt::NoBrush);
             p.drawArc(QRectF(5, 5, 14, 14), 60 * 16, 290 * 16);
             QPainterPath head;
             head.moveTo(15.5, 2.8);
             head.lineTo(16.2, 7.3);
             head.lineTo(11.8, 7.0);
             p.drawPath(head);
         }},
        {QStringLiteral("mouse"), [](QPainter& p, const QColor& c) {
             p.setPen(Line(c, 1.8));
             p.setBrush(Qt::NoBrush);
             MouseOutline(p, QRectF(7, 3, 10, 18));
         }},
        {QStringLiteral("keyboard"), [](QPainter& p, const QColor& c) {
             p.setPen(Line(c, 1.6));
             p.setBrush(Qt::NoBrush);
             p.drawRoundedRect(QRectF(3, 6.5, 18, 11), 2, 2);
             p.setPen(Line(c, 1.8));
             for (int i = 0; i < 4; ++i)
                 p.drawPoint(QPointF(6.5 + i * 3.7, 10));
             p.drawLine(QPointF(8, 14), QPointF(16, 14));
         }},
        {QStringLiteral("macrobox"), [](QPainter& p, const QColor& c) {
             p.setPen(Line(c, 1.6));
             p.setBrush(Qt::NoBrush);
             p.drawRoundedRect(QRectF(3.5, 4.5, 17, 15), 3, 3);
             p.setFont(Font(10, true));
             p.drawText(QRectF(3.5, 4.5, 17, 15), Qt::AlignCenter, QStringLiteral("M"));
         }},
        {QStringLiteral("media"), [](QPainter& p, const QColor& c) {
             p.setPen(Line(c, 1.8));
             p.setBrush(c);
             p.drawEllipse(QPointF(8, 17), 2.6, 2.2);
             p.drawEllipse(QPointF(17, 15), 2.6, 2.2);
             p.setBrush(Qt::NoBrush);
             p.drawLine(QPointF(10.4, 17), QPointF(10.4, 6));
             p.drawLine(QPointF(19.4, 15), QPointF(19.4, 4.5));
             p.drawLine(QPointF(10.4, 6), QPointF(19.4, 4.5));
         }},
        {QStringLiteral("shortcut"), [](QPainter& p, const QColor& c) {
             p.setPen(Line(c, 1.7));
             p.setBrush(Qt::NoBrush);
             p.drawRoundedRect(QRectF(3, 7, 8, 10), 2, 2);
             p.drawRoundedRect(QRectF(13, 7, 8, 10), 2, 2);
             p.drawLine(QPointF(5.5, 12), QPointF(8.5, 12));
             p.drawLine(QPointF(17, 10), QPointF(17, 14));
             p.drawLine(QPointF(15, 12), QPointF(19, 12));
         }},
        {QStringLiteral("disable"), [](QPainter& p, const QColor& c) {
             p.setPen(Line(c, 1.8));
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QPointF(12, 12), 8, 8);
             p.drawLine(QPointF(6.5, 17.5), QPointF(17.5, 6.5));
         }},
        {QStringLiteral("program"), [](QPainter& p, const QColor& c) {
             p.setPen(Line(c, 1.7));
             p.setBrush(Qt::NoBrush);
             p.drawRoundedRect(QRectF(3.5, 4.5, 17, 15), 2.5, 2.5);
             p.drawLine(QPointF(3.5, 8.5), QPointF(20.5, 8.5));
             p.drawLine(QPointF(7, 12), QPointF(10, 14));
             p.drawLine(QPointF(10, 14), QPointF(7, 16));
         }},
        {QStringLiteral("web"), [](QPainter& p, const QColor& c) {
             p.setPen(Line(c, 1.6));
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QPointF(12, 12), 8.5, 8.5);
             p.drawEllipse(QRectF(8, 3.5, 8, 17));
             p.drawLine(QPointF(3.5, 12), QPointF(20.5, 12));
         }},
        {QStringLiteral("snippet"), [](QPainter& p, const QColor& c) {
             p.setPen(Line(c, 1.8));
             for (int i = 0; i < 4; ++i)
                 p.drawLine(QPointF(4, 5.5 + i * 4.5), QPointF(i == 3 ? 13 : 20, 5.5 + i * 4.5));
         }},
        {QStringLiteral("folder"), [](QPainter& p, const QColor& c) {
             p.setPen(Line(c, 1.7));
             p.setBrush(Qt::NoBrush);
             QPainterPath f;
             f.moveTo(3.5, 18.5);
             f.lineTo(3.5, 6);
             f.lineTo(9, 6);
             f.lineTo(11, 8.5);
             f.lineTo(20.5, 8.5);
             f.lineTo(20.5, 18.5);
             f.closeSubpath();
             p.drawPath(f);
         }},
        {QStringLiteral("abc"), [](QPainter& p, const QColor& c) {
             p.setPen(c);
             p.setFont(Font(11, true));
             p.drawText(QRectF(0, 0, 24, 24), Qt::AlignCenter, QStringLiteral("Ab"));
             p.setPen(Line(c, 1.3));
             p.drawLine(QPointF(5, 19), QPointF(19, 19));
         }},
        {QStringLiteral("help"), [](QPainter& p, const QColor& c) {
             p.setPen(Line(c, 1.6));
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QPointF(12, 12), 9, 9);
             p.setFont(Font(13, true));
             p.drawText(QRectF(0, 0, 24, 24.5), Qt::AlignCenter, QStringLiteral("?"));
         }},
        {QStringLiteral("more"), [](QPainter& p, const QColor& c) {
             p.setPen(Qt::NoPen);
             p.setBrush(c);
             for (int i = 0; i < 3; ++i)
                 p.drawEllipse(QPointF(6 + i * 6, 12), 1.8, 1.8);
         }},
        {QStringLiteral("arrowup"), [](QPainter& p, const QColor& c) {
             p.setPen(Line(c, 2));
             p.drawLine(QPointF(7, 14), QPointF(12, 9));
             p.drawLine(QPointF(12, 9), QPointF(17, 14));
         }},
        {QStringLiteral("record"), [](QPainter& p, const QColor& c) {
             p.setPen(Line(c, 1.6));
             p.setBrush(Qt::NoBrush);
             p.drawRoundedRect(QRectF(4, 7, 16, 10), 2, 2);
             p.drawLine(QPointF(8, 12), QPointF(16, 12));
         }},
        {QStringLiteral("rec"), [](QPainter& p, const QColor&) {
             p.setPen(QPen(kDanger.lighter(130), 1.5));
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QPointF(12, 12), 8.5, 8.5);
             p.setPen(Qt::NoPen);
             p.setBrush(kDanger);
             p.drawEllipse(QPointF(12, 12), 5, 5);
         }},
        {QStringLiteral("stop"), [](QPainter& p, const QColor&) {
             p.setPen(QPen(kDanger.lighter(130), 1.5));
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QPointF(12, 12), 8.5, 8.5);
             p.setPen(Qt::NoPen);
             p.setBrush(kDanger);
             p.drawRoundedRect(QRectF(8.5, 8.5, 7, 7), 1.2, 1.2);
         }},
        {QStringLiteral("bolt"), [](QPainter& p, const QColor& c) {
             QPainterPath bolt;
             bolt.moveTo(13.5, 2);
             bolt.lineTo(6, 13.5);
             bolt.lineTo(11.5, 13.5);
             bolt.lineTo(10, 22);
             bolt.lineTo(18, 10);
             bolt.lineTo(12.5, 10);
             bolt.closeSubpath();
             p.setPen(Qt::NoPen);
             p.setBrush(c);
             p.drawPath(bolt);
         }},
        {QStringLiteral("cable"), [](QPainter& p, const QColor& c) {
             p.setPen(Line(c, 1.8));
             p.setBrush(Qt::NoBrush);
             p.drawRoundedRect(QRectF(8, 3, 8, 9), 1.5, 1.5);
             p.drawLine(QPointF(10.5, 3), QPointF(10.5, 0.5));
             p.drawLine(QPointF(13.5, 3), QPointF(13.5, 0.5));
             QPainterPath cord;
             cord.moveTo(12, 12);
             cord.cubicTo(12, 20, 4, 16, 5, 22);
             p.drawPath(cord);
         }},
        {QStringLiteral("wireless"), [](QPainter& p, const QColor& c) {
             p.setPen(Line(c, 1.8));
             p.setBrush(Qt::NoBrush);
             p.drawArc(QRectF(3, 5, 18, 18), 45 * 16, 90 * 16);
             p.drawArc(QRectF(7, 9, 10, 10), 45 * 16, 90 * 16);
             p.setBrush(c);
             p.drawEllipse(QPointF(12, 17.5), 1.8, 1.8);
         }},
    };
    return glyphs;
}

QImage Glyph2(const QString& name, int size)
{
    return GlyphStrip({kTextDim, kAccent}, size, Glyphs().at(name));
}

QImage Glyph1(const QString& name, int size, const QColor& ink)
{
    return GlyphStrip({ink}, size, Glyphs().at(name));
}

QImage Glyph4(const QString& name, int size)
{
    return GlyphStrip({kTextDim, kText, kAccentHover, kTextDisabled}, size, Glyphs().at(name));
}

// Caption buttons: 30 x 30 frames; the close button turns red on hover.
QImage CaptionButton(const std::function<void(QPainter&, const QColor&)>& glyph, bool danger)
{
    return Strip(4, 30, 30, [&](QPainter& p, const QRectF& r, int s) {
        if (s == 1 || s == 2) {
            p.setPen(Qt::NoPen);
            p.setBrush(danger ? (s == 1 ? kDanger : kDanger.darker(120)) : (s == 1 ? kHover : kRaised));
            p.drawRoundedRect(r.adjusted(2, 2, -2, -2), 6, 6);
        }
        p.translate(r.topLeft());
        glyph(p, s == 3 ? kTextDisabled : (danger && s > 0 ? kText : (s == 0 ? kTextDim : kText)));
    });
}

// The eight-state check and radio marks, 18 x 18 frames.
QImage Mark(bool round)
{
    return Strip(8, 18, 18, [&](QPainter& p, const QRectF& r, int s) {
        const bool checked = s >= 4;
        const int state = s % 4;
        const QRectF box = r.adjusted(1.5, 1.5, -1.5, -1.5);
        QColor edge = checked ? kAccent : (state == 1 ? kAccent : kTextDim);
        if (state == 2)
            edge = kAccentPressed;
        if (state == 3)
            edge = kTextDisabled;
        p.setPen(QPen(edge, 1.5));
        p.setBrush(checked && !round ? edge : (state == 3 ? kSurface : kRaised));
        if (round)
            p.drawEllipse(box);
        else
            p.drawRoundedRect(box, 3.5, 3.5);
        if (!checked)
            return;
        if (round) {
            p.setPen(Qt::NoPen);
            p.setBrush(edge);
            p.drawEllipse(box.center(), 3.8, 3.8);
        } else {
            p.setPen(Line(kWindow, 2.2));
            p.setBrush(Qt::NoBrush);
            QPainterPath tick;
            tick.moveTo(box.left() + 3.2, box.top() + 7.8);
            tick.lineTo(box.left() + 6.2, box.top() + 10.8);
            tick.lineTo(box.left() + 11.8, box.top() + 4.6);
            p.drawPath(tick);
        }
    });
}

QImage ButtonStrip(int w, int h, double radius)
{
    return Strip(4, w, h, [&](QPainter& p, const QRectF& r, int s) { Panel(p, r, StateFill(s), StateBorder(s), radius); });
}

QImage PanelImage(int w, int h, const QColor& fill, const QColor& border, double radius)
{
    QImage image = Canvas(w, h);
    QPainter p(&image);
    Smooth(p);
    Panel(p, QRectF(0, 0, w, h), fill, border, radius);
    return image;
}

// A top view of a mouse model: `shape` 0 ergonomic (right-handed), 1
// symmetric, 2 symmetric with a honeycomb shell, 3 small symmetric. Pro
// models carry an accent light strip.
QImage MouseTopView(int shape, bool pro, const QString& label)
{
    const int w = 260;
    const int h = 400;
    QImage image = Canvas(w, h);
    QPainter p(&image);
    Smooth(p);
    const double scale = shape == 3 ? 0.9 : 1.0;
    p.translate(w / 2.0, h / 2.0);
    p.scale(scale, scale);
    p.translate(-w / 2.0, -h / 2.0);

    QPainterPath body;
    if (shape == 0) {
        body.moveTo(130, 18);
        body.cubicTo(200, 18, 222, 70, 224, 140);
        body.cubicTo(226, 220, 236, 280, 212, 340);
        body.cubicTo(190, 392, 80, 392, 56, 350);
        body.cubicTo(30, 300, 30, 240, 40, 200);
        body.cubicTo(48, 160, 40, 110, 48, 70);
        body.cubicTo(58, 30, 90, 18, 130, 18);
    } else {
        body.moveTo(130, 16);
        body.cubicTo(196, 16, 214, 70, 214, 140);
        body.cubicTo(214, 200, 200, 230, 204, 280);
        body.cubicTo(210, 360, 170, 388, 130, 388);
        body.cubicTo(90, 388, 50, 360, 56, 280);
        body.cubicTo(60, 230, 46, 200, 46, 140);
        body.cubicTo(46, 70, 64, 16, 130, 16);
    }
    // soft shadow
    p.save();
    p.translate(0, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 110));
    p.drawPath(body);
    p.restore();
    QLinearGradient shell(0, 0, w, h);
    shell.setColorAt(0, QColor(0x3a, 0x42, 0x4e));
    shell.setColorAt(1, QColor(0x1e, 0x23, 0x2a));
    p.setPen(QPen(QColor(0x4a, 0x53, 0x61), 2));
    p.setBrush(shell);
    p.drawPath(body);

    p.save();
    p.setClipPath(body);
    if (shape == 2) {
        p.setPen(QPen(QColor(0x12, 0x15, 0x1a), 5));
        p.setBrush(QColor(0x10, 0x13, 0x17));
        for (int row = 0; row < 9; ++row) {
            for (int col = 0; col < 6; ++col) {
                const double cx = 52 + col * 32 + (row % 2) * 16;
                const double cy = 190 + row * 24;
                if (cy > 360)
                    continue;
                QPainterPath hex;
                for (int k = 0; k < 6; ++k) {
                    const double a = M_PI / 6 + k * M_PI / 3;
                    const QPointF pt(cx + 10 * std::cos(a), cy + 10 * std::sin(a));
                    k == 0 ? hex.moveTo(pt) : hex.lineTo(pt);
                }
                hex.closeSubpath();
                p.drawPath(hex);
            }
        }
    }
    // button split and the two main buttons
    p.setPen(QPen(QColor(0x0e, 0x11, 0x15), 3));
    p.drawLine(QPointF(shape == 0 ? 126 : 130, 16), QPointF(shape == 0 ? 126 : 130, 150));
    QPainterPath seam;
    seam.moveTo(20, 168);
    seam.cubicTo(90, 146, 170, 146, 240, 168);
    p.drawPath(seam);
    if (pro) {
        QLinearGradient glow(0, 330, 0, 380);
        glow.setColorAt(0, QColor(0x2e, 0xc4, 0xb6, 0));
        glow.setColorAt(1, QColor(0x2e, 0xc4, 0xb6, 200));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawRect(QRectF(40, 330, 180, 70));
    }
    p.restore();

    // wheel and DPI button
    p.setPen(QPen(QColor(0x0e, 0x11, 0x15), 2));
    QLinearGradient wheel(0, 60, 0, 120);
    wheel.setColorAt(0, QColor(0x5a, 0x64, 0x72));
    wheel.setColorAt(1, QColor(0x2a, 0x30, 0x38));
    p.setBrush(wheel);
    const double wx = shape == 0 ? 126 : 130;
    p.drawRoundedRect(QRectF(wx - 9, 62, 18, 54), 8, 8);
    p.setPen(QPen(QColor(0x1a, 0x1e, 0x24), 1));
    for (int i = 0; i < 6; ++i)
        p.drawLine(QPointF(wx - 7, 70 + i * 8), QPointF(wx + 7, 70 + i * 8));
    p.setPen(QPen(QColor(0x0e, 0x11, 0x15), 2));
    p.setBrush(pro ? kAccent : QColor(0x4a, 0x53, 0x61));
    p.drawRoundedRect(QRectF(wx - 6, 128, 12, 16), 4, 4);

    // side buttons on the left flank
    p.setBrush(QColor(0x2a, 0x30, 0x38));
    p.setPen(QPen(QColor(0x55, 0x5f, 0x6c), 1.5));
    const double sx = shape == 0 ? 38 : 46;
    p.drawRoundedRect(QRectF(sx - 8, 170, 12, 36), 5, 5);
    p.drawRoundedRect(QRectF(sx - 8, 212, 12, 36), 5, 5);

    // model name on the palm
    p.setFont(Font(15, true));
    p.setPen(QColor(0xc8, 0xd0, 0xd8, 200));
    p.drawText(QRectF(40, 270, 180, 30), Qt::AlignCenter, label.toUpper());
    return image;
}

QImage Spinner(double angle)
{
    QImage image(100, 100, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(0x33, 0x33, 0x33));
    QPainter p(&image);
    Smooth(p);
    p.setPen(QPen(QColor(0x48, 0x4c, 0x52), 6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const QRectF ring(22, 22, 56, 56);
    p.drawEllipse(ring);
    QConicalGradient sweep(ring.center(), -angle);
    sweep.setColorAt(0.0, kAccent);
    sweep.setColorAt(0.75, QColor(0x33, 0x33, 0x33));
    sweep.setColorAt(1.0, kAccent);
    p.setPen(QPen(QBrush(sweep), 6, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(ring, int(-angle * 16), 270 * 16);
    return image;
}

QVector<QRgb> SpinnerPalette()
{
    QVector<QRgb> palette;
    const QColor bg(0x33, 0x33, 0x33);
    const QColor ends[2] = {kAccent, QColor(0x48, 0x4c, 0x52)};
    for (int e = 0; e < 2; ++e) {
        for (int i = 0; i < 128; ++i) {
            const double t = i / 127.0;
            palette << qRgb(int(bg.red() + (ends[e].red() - bg.red()) * t), int(bg.green() + (ends[e].green() - bg.green()) * t),
                int(bg.blue() + (ends[e].blue() - bg.blue()) * t));
        }
    }
    return palette;
}

} // namespace

SkinPainter::SkinPainter(QString outputFolder, int scale) : m_folder(std::move(outputFolder)), m_scale(scale) {}

QImage SkinPainter::AppIcon(int pixels)
{
    QImage icon(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    Smooth(p);
    // Drawn on a 64-unit square at any size, so every size is the same picture.
    p.scale(pixels / 64.0, pixels / 64.0);
    QLinearGradient g(0, 0, 64, 64);
    g.setColorAt(0, kAccentHover);
    g.setColorAt(1, kAccentPressed);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 14, 14);
    p.translate(8, 8);
    p.scale(2, 2);
    Glyphs().at(QStringLiteral("mouse"))(p, QColor(0x0f, 0x1d, 0x1c));
    p.end();
    return icon;
}

bool SkinPainter::PaintDesktopIcons(const QString& folder)
{
    bool ok = true;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps").arg(folder).arg(size);
        QDir().mkpath(dir);
        const QString path = dir + QStringLiteral("/tarvo.png");
        if (!AppIcon(size).save(path)) {
            std::fprintf(stderr, "skinpainter: cannot write %s\n", qPrintable(path));
            ok = false;
        }
    }
    return ok;
}

bool SkinPainter::Save(const QImage& image, const QString& name)
{
    QString file = name;
    if (m_scale != 1)
        file.insert(file.lastIndexOf(QLatin1Char('.')), QStringLiteral("@%1x").arg(m_scale));
    const QString path = m_folder + QLatin1Char('/') + file;
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.save(path)) {
        std::fprintf(stderr, "skinpainter: cannot write %s\n", qPrintable(path));
        m_ok = false;
        return false;
    }
    return true;
}

bool SkinPainter::PaintAll()
{
    g_scale = m_scale;
    // Window backgrounds and bands.
    {
        // Nothing but soft gradients: painted at a quarter of the window and
        // stretched when drawn, it looks the same (within two levels of a
        // channel) and is kept decoded in 250 kB instead of 4 MB (16 MB at @2x).
        QImage bg = Canvas(320, 195);
        QPainter p(&bg);
        Smooth(p);
        p.scale(0.25, 0.25);
        const QRect window(0, 0, 1280, 780); // in the window's coordinates
        QLinearGradient base(0, 0, 0, 780);
        base.setColorAt(0, QColor(0x16, 0x1a, 0x20));
        base.setColorAt(1, QColor(0x10, 0x12, 0x16));
        p.fillRect(window, base);
        QRadialGradient glow(QPointF(980, 60), 720);
        glow.setColorAt(0, QColor(0x2e, 0xc4, 0xb6, 34));
        glow.setColorAt(1, QColor(0x2e, 0xc4, 0xb6, 0));
        p.fillRect(window, glow);
        Save(bg, QStringLiteral("main_bkg.png"));
    }
    {
        QImage band = Canvas(64, 50);
        QPainter p(&band);
        p.fillRect(band.rect(), QColor(0x17, 0x1b, 0x21));
        p.fillRect(QRect(0, 49, 64, 1), kBorder);
        Save(band, QStringLiteral("img_caption.png"));
    }
    {
        QImage tabs = Canvas(200, 64);
        QPainter p(&tabs);
        p.fillRect(tabs.rect(), QColor(0x17, 0x1b, 0x21));
        p.fillRect(QRect(199, 0, 1, 64), kBorder);
        Save(tabs, QStringLiteral("img_tab_bkg.png"));
    }
    Save(Strip(3, 190, 60, [](QPainter& p, const QRectF& r, int s) {
        if (s == 0)
            return;
        p.fillRect(r, s == 1 ? kHover : kAccentDeep);
        if (s == 2) {
            p.setPen(Qt::NoPen);
            p.setBrush(kAccent);
            p.drawRoundedRect(QRectF(r.left(), r.top() + 12, 4, r.height() - 24), 2, 2);
        }
    }), QStringLiteral("img_tabitem_bkg.png"));
    {
        QImage logo = Canvas(160, 40);
        QPainter p(&logo);
        Smooth(p);
        QPainterPath wing;
        wing.moveTo(4, 30);
        wing.lineTo(16, 8);
        wing.lineTo(22, 18);
        wing.lineTo(28, 8);
        wing.lineTo(40, 30);
        wing.lineTo(30, 30);
        wing.lineTo(22, 20);
        wing.lineTo(14, 30);
        wing.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawPath(wing);
        QFont font = Font(24, true);
        font.setLetterSpacing(QFont::AbsoluteSpacing, 3);
        p.setFont(font);
        p.setPen(kText);
        p.drawText(QRectF(48, 0, 112, 38), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("TARVO"));
        Save(logo, QStringLiteral("logo/logo.png"));
    }

    // Caption buttons.
    Save(CaptionButton([](QPainter& p, const QColor& c) {
        p.setPen(Line(c, 1.6));
        p.drawLine(QPointF(10.5, 10.5), QPointF(19.5, 19.5));
        p.drawLine(QPointF(19.5, 10.5), QPointF(10.5, 19.5));
    }, true), QStringLiteral("sysbtn_close.png"));
    Save(CaptionButton([](QPainter& p, const QColor& c) {
        p.setPen(Line(c, 1.6));
        p.drawLine(QPointF(10, 15.5), QPointF(20, 15.5));
    }, false), QStringLiteral("sysbtn_min.png"));
    Save(CaptionButton([](QPainter& p, const QColor& c) {
        p.setPen(Line(c, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(10.5, 10.5, 9, 9), 1.5, 1.5);
    }, false), QStringLiteral("sysbtn_maximize.png"));
    Save(CaptionButton([](QPainter& p, const QColor& c) {
        p.setPen(Line(c, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(9.5, 12.5, 8, 8), 1.5, 1.5);
        p.drawLine(QPointF(12.5, 9.5), QPointF(20.5, 9.5));
        p.drawLine(QPointF(20.5, 9.5), QPointF(20.5, 17.5));
    }, false), QStringLiteral("sysbtn_restore.png"));
    Save(CaptionButton([](QPainter& p, const QColor& c) {
        p.setPen(Line(c, 1.5));
        p.setBrush(Qt::NoBrush);
        QPainterPath gear;
        for (int i = 0; i < 16; ++i) {
            const double a = i * M_PI / 8;
            const double rad = (i % 2 == 0) ? 7.0 : 5.2;
            const QPointF pt(15 + rad * std::cos(a), 15 + rad * std::sin(a));
            i == 0 ? gear.moveTo(pt) : gear.lineTo(pt);
        }
        gear.closeSubpath();
        p.drawPath(gear);
        p.drawEllipse(QPointF(15, 15), 2.2, 2.2);
    }, false), QStringLiteral("sysbtn_setting.png"));

    // Battery.
    {
        QImage outline = Canvas(36, 18);
        QPainter p(&outline);
        Smooth(p);
        p.setPen(QPen(kTextDim, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(0.75, 0.75, 31, 16.5), 3.5, 3.5);
        p.setPen(Qt::NoPen);
        p.setBrush(kTextDim);
        p.drawRoundedRect(QRectF(32.5, 5.5, 3, 7), 1, 1);
        Save(outline, QStringLiteral("icon/icon_battery_bkg.png"));
        QImage value = Canvas(27, 12);
        QPainter v(&value);
        QLinearGradient g(0, 0, 27, 0);
        g.setColorAt(0, kAccentPressed);
        g.setColorAt(1, kAccent);
        v.fillRect(value.rect(), g);
        Save(value, QStringLiteral("icon/icon_batteryvalue.png"));
        QImage charge = Canvas(14, 18);
        QPainter c(&charge);
        Smooth(c);
        c.scale(14 / 24.0, 18 / 24.0);
        Glyphs().at(QStringLiteral("bolt"))(c, QColor(0xf2, 0xb1, 0x3a));
        c.end();
        Save(charge, QStringLiteral("icon/icon_charge.png"));
    }

    // Panels, areas and lists.
    Save(PanelImage(60, 32, kSurface, kBorder, 15), QStringLiteral("img_area.png"));
    Save(PanelImage(64, 64, kSurface, kBorder, 12), QStringLiteral("img_area_bkg.png"));
    Save(PanelImage(64, 64, QColor(0x19, 0x1d, 0x23), kBorder, 10), QStringLiteral("img_area_content.png"));
    Save(PanelImage(64, 64, kRaised, kBorder, 10), QStringLiteral("img_area2.png"));
    Save(PanelImage(64, 64, kSurface, kBorder, 10), QStringLiteral("img_list_bkg.png"));
    Save(PanelImage(300, 250, kSurface, kBorder, 14), QStringLiteral("area_device.png"));
    {
        QImage caption = Canvas(64, 44);
        QPainter p(&caption);
        Smooth(p);
        QPainterPath top;
        top.addRoundedRect(QRectF(0.5, 0.5, 63, 60), 12, 12);
        p.setClipRect(QRect(0, 0, 64, 44));
        p.setPen(QPen(kBorder, 1));
        p.setBrush(kRaised);
        p.drawPath(top);
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawRoundedRect(QRectF(14, 40, 36, 3), 1.5, 1.5);
        Save(caption, QStringLiteral("img_area_caption.png"));
    }
    {
        QImage none = Canvas(500, 80);
        QPainter p(&none);
        Smooth(p);
        p.setPen(QPen(kBorder, 1.5, Qt::DashLine));
        p.setBrush(QColor(0x1c, 0x21, 0x28, 160));
        p.drawRoundedRect(QRectF(1, 1, 498, 78), 14, 14);
        p.translate(22, 20);
        p.scale(40 / 24.0, 40 / 24.0);
        Glyphs().at(QStringLiteral("mouse"))(p, kTextDim);
        Save(none, QStringLiteral("img_area3.png"));
    }
    {
        QImage bg = Canvas(700, 500);
        QPainter p(&bg);
        Smooth(p);
        QRadialGradient halo(QPointF(350, 250), 300);
        halo.setColorAt(0, QColor(0x2e, 0xc4, 0xb6, 28));
        halo.setColorAt(1, QColor(0x2e, 0xc4, 0xb6, 0));
        p.fillRect(bg.rect(), halo);
        p.setPen(QPen(QColor(0x2a, 0x30, 0x38, 120), 1));
        for (int x = 10; x < 700; x += 28)
            for (int y = 10; y < 500; y += 28)
                p.drawPoint(x, y);
        Save(bg, QStringLiteral("img_key_bkg.png"));
    }
    {
        QImage prompt = Canvas(430, 230);
        QPainter p(&prompt);
        Smooth(p);
        p.setPen(QPen(kBorder, 1));
        QLinearGradient g(0, 0, 0, 230);
        g.setColorAt(0, kRaised);
        g.setColorAt(1, kSurface);
        p.setBrush(g);
        p.drawRoundedRect(QRectF(0.5, 0.5, 429, 229), 14, 14);
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawRoundedRect(QRectF(175, 0, 80, 3), 1.5, 1.5);
        Save(prompt, QStringLiteral("bk_prompt.png"));
    }

    // Buttons and choices.
    Save(ButtonStrip(120, 36, 7), QStringLiteral("img_button.png"));
    Save(Strip(4, 120, 32, [](QPainter& p, const QRectF& r, int s) { Panel(p, r, s == 3 ? kSurface : kRaised, StateBorder(s), 6); }),
        QStringLiteral("img_combobox.png"));
    Save(Mark(false), QStringLiteral("btn_checkbox.png"));
    Save(Mark(true), QStringLiteral("btn_radiobox.png"));
    Save(Glyph4(QStringLiteral("folder"), 28), QStringLiteral("btn_openfile.png"));
    Save(Glyph4(QStringLiteral("restore"), 28), QStringLiteral("btn_reset.png"));
    Save(Glyph4(QStringLiteral("abc"), 28), QStringLiteral("img_btn_abc.png"));
    Save(Glyph4(QStringLiteral("help"), 20), QStringLiteral("img_help.png"));
    Save(Glyph1(QStringLiteral("more"), 24, kTextDim), QStringLiteral("btn_more.png"));
    Save(Glyph1(QStringLiteral("arrowup"), 16, kText), QStringLiteral("icon/icon_arrow_up.png"));
    Save(Glyph1(QStringLiteral("record"), 16, kTextDim), QStringLiteral("icon/icon_record.png"));
    Save(Glyph1(QStringLiteral("rec"), 20, kDanger), QStringLiteral("icon/icon_rec.png"));
    Save(Glyph1(QStringLiteral("stop"), 20, kDanger), QStringLiteral("icon/icon_stop_rec.png"));
    {
        const QStringList modes = {QStringLiteral("cable"), QStringLiteral("wireless")};
        QImage strip = Canvas(36, 18);
        QPainter p(&strip);
        Smooth(p);
        for (int i = 0; i < 2; ++i) {
            p.save();
            p.translate(i * 18, 0);
            p.scale(18 / 24.0, 18 / 24.0);
            Glyphs().at(modes[i])(p, kTextDim);
            p.restore();
        }
        Save(strip, QStringLiteral("device_mode.png"));
    }
    const std::pair<const char*, const char*> tabs[] = {{"home", "tab_home"}, {"key", "tab_key"}, {"dpi", "tab_dpi"},
        {"macro", "tab_macro"}, {"text", "tab_text"}, {"light", "tab_light"}, {"set", "tab_set"}};
    for (const auto& [glyph, file] : tabs)
        Save(Glyph2(QString::fromLatin1(glyph), 24), QStringLiteral("icon/%1.png").arg(QString::fromLatin1(file)));
    const std::pair<const char*, int> keyTypes[] = {{"restore", 0}, {"mouse", 1}, {"keyboard", 2}, {"macrobox", 4}, {"media", 6},
        {"shortcut", 7}, {"disable", 9}, {"program", 10}, {"web", 11}, {"snippet", 12}};
    for (const auto& [glyph, number] : keyTypes)
        Save(Glyph1(QString::fromLatin1(glyph), 24, kTextDim), QStringLiteral("icon/keytype_%1.png").arg(number));

    // Sliders and switches.
    {
        QImage bar = Canvas(400, 8);
        QPainter p(&bar);
        Smooth(p);
        p.setPen(Qt::NoPen);
        p.setBrush(kHover);
        p.drawRoundedRect(QRectF(0, 0, 400, 8), 4, 4);
        p.setPen(QPen(kBorder, 1));
        for (int x = 40; x < 400; x += 40)
            p.drawLine(x, 2, x, 6);
        Save(bar, QStringLiteral("img_dpi_bar.png"));
        QImage slider = Canvas(200, 6);
        QPainter s(&slider);
        Smooth(s);
        s.setPen(Qt::NoPen);
        s.setBrush(kHover);
        s.drawRoundedRect(QRectF(0, 0, 200, 6), 3, 3);
        Save(slider, QStringLiteral("img_slider_bar.png"));
    }
    for (int on = 0; on < 2; ++on) {
        QImage sw = Canvas(48, 24);
        QPainter p(&sw);
        Smooth(p);
        p.setPen(Qt::NoPen);
        p.setBrush(on ? kAccent : kHover);
        p.drawRoundedRect(QRectF(0, 0, 48, 24), 12, 12);
        p.setBrush(on ? QColor(0xf4, 0xff, 0xfd) : kTextDim);
        p.drawEllipse(QRectF(on ? 27 : 3, 3, 18, 18));
        Save(sw, on ? QStringLiteral("img_switch_btn_on.png") : QStringLiteral("img_switch_btn_off.png"));
    }

    // The application icon and the busy animation exist at one size.
    if (m_scale == 1)
        Save(AppIcon(64), QStringLiteral("DeviceDriver.ico"));

    if (m_scale == 1) {
        std::vector<QImage> frames;
        for (int i = 0; i < 12; ++i)
            frames.push_back(Spinner(i * 30.0));
        const QByteArray gif = GifWriter::Encode(frames, SpinnerPalette(), 8);
        QFile file(m_folder + QStringLiteral("/loading.gif"));
        if (!file.open(QIODevice::WriteOnly) || file.write(gif) != gif.size()) {
            std::fprintf(stderr, "skinpainter: cannot write loading.gif\n");
            m_ok = false;
        }
    }

    // A top view of each model, named after its device attribute.
    struct Model {
        const char* file;
        int shape;
        bool pro;
        const char* label;
    };
    const Model models[] = {{"heron", 0, true, "Heron Pro"}, {"heron_3311", 0, false, "Heron"}, {"egret", 1, true, "Egret Pro"},
        {"egret_3311", 1, false, "Egret"}, {"egretv2", 2, true, "Egret V2 Pro"}, {"egretv2_3311", 2, false, "Egret V2"},
        {"plover", 3, true, "Plover Pro"}, {"plover_3311", 3, false, "Plover"}};
    for (const Model& m : models)
        Save(MouseTopView(m.shape, m.pro, QString::fromLatin1(m.label)), QStringLiteral("device/%1.png").arg(QString::fromLatin1(m.file)));
    return m_ok;
}
