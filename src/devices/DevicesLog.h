#pragma once

#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcTarvoDevices)

// One "vkt: " diagnostic line of the device layer, written only when
// TARVO_DEBUG=1 so a user's bug report can carry the decisions taken.
void DevicesDebugLine(const QString& text);
