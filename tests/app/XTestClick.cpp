#include "XTestClick.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <memory>

bool XTestClick(const char* displayName, int x, int y)
{
    std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(displayName), XCloseDisplay);
    if (!display)
        return false;
    XTestFakeMotionEvent(display.get(), -1, x, y, CurrentTime);
    XTestFakeButtonEvent(display.get(), 1, True, CurrentTime);
    XTestFakeButtonEvent(display.get(), 1, False, 20);
    XSync(display.get(), False);
    return true;
}
