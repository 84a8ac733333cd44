#pragma once

#include <QColor>
#include <QFont>
#include <QString>

// The one palette every control draws with: a dark surface and one accent.
namespace Theme {
inline const QColor kWindow{0x14, 0x17, 0x1c};
inline const QColor kSurface{0x1c, 0x21, 0x28};
inline const QColor kRaised{0x26, 0x2c, 0x35};
inline const QColor kHover{0x2f, 0x37, 0x42};
inline const QColor kBorder{0x36, 0x3e, 0x4a};
inline const QColor kText{0xe8, 0xec, 0xf1};
inline const QColor kTextDim{0x8b, 0x95, 0xa4};
inline const QColor kTextDisabled{0x5a, 0x63, 0x70};
inline const QColor kAccent{0x2e, 0xc4, 0xb6};
inline const QColor kAccentHover{0x52, 0xd9, 0xcc};
inline const QColor kAccentPressed{0x22, 0x9e, 0x93};
inline const QColor kDanger{0xe5, 0x48, 0x4d};
inline const QColor kWarning{0xf2, 0xb1, 0x3a};

// The font families tried in order; the CJK family covers Chinese and Latin.
QFont Font(int pixelSize, bool bold = false, const QString& preferred = {});
} // namespace Theme
