#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <set>

class QEvent;
struct RawDeviceEvent;

// One input event as the key capture and the macro recorder see it.
struct CapturedInput {
    enum class Kind : int32_t {
        Repeat = 0, // an auto-repeat of a key already down: to be ignored
        Mouse = 1,
        Keyboard = 2,
        Other = 3, // another input device
    };
    // Keys and buttons: pressed or released; the wheel: up or down.
    enum State : int32_t { kPressed = 0, kReleased = 1, kWheelUp = 3, kWheelDown = 4 };

    Kind kind = Kind::Other;
    int32_t state = kPressed;
    // Keyboard: the virtual-key code (left and right modifiers apart); mouse:
    // the recorded mouse code.
    int32_t code = 0;
    // "A", "Shift", "RCtrl", "Num 7", "LB", "Scroll Up"; empty for keys without a name.
    QString name;
    // Milliseconds of the translator's clock; only differences mean anything.
    int64_t time = 0;
};

// Turns the window system's input into CapturedInput: virtual-key codes and
// names for keys, the recorded codes and names of mouse buttons and the
// wheel, the pressed set that tells auto-repeats apart, a time stamp for
// every event. Events come from Qt (for keys the keysym Qt reports where the
// window system has one, Qt's key code otherwise); other sources (raw device
// events) fill a Key or Mouse and feed the same entries.
//
// One translator serves one capture or recording at a time: Register when it
// begins, then Translate (or TranslateKey / TranslateMouse / TranslateDevice)
// every event in the order it happened. What to do with the result is the caller's: kind
// Repeat and empty names are to be skipped. Widget-free; interface thread.
class RawInputTranslator {
public:
    // Milliseconds, monotonic.
    using Clock = std::function<int64_t()>;

    // One notch of a wheel in Qt's eighths of a degree.
    static constexpr int kWheelNotch = 120;

    // A key as reported: the Qt key code, the native virtual key (the X11
    // keysym; 0 where the platform gives none) and Qt's auto-repeat flag.
    struct Key {
        bool pressed = true;
        bool autoRepeat = false;
        int qtKey = 0;
        uint32_t nativeKey = 0;
    };

    // A mouse event as reported: a button that went down or up (Qt's button;
    // Qt::NoButton when none did), or a turn of the vertical wheel in Qt's
    // eighths of a degree (positive: away from the user). A turn wins over a
    // button, as in one raw mouse report.
    struct Mouse {
        int button = 0; // a Qt::MouseButton
        bool pressed = true;
        int wheelDelta = 0;
    };

    // The default clock is the monotonic clock.
    explicit RawInputTranslator(Clock clock = {});

    // A new capture or recording starts: no key counts as held.
    void Register();

    CapturedInput TranslateKey(const Key& key);
    // Kind Mouse: "LB" 1, "RB" 2, "MB" 4, "Backward" 8, "Forward" 16, pressed
    // or released; the wheel "Scroll Up" 1 (state kWheelUp) for any turn away
    // from the user, "Scroll Down" 255 (kWheelDown) for any turn towards;
    // anything else (another button, a sideways turn) with code 0 and no name.
    CapturedInput TranslateMouse(const Mouse& mouse);
    // A raw event of the X display's devices (a recording in the background),
    // through the same entries: keys by their keysym, buttons by their X
    // number (1 left, 2 middle, 3 right, 8 back, 9 forward; a press of 4 or 5
    // is a turn of the wheel up or down, whose release, like 6 and 7, has no
    // name). Stamped with the display's time, not the clock.
    CapturedInput TranslateDevice(const RawDeviceEvent& raw);
    // A Qt key press or release, mouse button press, release or double click
    // (a press), or wheel event; false (and `out` untouched) for any other event.
    bool Translate(const QEvent& event, CapturedInput& out);

    // The virtual key of a key: the native one where there is one, else Qt's.
    static int VirtualKeyOf(int qtKey, uint32_t nativeKey);
    // The virtual key of a Qt key code (no left/right distinction: the
    // generic 16, 17, 18 and the left Win key); 0 when none.
    static int VirtualKeyOfQtKey(int qtKey);
    // The name shown for a captured virtual key: the program's own names
    // (modifiers, media keys) first, then the names of the keys' labels.
    static QString KeyName(int virtualKey);

    int64_t Now() const { return m_clock(); }

private:
    Clock m_clock;
    std::set<int32_t> m_down;
};
