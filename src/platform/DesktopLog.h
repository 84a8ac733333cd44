#pragma once

#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcTarvoDesktop)

// One "vkt: " line about what the program asked of the desktop (programs,
// addresses, typed text), written only when TARVO_DEBUG=1.
void DesktopDebugLine(const QString& text);
