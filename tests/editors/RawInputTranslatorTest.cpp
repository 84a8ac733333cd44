// The translator of input: virtual keys and names from the window system's
// keys, auto-repeats told apart, recorded codes of mouse buttons and the
// wheel, the X display's raw events with their own time, time stamps from its
// clock; and the capture path that hands a window's keys (and, to a
// recording, its clicks) to the page that asked for them.
#include "editors/RawInputTranslator.h"
#include "editors/InputCapture.h"
#include "editors/KeyCodes.h"
#include "platform/X11RawInput.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

#include <vector>

namespace {

using Key = RawInputTranslator::Key;

// X11 keysyms as Qt reports them in nativeVirtualKey.
constexpr uint32_t kXkShiftL = 0xffe1;
constexpr uint32_t kXkShiftR = 0xffe2;
constexpr uint32_t kXkControlR = 0xffe4;
constexpr uint32_t kXkKpEnter = 0xff8d;
constexpr uint32_t kXkKp7 = 0xffb7;
constexpr uint32_t kXkExclam = 0x21;
constexpr uint32_t kXkA = 0x61;
constexpr uint32_t kXkVolumeUp = 0x1008ff13;

TEST(RawInputTranslatorTest, KeysBecomeVirtualKeysWithTheirNames)
{
    RawInputTranslator translator([] { return int64_t(0); });
    const struct {
        int qtKey;
        uint32_t native;
        int code;
        const char* name;
    } cases[] = {
        // The generic Shift is reported as the left one, as the keyboard says.
        {Qt::Key_Shift, 0, 160, "Shift"},
        {Qt::Key_Shift, kXkShiftL, 160, "Shift"},
        {Qt::Key_Shift, kXkShiftR, 161, "RShift"},
        {Qt::Key_Control, 0, 162, "Ctrl"},
        {Qt::Key_Control, kXkControlR, 163, "RCtrl"},
        {Qt::Key_Alt, 0, 164, "Alt"},
        {Qt::Key_A, 0, 65, "A"},
        {Qt::Key_A, kXkA, 65, "A"},
        // Shift+1 is still the 1 key.
        {Qt::Key_Exclam, kXkExclam, 49, "1"},
        {Qt::Key_Enter, kXkKpEnter, 13, "Enter"},
        {Qt::Key_7, kXkKp7, 103, "Num 7"},
        {Qt::Key_F12, 0, 123, "F12"},
        {Qt::Key_Tab, 0, 9, "Tab"},
        {Qt::Key_Escape, 0, 27, "Esc"},
        {Qt::Key_PageDown, 0, 34, "Page Down"},
        {Qt::Key_Minus, 0, 189, "-"},
        {Qt::Key_Meta, 0, 91, "Windows"},
        {Qt::Key_VolumeUp, kXkVolumeUp, 175, "Vol Up"},
        // A key without a virtual key comes out unnamed.
        {Qt::Key_Odiaeresis, 0xf6, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CapturedInput down = translator.TranslateKey({true, false, c.qtKey, c.native});
        EXPECT_EQ(down.kind, CapturedInput::Kind::Keyboard);
        EXPECT_EQ(down.state, CapturedInput::kPressed);
        EXPECT_EQ(down.code, c.code);
        EXPECT_EQ(down.name, QString::fromUtf8(c.name));
        const CapturedInput up = translator.TranslateKey({false, false, c.qtKey, c.native});
        EXPECT_EQ(up.state, CapturedInput::kReleased);
        EXPECT_EQ(up.code, c.code);
    }
    // The captured codes go to the mouse as usage codes.
    EXPECT_EQ(VirtualKeyToUsage(160), 225);
    EXPECT_EQ(VirtualKeyToUsage(103), 95);
}

TEST(RawInputTranslatorTest, AHeldKeyIsOnePressAndOneReleaseWithRepeatsIgnored)
{
    int64_t now = 1000;
    RawInputTranslator translator([&] { return now; });
    std::vector<CapturedInput> events;
    events.push_back(translator.TranslateKey({true, false, Qt::Key_A, kXkA}));
    // Repeats as X11 delivers them through Qt: release and press, both flagged,
    // and one a window system leaves unflagged.
    for (int i = 0; i < 3; ++i) {
        now += 30;
        events.push_back(translator.TranslateKey({false, true, Qt::Key_A, kXkA}));
        events.push_back(translator.TranslateKey({true, true, Qt::Key_A, kXkA}));
    }
    events.push_back(translator.TranslateKey({true, false, Qt::Key_A, kXkA}));
    now += 40;
    events.push_back(translator.TranslateKey({false, false, Qt::Key_A, kXkA}));

    int presses = 0, releases = 0, repeats = 0;
    for (const CapturedInput& e : events) {
        if (e.kind == CapturedInput::Kind::Repeat) {
            ++repeats;
            EXPECT_TRUE(e.name.isEmpty());
        } else if (e.state == CapturedInput::kPressed) {
            ++presses;
        } else {
            ++releases;
        }
    }
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(releases, 1);
    EXPECT_EQ(repeats, 7);
    EXPECT_EQ(events.front().time, 1000);
    EXPECT_EQ(events.back().time, 1130);

    // Released, the key presses anew; Register forgets held keys.
    EXPECT_EQ(translator.TranslateKey({true, false, Qt::Key_A, kXkA}).kind, CapturedInput::Kind::Keyboard);
    EXPECT_EQ(translator.TranslateKey({true, false, Qt::Key_A, kXkA}).kind, CapturedInput::Kind::Repeat);
    translator.Register();
    EXPECT_EQ(translator.TranslateKey({true, false, Qt::Key_A, kXkA}).kind, CapturedInput::Kind::Keyboard);
}

TEST(RawInputTranslatorTest, MouseButtonsAndTheWheelBecomeTheirRecordedCodes)
{
    int64_t now = 500;
    RawInputTranslator translator([&now] { return now++; });
    using Mouse = RawInputTranslator::Mouse;
    const struct {
        Mouse mouse;
        int32_t state;
        int32_t code;
        const char* name;
    } cases[] = {
        {{Qt::LeftButton, true, 0}, CapturedInput::kPressed, 1, "LB"},
        {{Qt::LeftButton, false, 0}, CapturedInput::kReleased, 1, "LB"},
        {{Qt::RightButton, true, 0}, CapturedInput::kPressed, 2, "RB"},
        {{Qt::MiddleButton, false, 0}, CapturedInput::kReleased, 4, "MB"},
        {{Qt::BackButton, true, 0}, CapturedInput::kPressed, 8, "Backward"},
        {{Qt::ForwardButton, false, 0}, CapturedInput::kReleased, 16, "Forward"},
        {{0, true, 120}, CapturedInput::kWheelUp, 1, "Scroll Up"},
        {{0, true, -120}, CapturedInput::kWheelDown, 255, "Scroll Down"},
        // Two notches at once and a high-resolution wheel's fraction of one
        // turned the wheel the way their sign says.
        {{0, true, 240}, CapturedInput::kWheelUp, 1, "Scroll Up"},
        {{0, true, 15}, CapturedInput::kWheelUp, 1, "Scroll Up"},
        {{0, true, -360}, CapturedInput::kWheelDown, 255, "Scroll Down"},
        // The wheel wins over a button in the same report.
        {{Qt::LeftButton, true, -120}, CapturedInput::kWheelDown, 255, "Scroll Down"},
        // A button the recorder has no code for: unnamed, code 0.
        {{Qt::ExtraButton3, true, 0}, CapturedInput::kPressed, 0, ""},
        {{0, true, 0}, CapturedInput::kPressed, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int64_t before = now;
        const CapturedInput input = translator.TranslateMouse(c.mouse);
        EXPECT_EQ(input.kind, CapturedInput::Kind::Mouse);
        EXPECT_EQ(input.state, c.state);
        EXPECT_EQ(input.code, c.code);
        EXPECT_EQ(input.name, QString::fromLatin1(c.name));
        EXPECT_EQ(input.time, before);
    }
}

TEST(RawInputTranslatorTest, KeyMouseAndWheelEventsAreTranslatedAndNothingElse)
{
    RawInputTranslator translator;
    CapturedInput out;
    out.code = 7;
    const QEvent other(QEvent::FocusIn);
    EXPECT_FALSE(translator.Translate(other, out));
    EXPECT_EQ(out.code, 7);
    const QMouseEvent move(QEvent::MouseMove, QPointF(3, 4), QPointF(3, 4), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    EXPECT_FALSE(translator.Translate(move, out));
    EXPECT_EQ(out.code, 7);

    const QKeyEvent press(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, 0, 0x62, 0, QStringLiteral("b"));
    ASSERT_TRUE(translator.Translate(press, out));
    EXPECT_EQ(out.code, 66);
    EXPECT_EQ(out.name, QStringLiteral("B"));

    // A double click is the second press of the button.
    const struct {
        QEvent::Type type;
        Qt::MouseButton button;
        int32_t state;
        int32_t code;
    } clicks[] = {
        {QEvent::MouseButtonPress, Qt::RightButton, CapturedInput::kPressed, 2},
        {QEvent::MouseButtonRelease, Qt::RightButton, CapturedInput::kReleased, 2},
        {QEvent::MouseButtonDblClick, Qt::LeftButton, CapturedInput::kPressed, 1},
    };
    for (const auto& c : clicks) {
        const QMouseEvent event(c.type, QPointF(3, 4), QPointF(3, 4), c.button, c.button, Qt::NoModifier);
        ASSERT_TRUE(translator.Translate(event, out));
        EXPECT_EQ(out.kind, CapturedInput::Kind::Mouse);
        EXPECT_EQ(out.state, c.state);
        EXPECT_EQ(out.code, c.code);
    }
    const QWheelEvent wheel(QPointF(3, 4), QPointF(3, 4), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
        Qt::NoScrollPhase, false);
    ASSERT_TRUE(translator.Translate(wheel, out));
    EXPECT_EQ(out.state, CapturedInput::kWheelDown);
    EXPECT_EQ(out.name, QStringLiteral("Scroll Down"));
    // A sideways turn is no vertical notch.
    const QWheelEvent sideways(
        QPointF(3, 4), QPointF(3, 4), QPoint(), QPoint(120, 0), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    ASSERT_TRUE(translator.Translate(sideways, out));
    EXPECT_EQ(out.kind, CapturedInput::Kind::Mouse);
    EXPECT_EQ(out.code, 0);
    EXPECT_TRUE(out.name.isEmpty());
}

class RecordingSink : public CaptureSink {
public:
    void OnCapturedInput(int32_t mode, const CapturedInput& input) override
    {
        modes.push_back(mode);
        inputs.push_back(input);
    }
    std::vector<int32_t> modes;
    std::vector<CapturedInput> inputs;
};

TEST(InputCaptureTest, WhileCapturingTheWindowsKeysGoToTheSinkNotToTheField)
{
    QWidget window;
    auto* field = new QLineEdit(&window);
    window.show();
    field->setFocus();
    InputCapture capture([] { return int64_t(5); });
    RecordingSink sink;
    int delivered = 0;
    capture.SetDeliveredHook([&] { ++delivered; });

    capture.Begin(&window, CaptureMode::kButtonKey, sink);
    EXPECT_EQ(capture.Mode(), CaptureMode::kButtonKey);
    QTest::keyClick(field, Qt::Key_A);
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_TRUE(field->text().isEmpty()) << "the field received a captured key";
    EXPECT_EQ(window.focusWidget(), field) << "Tab moved the focus away from the capture";
    ASSERT_EQ(sink.inputs.size(), 4u);
    EXPECT_EQ(sink.inputs[0].name, QStringLiteral("A"));
    EXPECT_EQ(sink.inputs[2].name, QStringLiteral("Tab"));
    EXPECT_EQ(sink.modes[0], CaptureMode::kButtonKey);
    EXPECT_EQ(delivered, 4);

    // Another window's keys are not the capture's.
    QLineEdit other;
    other.show();
    QTest::keyClick(&other, Qt::Key_C);
    EXPECT_EQ(other.text(), QStringLiteral("c"));
    EXPECT_EQ(sink.inputs.size(), 4u);

    // Ended by someone else: nothing changes; by the sink: keys type again.
    RecordingSink stranger;
    capture.End(stranger);
    EXPECT_EQ(capture.Mode(), CaptureMode::kButtonKey);
    capture.End(sink);
    EXPECT_EQ(capture.Mode(), CaptureMode::kNone);
    QTest::keyClick(field, Qt::Key_B);
    EXPECT_EQ(field->text(), QStringLiteral("b"));
    EXPECT_EQ(sink.inputs.size(), 4u);

    // A second capture replaces the first; input from another source reaches it.
    capture.Begin(&window, CaptureMode::kMacroKey, sink);
    capture.Begin(&window, CaptureMode::kMacroRecording, stranger);
    CapturedInput raw;
    raw.kind = CapturedInput::Kind::Mouse;
    raw.name = QStringLiteral("LB");
    capture.Deliver(raw);
    ASSERT_EQ(stranger.inputs.size(), 1u);
    EXPECT_EQ(stranger.modes[0], CaptureMode::kMacroRecording);
    EXPECT_EQ(sink.inputs.size(), 4u);
    capture.EndAll();
}

TEST(RawInputTranslatorTest, TheDisplaysRawEventsKeepTheirTimeAndFoldRepeats)
{
    RawInputTranslator translator([] { return int64_t(-1); });
    using T = RawDeviceEvent::Type;
    auto key = [](T type, uint32_t keysym, int64_t time) {
        RawDeviceEvent raw;
        raw.type = type;
        raw.keysym = keysym;
        raw.time = time;
        return raw;
    };
    auto button = [](T type, int32_t number, int64_t time) {
        RawDeviceEvent raw;
        raw.type = type;
        raw.button = number;
        raw.time = time;
        return raw;
    };
    const struct {
        RawDeviceEvent raw;
        CapturedInput::Kind kind;
        int32_t state;
        int32_t code;
        const char* name;
    } cases[] = {
        {key(T::KeyDown, kXkShiftL, 1000), CapturedInput::Kind::Keyboard, 0, 160, "Shift"},
        {key(T::KeyDown, kXkA, 1010), CapturedInput::Kind::Keyboard, 0, 65, "A"},
        {key(T::KeyDown, kXkA, 1040), CapturedInput::Kind::Repeat, 0, 65, ""},
        {key(T::KeyUp, kXkA, 1070), CapturedInput::Kind::Keyboard, 1, 65, "A"},
        {key(T::KeyUp, kXkShiftL, 1075), CapturedInput::Kind::Keyboard, 1, 160, "Shift"},
        {button(T::ButtonDown, 1, 1100), CapturedInput::Kind::Mouse, 0, 1, "LB"},
        {button(T::ButtonUp, 1, 1110), CapturedInput::Kind::Mouse, 1, 1, "LB"},
        {button(T::ButtonDown, 2, 1120), CapturedInput::Kind::Mouse, 0, 4, "MB"},
        {button(T::ButtonDown, 3, 1130), CapturedInput::Kind::Mouse, 0, 2, "RB"},
        {button(T::ButtonDown, 8, 1140), CapturedInput::Kind::Mouse, 0, 8, "Backward"},
        {button(T::ButtonUp, 9, 1150), CapturedInput::Kind::Mouse, 1, 16, "Forward"},
        {button(T::ButtonDown, 4, 1160), CapturedInput::Kind::Mouse, 3, 1, "Scroll Up"},
        {button(T::ButtonUp, 4, 1161), CapturedInput::Kind::Mouse, 1, 0, ""},
        {button(T::ButtonDown, 5, 1170), CapturedInput::Kind::Mouse, 4, 255, "Scroll Down"},
        {button(T::ButtonDown, 6, 1180), CapturedInput::Kind::Mouse, 0, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.raw.time);
        const CapturedInput input = translator.TranslateDevice(c.raw);
        EXPECT_EQ(input.kind, c.kind);
        if (c.kind != CapturedInput::Kind::Repeat && c.code != 0) {
            EXPECT_EQ(input.state, c.state);
        }
        if (c.kind != CapturedInput::Kind::Repeat) {
            EXPECT_EQ(input.code, c.code);
        }
        EXPECT_EQ(input.name, QString::fromLatin1(c.name));
        EXPECT_EQ(input.time, c.raw.time) << "the display's time, not the translator's clock";
    }
}

// A button inside a panel: a click the button takes, and one the panel lets
// propagate to the window.
class Panel : public QWidget {
public:
    Panel()
    {
        resize(300, 200);
        inner = new QWidget(this);
        inner->setGeometry(10, 10, 100, 100);
        button = new QPushButton(QStringLiteral("stop"), this);
        button->setGeometry(150, 10, 100, 40);
        field = new QLineEdit(this);
        field->setGeometry(150, 100, 100, 30);
    }
    QWidget* inner; // takes no clicks
    QPushButton* button;
    QLineEdit* field;
};

TEST(InputCaptureTest, ARecordingHearsEachClickOnceAndTheClickStillWorks)
{
    Panel window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    InputCapture capture([] { return int64_t(9); });
    RecordingSink sink;
    int clicked = 0;
    QObject::connect(window.button, &QPushButton::clicked, [&] { ++clicked; });
    capture.Begin(&window, CaptureMode::kMacroRecording, sink);
    EXPECT_FALSE(capture.RecordsInBackground()) << "no X display under the offscreen platform";

    QWindow* handle = window.windowHandle();
    ASSERT_NE(handle, nullptr);
    // A click on a widget that ignores it: it travels up to the window, and
    // is still one press and one release.
    QTest::mouseClick(handle, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    QTest::mouseClick(handle, Qt::RightButton, Qt::NoModifier, window.button->geometry().center());
    QTest::mouseClick(handle, Qt::LeftButton, Qt::NoModifier, window.button->geometry().center());
    window.field->setFocus();
    QTest::keyClick(window.field, Qt::Key_Z);
    ASSERT_EQ(sink.inputs.size(), 8u);
    const struct {
        CapturedInput::Kind kind;
        int32_t state;
        const char* name;
    } expected[] = {
        {CapturedInput::Kind::Mouse, 0, "LB"},
        {CapturedInput::Kind::Mouse, 1, "LB"},
        {CapturedInput::Kind::Mouse, 0, "RB"},
        {CapturedInput::Kind::Mouse, 1, "RB"},
        {CapturedInput::Kind::Mouse, 0, "LB"},
        {CapturedInput::Kind::Mouse, 1, "LB"},
        {CapturedInput::Kind::Keyboard, 0, "Z"},
        {CapturedInput::Kind::Keyboard, 1, "Z"},
    };
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(sink.inputs[i].kind, expected[i].kind);
        EXPECT_EQ(sink.inputs[i].state, expected[i].state);
        EXPECT_EQ(sink.inputs[i].name, QString::fromLatin1(expected[i].name));
        EXPECT_EQ(sink.modes[i], CaptureMode::kMacroRecording);
    }
    EXPECT_EQ(clicked, 1) << "the left click still reached the button";
    EXPECT_TRUE(window.field->text().isEmpty()) << "a recorded key reached the field";

    // Other captures leave the mouse alone; an ended one hears nothing.
    capture.Begin(&window, CaptureMode::kMacroKey, sink);
    QTest::mouseClick(handle, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    capture.EndAll();
    QTest::mouseClick(handle, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    EXPECT_EQ(sink.inputs.size(), 8u);
}

} // namespace
