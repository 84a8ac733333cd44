#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class DeviceMainDlg;

// The window's side of tarvoctl: a request line from the single-instance
// channel is applied to the window's store through the pages' edits, the
// pages show the change, its tasks go to the window's worker as one batch,
// and the answer is given once the mouse acknowledged them (or did not).
// A window whose mouse does not answer refuses changes and shows the stored
// settings.
class CtlRequestHandler {
public:
    // `post` runs a call on the interface thread after everything posted
    // before; the worker's receipt comes on the worker thread.
    using Post = std::function<void(std::function<void()>)>;

    CtlRequestHandler(DeviceMainDlg& window, Post post);

    // Interface thread. `reply` gets the answer line, on the interface thread.
    void Handle(const QString& line, std::function<void(const QByteArray&)> reply);

private:
    DeviceMainDlg& m_window;
    Post m_post;
};
