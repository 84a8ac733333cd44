#include "update/UpdateLog.h"

Q_LOGGING_CATEGORY(lcTarvoUpdate, "tarvo.update", QtDebugMsg)

void UpdateDebugLine(const QString& text)
{
    // Read on every line: rare, and a test can switch it.
    if (qEnvironmentVariableIntValue("TARVO_DEBUG") != 1)
        return;
    qCDebug(lcTarvoUpdate).noquote() << QStringLiteral("vkt: ") + text;
}
