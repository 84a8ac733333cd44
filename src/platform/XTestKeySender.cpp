#include "platform/XTestKeySender.h"

#include "platform/DesktopLog.h"

#include <QGuiApplication>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

struct XTestKeySender::Connection {
    struct Closer {
        void operator()(Display* opened) const { XCloseDisplay(opened); }
    };
    std::unique_ptr<Display, Closer> display;
    KeyCode control = 0;
    KeyCode v = 0;
};

XTestKeySender::XTestKeySender() = default;
XTestKeySender::~XTestKeySender() = default;

bool XTestKeySender::Available()
{
    if (m_tried)
        return m_connection != nullptr;
    m_tried = true;
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        DesktopDebugLine(
            QStringLiteral("synthetic keys need X11; the window system is %1").arg(QGuiApplication::platformName()));
        return false;
    }
    auto connection = std::make_unique<Connection>();
    connection->display.reset(XOpenDisplay(nullptr));
    if (!connection->display) {
        DesktopDebugLine(QStringLiteral("XOpenDisplay failed"));
        return false;
    }
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(connection->display.get(), &event, &error, &major, &minor)) {
        DesktopDebugLine(QStringLiteral("the X server has no XTEST extension"));
        return false;
    }
    connection->control = XKeysymToKeycode(connection->display.get(), XK_Control_L);
    connection->v = XKeysymToKeycode(connection->display.get(), XK_v);
    if (connection->control == 0 || connection->v == 0) {
        DesktopDebugLine(QStringLiteral("the keyboard map has no Control_L or v key"));
        return false;
    }
    m_connection = std::move(connection);
    return true;
}

bool XTestKeySender::Send(Key key, Direction direction)
{
    if (!Available())
        return false;
    Display* display = m_connection->display.get();
    const KeyCode code = key == Key::Control ? m_connection->control : m_connection->v;
    const bool sent = XTestFakeKeyEvent(display, code, direction == Direction::Down ? True : False, CurrentTime) != 0;
    XFlush(display);
    return sent;
}
