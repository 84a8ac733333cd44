#pragma once

#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcTarvoStore)

// One "vkt: " diagnostic line of the store, written only when TARVO_DEBUG=1,
// so a user's bug report can carry why a statement failed.
void StoreDebugLine(const QString& text);
