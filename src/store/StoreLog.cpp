#include "store/StoreLog.h"

Q_LOGGING_CATEGORY(lcTarvoStore, "tarvo.store", QtDebugMsg)

void StoreDebugLine(const QString& text)
{
    // Read on every line: rare, and a test can switch it.
    if (qEnvironmentVariableIntValue("TARVO_DEBUG") != 1)
        return;
    qCDebug(lcTarvoStore).noquote() << QStringLiteral("vkt: ") + text;
}
