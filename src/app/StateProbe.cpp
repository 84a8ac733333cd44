#include "app/StateProbe.h"

#include "widgets/MControl.h"

#include <cstdio>

namespace StateProbe {

bool Enabled()
{
    static const bool enabled = !qEnvironmentVariableIsEmpty("TARVO_STATE_PROBE");
    return enabled;
}

void Line(const QString& text)
{
    if (!Enabled())
        return;
    // One line, whatever the text holds.
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stdout, "tarvo: %s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

QString ScreenCentre(const MControl* control)
{
    if (!control)
        return QStringLiteral("-");
    const QPoint centre = control->mapToGlobal(control->rect().center());
    return QStringLiteral("%1,%2").arg(centre.x()).arg(centre.y());
}

} // namespace StateProbe
