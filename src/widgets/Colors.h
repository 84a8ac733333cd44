#pragma once

#include <QColor>
#include <cstdint>

// Colours are stored and handed over as 0x00BBGGRR (red in the low byte);
// text colours as 0xAARRGGBB.
QColor ColorFromBgr(uint32_t bgr);
uint32_t BgrFromColor(const QColor& color);
QColor ColorFromArgb(uint32_t argb);
