#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class QSocketNotifier;

// One event of the X server's keyboards and mice as XInput 2 reports it raw:
// whatever window has the focus, before any grab or focus rule applies.
struct RawDeviceEvent {
    enum class Type { KeyDown, KeyUp, ButtonDown, ButtonUp };
    Type type = Type::KeyDown;
    // Keys: the keysym of the key's first level in the current layout ("a",
    // not "A"), the X keycode it came from.
    uint32_t keysym = 0;
    uint32_t keycode = 0;
    // Buttons: the X button number (1 left, 2 middle, 3 right, 4 and 5 the
    // wheel up and down, 6 and 7 sideways, 8 back, 9 forward).
    int32_t button = 0;
    // The X server's time of the event in milliseconds, continued past the
    // 32-bit wrap so differences stay right.
    int64_t time = 0;
};

// The raw key and button events of an X11 display, read on the thread that
// runs the Qt event loop (a socket notifier on a connection of its own), so a
// recording goes on while another window has the focus. On Wayland there is
// no such source: Start fails and only the focused window's input is seen.
class X11RawInput {
public:
    using Handler = std::function<void(const RawDeviceEvent&)>;

    X11RawInput();
    ~X11RawInput();
    X11RawInput(const X11RawInput&) = delete;
    X11RawInput& operator=(const X11RawInput&) = delete;

    // Connects to `display` (empty: $DISPLAY), checks for XInput 2 and asks
    // for the raw events of every master device; `handler` then hears each
    // one, in the server's order. False (and nothing running) when there is
    // no X display or no XInput 2; LastError() says why. A running source is
    // stopped first.
    bool Start(Handler handler, const QString& display = {});
    // Stops listening and closes the connection.
    void Stop();
    bool IsRunning() const;
    QString LastError() const { return m_error; }
    // Reads and hands on every event that has arrived (the notifier does this
    // on its own; a test may call it after a round trip). The number handed on.
    int ReadPending();
    // Waits up to `ms` for the server to deliver something, then reads it.
    int WaitAndRead(int ms);

private:
    struct Connection;
    std::unique_ptr<Connection> m_connection;
    std::unique_ptr<QSocketNotifier> m_notifier;
    Handler m_handler;
    QString m_error;
    // Counts the connections opened, so a read notices that its handler
    // replaced the connection even where the new one reuses the old address.
    uint64_t m_generation = 0;
    int m_readDepth = 0; // handlers running inside ReadPending
};
