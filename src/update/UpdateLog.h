#pragma once

#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcTarvoUpdate)

// One "vkt: " diagnostic line of the update layer (checks, transfers,
// archives, the flashing tool's output), written only when TARVO_DEBUG=1.
void UpdateDebugLine(const QString& text);
