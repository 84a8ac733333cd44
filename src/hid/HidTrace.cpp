#include "hid/HidTrace.h"

Q_LOGGING_CATEGORY(lcTarvoHid, "tarvo.hid", QtDebugMsg)

bool HidTraceEnabled()
{
    // Read on every report: cheap next to the I/O, and a test can switch it.
    return qEnvironmentVariableIntValue("TARVO_DEBUG") == 1;
}

QString HidHexBytes(std::span<const uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size() * 3));
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i)
            text += QLatin1Char(' ');
        text += QLatin1Char(kDigits[bytes[i] >> 4]);
        text += QLatin1Char(kDigits[bytes[i] & 0x0F]);
    }
    return text;
}

void TraceHidReport(HidDirection direction, QString const& path, std::span<const uint8_t> bytes)
{
    if (!HidTraceEnabled())
        return;
    qCDebug(lcTarvoHid).noquote() << (direction == HidDirection::Sent ? "sent" : "received") << path
                                  << HidHexBytes(bytes);
}
