#pragma once

#include <QLoggingCategory>
#include <QString>
#include <cstdint>
#include <span>

Q_DECLARE_LOGGING_CATEGORY(lcTarvoHid)

enum class HidDirection { Sent, Received };

// True when TARVO_DEBUG=1: every report then goes to the log as hex, so a
// user's bug report carries the wire.
bool HidTraceEnabled();

void TraceHidReport(HidDirection direction, QString const& path, std::span<const uint8_t> bytes);

// "06 05 00 ..." for the trace and for test failure messages.
QString HidHexBytes(std::span<const uint8_t> bytes);
