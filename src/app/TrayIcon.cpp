#include "app/TrayIcon.h"

#include "app/AppMessages.h"
#include "app/StateProbe.h"
#include "widgets/WindowRegistry.h"

#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {

constexpr qsizetype kTipLimit = 127;

// The window message each activation stands for.
intptr_t MouseMessageOf(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return kWmLButtonDown;
    case QSystemTrayIcon::DoubleClick:
        return kWmLButtonDblClk;
    case QSystemTrayIcon::Context:
        return kWmRButtonUp;
    case QSystemTrayIcon::MiddleClick:
        return 0x0207; // WM_MBUTTONDOWN: nothing happens on it
    case QSystemTrayIcon::Unknown:
        break;
    }
    return 0;
}

} // namespace

TrayIcon::TrayIcon(WindowHandle owner)
    : m_owner(owner)
{}

TrayIcon::~TrayIcon()
{
    Remove();
}

void TrayIcon::Add(const QString& iconFile, const QString& tip, const QString& exitText)
{
    if (!m_icon) {
        m_menu = std::make_unique<QMenu>();
        m_exit = m_menu->addAction(exitText);
        const WindowHandle owner = m_owner;
        QObject::connect(
            m_exit, &QAction::triggered, [owner] { PostMessage(owner, kWmCommand, AppMessages::kCommandExit, 0); });
        m_icon = std::make_unique<QSystemTrayIcon>();
        m_icon->setContextMenu(m_menu.get());
        QObject::connect(m_icon.get(), &QSystemTrayIcon::activated, [owner](QSystemTrayIcon::ActivationReason reason) {
            if (const intptr_t message = MouseMessageOf(reason))
                PostMessage(owner, AppMessages::kTray, 0, message);
        });
    }
    m_icon->setIcon(QIcon(iconFile));
    m_icon->setToolTip(tip.left(kTipLimit));
    SetExitText(exitText);
    m_icon->show();
    m_added = true;
    if (StateProbe::Enabled() && !m_probeTimer) {
        auto* timer = new QTimer(m_menu.get());
        QObject::connect(timer, &QTimer::timeout, [this] { ProbeGeometry(); });
        timer->start(200);
        m_probeTimer = 1;
    }
}

void TrayIcon::ProbeGeometry()
{
    const QRect geometry = Geometry();
    if (geometry == m_probedGeometry)
        return;
    m_probedGeometry = geometry;
    const QPoint at = geometry.center();
    StateProbe::Line(geometry.isEmpty() ? QStringLiteral("tray icon none")
                                        : QStringLiteral("tray icon at=%1,%2").arg(at.x()).arg(at.y()));
}

void TrayIcon::Remove()
{
    if (m_icon)
        m_icon->hide();
    m_added = false;
}

bool TrayIcon::IsShown() const
{
    return m_added && m_icon && m_icon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::SetExitText(const QString& text)
{
    if (m_exit)
        m_exit->setText(text);
}

void TrayIcon::ShowMessage(const QString& title, const QString& text)
{
    if (m_icon && m_added)
        m_icon->showMessage(title, text, m_icon->icon(), 10'000);
}

QRect TrayIcon::Geometry() const
{
    return IsShown() ? m_icon->geometry() : QRect();
}

bool TrayIcon::DesktopHasTray()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}
