#include "hid/Notification.h"

#include "hid/Report.h"

std::optional<Notification> DecodeNotification(std::span<const uint8_t> report)
{
    if (report.size() < kNotificationSize || report[1] != kNotificationMarker)
        return std::nullopt;

    Notification notification;
    switch (static_cast<NotificationEvent>(report[5])) {
    case NotificationEvent::Pairing:
    case NotificationEvent::DpiLevelChanged:
    case NotificationEvent::Battery:
    case NotificationEvent::DeviceChanged:
    case NotificationEvent::TextRequest:
        notification.event = static_cast<NotificationEvent>(report[5]);
        break;
    default:
        return std::nullopt;
    }
    notification.first = report[6];
    notification.second = report[7];
    return notification;
}

bool IsPairingSuccess(const Notification& notification)
{
    return notification.event == NotificationEvent::Pairing && notification.first == 0x01;
}

std::optional<ReceiverLink> DecodeReceiverStatus(std::span<const uint8_t> report)
{
    if (report.size() < 2 || report[0] != kReceiverStatusReportId)
        return std::nullopt;
    return report[1] == 1 ? ReceiverLink::Connected : ReceiverLink::NotConnected;
}
