#pragma once

#include "app/NoticeRules.h"

#include <QString>

#include <functional>

// The desktop notifications of the main window: NoticeRules decides, this
// words the notice in the current language and hands it to the desktop, only
// while the user has them switched on and the window is out of sight.
class DesktopNotices {
public:
    struct Hooks {
        std::function<bool()> enabled; // the settings dialog's check box
        std::function<bool()> windowHidden; // hidden or minimised
        std::function<int32_t(int32_t)> dpiValue; // DPI of a level of the current profile, 0 unknown
        std::function<void(const QString& title, const QString& text)> show;
    };
    explicit DesktopNotices(Hooks hooks, NoticeRules::Clock clock = {});

    // The worker's reports, on the interface thread.
    void Battery(int32_t level, int32_t status);
    void Connection(int32_t statusTextId);
    void DpiLevel(int32_t index);

    void SetShow(std::function<void(const QString&, const QString&)> show) { m_hooks.show = std::move(show); }
    // The words of a notice (interface text of the current language).
    QString TextOf(const NoticeRules::Notice& notice) const;

    // The settings file's key of the check box; "1" on, anything else off.
    static constexpr const char* kSettingKey = "desktop_notifications";

private:
    void Offer(const std::optional<NoticeRules::Notice>& notice);

    Hooks m_hooks;
    NoticeRules m_rules;
};
