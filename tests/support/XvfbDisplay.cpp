#include "XvfbDisplay.h"

#include <QFile>
#include <QStandardPaths>
#include <QThread>

XvfbDisplay::~XvfbDisplay()
{
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_server.terminate();
    if (!m_server.waitForFinished(5000))
        m_server.kill();
}

QString XvfbDisplay::FindServer()
{
    return QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
}

bool XvfbDisplay::Start(int width, int height, int firstDisplay)
{
    const QString server = FindServer();
    if (server.isEmpty())
        return false;
    for (int display = firstDisplay; display < firstDisplay + 28; ++display) {
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(display);
        if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(display)) || QFile::exists(socket))
            continue;
        m_display = QStringLiteral(":%1").arg(display);
        // -noreset: without it the server starts over whenever its last client
        // leaves, and a test connecting at that moment is refused.
        m_server.start(server,
            {m_display, QStringLiteral("-screen"), QStringLiteral("0"),
                QStringLiteral("%1x%2x24").arg(width).arg(height), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                QStringLiteral("-noreset")});
        if (!m_server.waitForStarted(5000))
            return false;
        // The socket appears once the server listens; bounded by a number of checks.
        for (int i = 0; i < 100 && m_server.state() == QProcess::Running; ++i) {
            if (QFile::exists(socket))
                return true;
            QThread::msleep(50);
        }
        // Lost the display to another server starting at the same moment: next one.
        m_server.kill();
        m_server.waitForFinished(2000);
    }
    return false;
}
