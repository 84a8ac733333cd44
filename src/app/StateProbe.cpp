#include "app/StateProbe.h"

#include "widgets/CDeviceList.h"
#include "widgets/MControl.h"
#include "widgets/MListBase.h"
#include "widgets/MTabCtrl.h"

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

QString DeviceItems(const CDeviceList& list)
{
    QString text = QStringLiteral(" selected=%1").arg(list.GetSelectDevice());
    for (int32_t i = 0; i < list.GetItemCount(); ++i) {
        const ListItem* item = list.GetItem(i);
        const QPoint centre = list.mapToGlobal(list.GetItemRect(i).center());
        text += QStringLiteral(" item=%1:%2/%3:%4:%5/%6@%7,%8")
                    .arg(item->data)
                    .arg(item->modeState[0])
                    .arg(item->modeState[1])
                    .arg(item->detail.isEmpty() ? QStringLiteral("-") : item->detail)
                    .arg(item->batteryStatus)
                    .arg(item->batteryLevel)
                    .arg(centre.x())
                    .arg(centre.y());
    }
    return text;
}

QString TabItems(const MTabCtrl& tabs)
{
    QString text;
    for (int32_t i = 0; i < tabs.GetItemCount(); ++i) {
        if (!tabs.IsItemVisible(tabs.GetItemId(i)))
            continue;
        const QPoint at = tabs.mapToGlobal(tabs.GetItemRect(i).center());
        text += QStringLiteral(" tabitem=%1@%2,%3").arg(tabs.GetItemId(i)).arg(at.x()).arg(at.y());
    }
    return text;
}

QString ControlsWithin(const MControl& container, const std::vector<MControl*>& controls)
{
    QString text;
    for (const MControl* control : controls) {
        if (control == &container || !control->isVisible() || !container.isAncestorOf(control))
            continue;
        text += QStringLiteral(" ctl=%1@%2").arg(control->GetId()).arg(ScreenCentre(control));
        if (const auto* list = dynamic_cast<const MListBase*>(control)) {
            for (int32_t i = 0; i < list->GetItemCount(); ++i) {
                const QPoint at = list->mapToGlobal(list->GetItemRect(i).center());
                text += QStringLiteral(" ctlitem=%1.%2@%3,%4").arg(control->GetId()).arg(i).arg(at.x()).arg(at.y());
            }
        }
    }
    return text;
}

} // namespace StateProbe
