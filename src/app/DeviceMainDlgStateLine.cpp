// The window's state lines for tests and benchmarks (TARVO_STATE_PROBE): what
// is shown and where to click, one line on stdout for each change.
#include "app/DeviceMainDlg.h"

#include "app/ProfileDlg.h"
#include "app/StateProbe.h"
#include "editors/Page.h"
#include "language/TextIds.h"
#include "widgets/CDeviceList.h"
#include "widgets/CIconButton.h"
#include "widgets/MTabCtrl.h"

#include <QTimer>
#include <QUrl>

#include <cstdio>

void DeviceMainDlg::ScheduleStateLine()
{
    if (!m_stateProbe || m_stateLinePending || !GetWidget())
        return;
    // One line for a burst of changes, and at most one every kStateLineGapMs:
    // a line after each of them would repeat the whole device list once per
    // model, the square of the model count in output and time.
    m_stateLinePending = true;
    const qint64 since = m_stateLineClock.isValid() ? m_stateLineClock.elapsed() : kStateLineGapMs;
    const int delay = since >= kStateLineGapMs ? 0 : int(kStateLineGapMs - since);
    QTimer::singleShot(delay, GetWidget(), [this] {
        m_stateLinePending = false;
        m_stateLineClock.restart();
        WriteStateLine();
    });
}

void DeviceMainDlg::WriteStateLine()
{
    if (!m_stateProbe)
        return;
    QString line = QStringLiteral("tarvo: state view=%1 tab=%2 status=%3 content=%4")
                       .arg(m_currentItem == kItemHome ? QStringLiteral("home") : QStringLiteral("device"))
                       .arg(m_currentItem)
                       .arg(m_statusTextId)
                       .arg(m_deviceList && m_deviceList->IsVisible() ? QStringLiteral("list")
                                : m_noDeviceTextId == TextIds::kAccessDenied ? QStringLiteral("denied")
                                                                            : QStringLiteral("nodevice"));
    line += QStringLiteral(" lighting=%1").arg(m_lightingPresent ? 1 : 0);
    // Whether the window can be seen, where the frame's close, settings and
    // pairing buttons are.
    line += QStringLiteral(" shown=%1").arg(IsOutOfSight() ? 0 : 1);
    for (const auto& [key, id] : {std::pair{"closebtn", int32_t(kCloseButton)}, {"settingsbtn", int32_t(kSettingsButton)},
             {"pairbtn", int32_t(kPairButton)}}) {
        const MControl* control = GetControl(id);
        if (control && control->isVisible()) {
            const QPoint at = control->mapToGlobal(control->rect().center());
            line += QStringLiteral(" %1=%2,%3").arg(QLatin1String(key)).arg(at.x()).arg(at.y());
        }
    }
    if (m_deviceList)
        line += StateProbe::DeviceItems(*m_deviceList);
    // The profile button: the current profile, its name (percent-encoded) and
    // where to click; with the profiles popup open, what it shows.
    if (m_profileButton) {
        const QPoint at = m_profileButton->mapToGlobal(m_profileButton->rect().center());
        line += QStringLiteral(" profile=%1 profilename=%2 profilebtn=%3,%4")
                    .arg(m_currentProfile)
                    .arg(QString::fromLatin1(QUrl::toPercentEncoding(m_profileButton->GetTitle())))
                    .arg(at.x())
                    .arg(at.y());
    }
    if (m_profileDlg) {
        const QString popup = m_profileDlg->ProbeState();
        if (!popup.isEmpty())
            line += QLatin1Char(' ') + popup;
    }
    // Where the tab items are, by item id.
    if (m_tabs && m_tabs->IsVisible())
        line += StateProbe::TabItems(*m_tabs);
    // The current page: where its visible controls are (list items too, as
    // "ctlitem=ID.N@x,y") and what it says of itself.
    MControl* container = m_currentItem == kItemHome ? nullptr : ContainerOf(m_currentItem);
    if (container && container->IsVisible()) {
        line += StateProbe::ControlsWithin(*container, GetAllControls());
        for (const std::unique_ptr<Page>& page : m_pages) {
            if (page->TabItem() != m_currentItem)
                continue;
            const QString fields = page->ProbeState();
            if (!fields.isEmpty())
                line += QLatin1Char(' ') + fields;
        }
    }
    if (line == m_lastStateLine)
        return;
    m_lastStateLine = line;
    std::fprintf(stdout, "%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}
