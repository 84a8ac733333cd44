#include "widgets/Theme.h"

#include <QStringList>

QFont Theme::Font(int pixelSize, bool bold, const QString& preferred)
{
    QFont font;
    QStringList families;
    if (!preferred.isEmpty())
        families << preferred;
    families << QStringLiteral("Noto Sans CJK SC") << QStringLiteral("Noto Sans") << QStringLiteral("DejaVu Sans");
    font.setFamilies(families);
    font.setPixelSize(pixelSize > 0 ? pixelSize : 13);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}
