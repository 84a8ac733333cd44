#include "platform/SystemDesktop.h"

#include "platform/ClipboardTyper.h"
#include "platform/DesktopLog.h"
#include "platform/XTestKeySender.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QStandardPaths>

SystemDesktop::SystemDesktop() = default;
SystemDesktop::~SystemDesktop() = default;

bool SystemDesktop::IsRunnable(const QString& program)
{
    const QFileInfo file(program);
    return !program.isEmpty() && file.isAbsolute() && file.isFile() && file.isExecutable();
}

bool SystemDesktop::IsWebAddress(const QUrl& address)
{
    const QString scheme = address.scheme().toLower();
    return address.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        && !address.host().isEmpty();
}

bool SystemDesktop::OpenWebAddress(const QUrl& address)
{
    if (!IsWebAddress(address)) {
        DesktopDebugLine(QStringLiteral("not opened: %1").arg(address.toString()));
        return false;
    }
    DesktopDebugLine(QStringLiteral("open %1").arg(address.toString()));
    return QDesktopServices::openUrl(address);
}

bool SystemDesktop::StartProgram(const QString& program, const QStringList& arguments)
{
    if (!IsRunnable(program)) {
        DesktopDebugLine(QStringLiteral("not started, not a program: %1").arg(program));
        return false;
    }
    m_launcher.Start(program, arguments);
    return true;
}

bool SystemDesktop::TypeText(const QString& text)
{
    if (text.isEmpty())
        return false;
    if (!m_typer)
        m_typer = std::make_unique<ClipboardTyper>(std::make_unique<XTestKeySender>());
    return m_typer->Type(text);
}

bool SystemDesktop::OpenCharacterMap()
{
    for (const char* name : {"gucharmap", "gnome-characters", "kcharselect"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return StartProgram(path, {});
    }
    DesktopDebugLine(QStringLiteral("no character map is installed"));
    return false;
}
