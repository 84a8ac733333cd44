#include "app/DesktopNotices.h"

#include "language/InterfaceText.h"
#include "language/TextIds.h"
#include "platform/Paths.h"

DesktopNotices::DesktopNotices(Hooks hooks, NoticeRules::Clock clock)
    : m_hooks(std::move(hooks))
    , m_rules(std::move(clock))
{}

void DesktopNotices::Battery(int32_t level, int32_t status)
{
    Offer(m_rules.OnBattery(level, status));
}

void DesktopNotices::Connection(int32_t statusTextId)
{
    Offer(m_rules.OnConnection(statusTextId));
}

void DesktopNotices::DpiLevel(int32_t index)
{
    Offer(m_rules.OnDpiLevel(index));
}

void DesktopNotices::Offer(const std::optional<NoticeRules::Notice>& notice)
{
    // The rules see every report, told or not, so a notice never arrives late
    // for something that happened while the window was in view.
    if (!notice || !m_hooks.show)
        return;
    if (!m_hooks.enabled || !m_hooks.enabled())
        return;
    if (!m_hooks.windowHidden || !m_hooks.windowHidden())
        return;
    if (!m_rules.Admit(notice->kind))
        return;
    m_hooks.show(Paths::ApplicationName(), TextOf(*notice));
}

QString DesktopNotices::TextOf(const NoticeRules::Notice& notice) const
{
    using Kind = NoticeRules::Kind;
    switch (notice.kind) {
    case Kind::BatteryLow:
        return InterfaceText::Get(TextIds::kNoticeBatteryLow) + QStringLiteral(": %1%").arg(notice.value);
    case Kind::BatteryCritical:
        return InterfaceText::Get(TextIds::kNoticeBatteryCritical) + QStringLiteral(": %1%").arg(notice.value);
    case Kind::Disconnected:
        return InterfaceText::Get(TextIds::kNoticeDisconnected);
    case Kind::Reconnected:
        return InterfaceText::Get(TextIds::kNoticeReconnected);
    case Kind::DpiLevel: {
        QString text = InterfaceText::Get(TextIds::kNoticeDpiLevel) + QStringLiteral(" %1").arg(notice.value + 1);
        const int32_t dpi = m_hooks.dpiValue ? m_hooks.dpiValue(notice.value) : 0;
        if (dpi > 0)
            text += QStringLiteral(": %1 DPI").arg(dpi);
        return text;
    }
    }
    return {};
}
