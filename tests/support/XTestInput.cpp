#include "XTestInput.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

using DisplayPtr = std::unique_ptr<Display, int (*)(Display*)>;

DisplayPtr Open(const char* name)
{
    return DisplayPtr(XOpenDisplay(name), XCloseDisplay);
}

// Presses or releases the key of `keysym`; false when no key produces it.
bool KeyEvent(Display* display, KeySym keysym, bool press)
{
    const KeyCode code = XKeysymToKeycode(display, keysym);
    if (code == 0)
        return false;
    XTestFakeKeyEvent(display, code, press ? True : False, press ? CurrentTime : 10);
    return true;
}

bool TypeChar(Display* display, char c)
{
    const char name[2] = {c, 0};
    KeySym keysym = XStringToKeysym(name);
    if (keysym == NoSymbol) {
        switch (c) {
        case ' ':
            keysym = XK_space;
            break;
        case '-':
            keysym = XK_minus;
            break;
        case '.':
            keysym = XK_period;
            break;
        case ',':
            keysym = XK_comma;
            break;
        case '/':
            keysym = XK_slash;
            break;
        case ':':
            keysym = XK_colon;
            break;
        default:
            return false;
        }
    }
    // Upper-case letters and shifted punctuation need Shift on the US map.
    const bool shift = (c >= 'A' && c <= 'Z') || std::strchr("!@#$%^&*()_+{}|:\"<>?~", c) != nullptr;
    if (shift)
        KeyEvent(display, XK_Shift_L, true);
    const bool ok = KeyEvent(display, keysym, true) && KeyEvent(display, keysym, false);
    if (shift)
        KeyEvent(display, XK_Shift_L, false);
    return ok;
}

} // namespace

bool XTestClick(const char* displayName, int x, int y)
{
    DisplayPtr display = Open(displayName);
    if (!display)
        return false;
    XTestFakeMotionEvent(display.get(), -1, x, y, CurrentTime);
    XTestFakeButtonEvent(display.get(), 1, True, CurrentTime);
    XTestFakeButtonEvent(display.get(), 1, False, 20);
    XSync(display.get(), False);
    return true;
}

bool XTestDrag(const char* displayName, int fromX, int fromY, int toX, int toY, int steps)
{
    DisplayPtr display = Open(displayName);
    if (!display || steps < 1)
        return false;
    XTestFakeMotionEvent(display.get(), -1, fromX, fromY, CurrentTime);
    XTestFakeButtonEvent(display.get(), 1, True, CurrentTime);
    for (int i = 1; i <= steps; ++i)
        XTestFakeMotionEvent(
            display.get(), -1, fromX + (toX - fromX) * i / steps, fromY + (toY - fromY) * i / steps, 15);
    XTestFakeButtonEvent(display.get(), 1, False, 20);
    XSync(display.get(), False);
    return true;
}

bool XTestType(const char* displayName, const char* text)
{
    DisplayPtr display = Open(displayName);
    if (!display)
        return false;
    bool ok = true;
    for (const char* c = text; *c; ++c)
        ok = TypeChar(display.get(), *c) && ok;
    XSync(display.get(), False);
    return ok;
}

bool XTestKey(const char* displayName, const char* keysymName, const char* const* modifiers)
{
    DisplayPtr display = Open(displayName);
    if (!display)
        return false;
    const KeySym keysym = XStringToKeysym(keysymName);
    if (keysym == NoSymbol)
        return false;
    int held = 0;
    for (const char* const* m = modifiers; m && *m; ++m, ++held)
        KeyEvent(display.get(), XStringToKeysym(*m), true);
    const bool ok = KeyEvent(display.get(), keysym, true) && KeyEvent(display.get(), keysym, false);
    for (int i = held - 1; i >= 0; --i)
        KeyEvent(display.get(), XStringToKeysym(modifiers[i]), false);
    XSync(display.get(), False);
    return ok;
}

bool XTestSequence(const char* displayName, const XTestStep* steps, int count)
{
    DisplayPtr display = Open(displayName);
    if (!display)
        return false;
    bool ok = true;
    for (int i = 0; i < count; ++i) {
        const XTestStep& step = steps[i];
        const unsigned long delay = step.delayMs > 0 ? static_cast<unsigned long>(step.delayMs) : CurrentTime;
        switch (step.kind) {
        case XTestStep::Kind::KeyDown:
        case XTestStep::Kind::KeyUp: {
            const KeyCode code = XKeysymToKeycode(display.get(), XStringToKeysym(step.keysym));
            if (code == 0) {
                ok = false;
                break;
            }
            XTestFakeKeyEvent(display.get(), code, step.kind == XTestStep::Kind::KeyDown ? True : False, delay);
            break;
        }
        case XTestStep::Kind::ButtonDown:
        case XTestStep::Kind::ButtonUp:
            XTestFakeButtonEvent(
                display.get(), unsigned(step.button), step.kind == XTestStep::Kind::ButtonDown ? True : False, delay);
            break;
        }
    }
    XSync(display.get(), False);
    return ok;
}

bool XTestMove(const char* displayName, int x, int y)
{
    DisplayPtr display = Open(displayName);
    if (!display)
        return false;
    XTestFakeMotionEvent(display.get(), -1, x, y, CurrentTime);
    XSync(display.get(), False);
    return true;
}

XTestWindow::~XTestWindow()
{
    if (!m_display)
        return;
    auto* display = static_cast<Display*>(m_display);
    XDestroyWindow(display, m_window);
    XCloseDisplay(display);
}

bool XTestWindow::Open(const char* displayName, int x, int y, int width, int height)
{
    Display* display = XOpenDisplay(displayName);
    if (!display)
        return false;
    m_display = display;
    const int screen = DefaultScreen(display);
    m_window = XCreateSimpleWindow(display, RootWindow(display, screen), x, y, unsigned(width), unsigned(height), 0,
        BlackPixel(display, screen), WhitePixel(display, screen));
    XSelectInput(display, m_window, KeyPressMask | KeyReleaseMask | ButtonPressMask | ExposureMask);
    XMapRaised(display, m_window);
    XSync(display, False);
    XSetInputFocus(display, m_window, RevertToParent, CurrentTime);
    XSync(display, False);
    return true;
}

bool XTestWindow::HasFocus() const
{
    if (!m_display)
        return false;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(static_cast<Display*>(m_display), &focus, &revert);
    return focus == m_window;
}
