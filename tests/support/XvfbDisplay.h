#pragma once

#include <QProcess>
#include <QString>

// A private Xvfb server for one test: the first free display from
// `firstDisplay` on, stopped when the object goes.
class XvfbDisplay {
public:
    XvfbDisplay() = default;
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    // The Xvfb executable, or empty when it is not installed (tests then skip).
    static QString FindServer();

    // Starts the server with one screen of width × height × 24 and waits until
    // it listens. False when it does not come up.
    bool Start(int width, int height, int firstDisplay);

    // ":N" once started.
    const QString& Display() const { return m_display; }

private:
    QProcess m_server;
    QString m_display;
};
