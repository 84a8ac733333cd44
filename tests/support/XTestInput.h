#pragma once

// Real input on an X display through the XTEST extension, as a user makes it.
// Kept apart: Xlib's macros (None, Bool, Status) clash with GoogleTest and Qt.

// A left click at a screen point.
bool XTestClick(const char* display, int x, int y);
// A press, a move to (toX, toY) in `steps` steps, and a release.
bool XTestDrag(const char* display, int fromX, int fromY, int toX, int toY, int steps);
// Types `text` (ASCII letters, digits, punctuation and blanks) key by key.
bool XTestType(const char* display, const char* text);
// Presses and releases one key by its X keysym name ("Return", "Tab",
// "Control_L", "a"), with the modifiers named in `modifiers` ("Control_L",
// "Shift_L", ...; null for none) held around it.
bool XTestKey(const char* display, const char* keysymName, const char* const* modifiers = nullptr);

// One step of a timed input sequence: a key (by keysym name) or a mouse button
// (X number: 1 left, 2 middle, 3 right, 4/5 wheel, 8 back, 9 forward) going
// down or up, `delayMs` after the step before it as the server counts time.
struct XTestStep {
    enum class Kind { KeyDown, KeyUp, ButtonDown, ButtonUp };
    Kind kind;
    const char* keysym; // keys
    int button; // buttons
    int delayMs;
};
// Sends the steps in one go on one connection; false when a key is unknown.
bool XTestSequence(const char* display, const XTestStep* steps, int count);
// Moves the pointer to a screen point.
bool XTestMove(const char* display, int x, int y);

// A plain window of another program on the display, mapped and given the
// keyboard focus, until the object goes.
class XTestWindow {
public:
    XTestWindow() = default;
    ~XTestWindow();
    XTestWindow(const XTestWindow&) = delete;
    XTestWindow& operator=(const XTestWindow&) = delete;
    bool Open(const char* display, int x, int y, int width, int height);
    // True while this window has the keyboard focus.
    bool HasFocus() const;

private:
    void* m_display = nullptr;
    unsigned long m_window = 0;
};
