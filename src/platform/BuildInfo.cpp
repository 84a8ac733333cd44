#include "platform/BuildInfo.h"

#ifndef TARVO_VERSION
#error "TARVO_VERSION is set by the build"
#endif

QString BuildInfo::Version()
{
    return QStringLiteral(TARVO_VERSION);
}
