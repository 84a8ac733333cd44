#include "devices/DevicesLog.h"

Q_LOGGING_CATEGORY(lcTarvoDevices, "tarvo.devices", QtDebugMsg)

void DevicesDebugLine(const QString& text)
{
    // Read on every line: rare, and a test can switch it.
    if (qEnvironmentVariableIntValue("TARVO_DEBUG") != 1)
        return;
    qCDebug(lcTarvoDevices).noquote() << QStringLiteral("vkt: ") + text;
}
