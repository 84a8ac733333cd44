#include "platform/DesktopLog.h"

Q_LOGGING_CATEGORY(lcTarvoDesktop, "tarvo.desktop", QtDebugMsg)

void DesktopDebugLine(const QString& text)
{
    if (qEnvironmentVariableIntValue("TARVO_DEBUG") != 1)
        return;
    qCDebug(lcTarvoDesktop).noquote() << QStringLiteral("vkt: ") + text;
}
