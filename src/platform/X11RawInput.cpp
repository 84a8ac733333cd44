#include "platform/X11RawInput.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <poll.h>

namespace {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

} // namespace

struct X11RawInput::Connection {
    std::unique_ptr<Display, DisplayCloser> display;
    int opcode = 0;
    // The X server's 32-bit millisecond time, continued past its wrap.
    uint32_t lastServerTime = 0;
    int64_t wraps = 0;
    bool sawTime = false;

    int64_t Continue(uint32_t serverTime)
    {
        // A time far below the last one is the counter starting over, every
        // 49.7 days; a little below is just an event of another device.
        if (sawTime && serverTime < lastServerTime && lastServerTime - serverTime > 0x80000000u)
            ++wraps;
        sawTime = true;
        lastServerTime = serverTime;
        return wraps * (int64_t(1) << 32) + int64_t(serverTime);
    }
};

X11RawInput::X11RawInput() = default;

X11RawInput::~X11RawInput()
{
    Stop();
}

bool X11RawInput::Start(Handler handler, const QString& display)
{
    Stop();
    m_error.clear();
    const QByteArray name = display.toLocal8Bit();
    auto connection = std::make_unique<Connection>();
    connection->display.reset(XOpenDisplay(name.isEmpty() ? nullptr : name.constData()));
    if (!connection->display) {
        m_error = QStringLiteral("XOpenDisplay: no X display");
        return false;
    }
    Display* x = connection->display.get();
    int event = 0;
    int error = 0;
    if (!XQueryExtension(x, "XInputExtension", &connection->opcode, &event, &error)) {
        m_error = QStringLiteral("XQueryExtension: the display has no XInput");
        return false;
    }
    // A client of XInput 2.0 hears raw events only while no other client
    // grabs the device, and every click grabs the pointer for the window under
    // it until the release: announce 2.2, where raw events always arrive.
    int major = 2;
    int minor = 2;
    if (XIQueryVersion(x, &major, &minor) != Success || major < 2) {
        m_error = QStringLiteral("XIQueryVersion: the display has no XInput 2");
        return false;
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawKeyRelease);
    XISetMask(bits, XI_RawButtonPress);
    XISetMask(bits, XI_RawButtonRelease);
    XIEventMask mask{};
    mask.deviceid = XIAllMasterDevices;
    mask.mask_len = sizeof bits;
    mask.mask = bits;
    if (XISelectEvents(x, DefaultRootWindow(x), &mask, 1) != Success) {
        m_error = QStringLiteral("XISelectEvents: raw events refused");
        return false;
    }
    XSync(x, False);

    m_connection = std::move(connection);
    ++m_generation;
    m_handler = std::move(handler);
    // Without an event loop (a tool, a test) the caller reads with WaitAndRead.
    if (QCoreApplication::instance()) {
        m_notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(x), QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { ReadPending(); });
    }
    return true;
}

void X11RawInput::Stop()
{
    // The handler may stop the source from inside the notifier's signal; the
    // notifier must then outlive that signal.
    if (m_notifier) {
        m_notifier->setEnabled(false);
        if (m_readDepth > 0)
            m_notifier.release()->deleteLater();
        else
            m_notifier.reset();
    }
    m_connection.reset();
    m_handler = nullptr;
}

bool X11RawInput::IsRunning() const
{
    return m_connection != nullptr;
}

int X11RawInput::ReadPending()
{
    if (!m_connection)
        return 0;
    const uint64_t generation = m_generation;
    Display* x = m_connection->display.get();
    int handed = 0;
    // Events of the socket that Xlib has not read yet count too. The handler
    // may stop the source, or stop and start it on a new connection.
    while (m_connection && m_generation == generation && XPending(x) > 0) {
        XEvent event;
        XNextEvent(x, &event);
        XGenericEventCookie* cookie = &event.xcookie;
        if (cookie->type != GenericEvent || cookie->extension != m_connection->opcode || !XGetEventData(x, cookie))
            continue;
        RawDeviceEvent raw;
        bool known = true;
        const auto* data = static_cast<const XIRawEvent*>(cookie->data);
        switch (cookie->evtype) {
        case XI_RawKeyPress:
        case XI_RawKeyRelease:
            raw.type = cookie->evtype == XI_RawKeyPress ? RawDeviceEvent::Type::KeyDown : RawDeviceEvent::Type::KeyUp;
            raw.keycode = uint32_t(data->detail);
            raw.keysym = uint32_t(XkbKeycodeToKeysym(x, KeyCode(data->detail), 0, 0));
            break;
        case XI_RawButtonPress:
        case XI_RawButtonRelease:
            raw.type = cookie->evtype == XI_RawButtonPress ? RawDeviceEvent::Type::ButtonDown
                                                           : RawDeviceEvent::Type::ButtonUp;
            raw.button = data->detail;
            break;
        default:
            known = false;
            break;
        }
        if (known)
            raw.time = m_connection->Continue(uint32_t(data->time));
        XFreeEventData(x, cookie);
        if (!known)
            continue;
        ++handed;
        // The handler may stop the source (the recording ended).
        if (m_handler) {
            const Handler handler = m_handler;
            ++m_readDepth;
            handler(raw);
            --m_readDepth;
        }
    }
    return handed;
}

int X11RawInput::WaitAndRead(int ms)
{
    if (!m_connection)
        return 0;
    Display* x = m_connection->display.get();
    XFlush(x);
    if (XPending(x) == 0) {
        pollfd descriptor{ConnectionNumber(x), POLLIN, 0};
        if (poll(&descriptor, 1, ms) <= 0)
            return 0;
    }
    return ReadPending();
}
