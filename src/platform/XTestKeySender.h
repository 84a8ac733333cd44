#pragma once

#include "platform/KeySender.h"

#include <memory>

// Key events through the X server's XTEST extension on a connection of its
// own, opened on first use. Available only when the program itself runs on
// X11: on Wayland an X server's focus is not the user's, and a paste would
// land in the wrong window.
class XTestKeySender : public KeySender {
public:
    XTestKeySender();
    ~XTestKeySender() override;

    bool Available() override;
    bool Send(Key key, Direction direction) override;

private:
    struct Connection;
    std::unique_ptr<Connection> m_connection;
    bool m_tried = false;
};
