#pragma once

#include <QString>

// Paints the default skin: every image the windows and controls name, as
// PNG strips of states, the animated "loading.gif", the icon and a top view
// of each mouse model. The output depends only on this code and the fonts.
class SkinPainter {
public:
    // `scale` 2 writes the "@2x" variants of the images.
    SkinPainter(QString outputFolder, int scale);
    // Writes every image; false (and a message on stderr) when one fails.
    bool PaintAll();
    // The application icon, `pixels` square.
    static class QImage AppIcon(int pixels);
    // The icon theme's copies of the application icon:
    // <folder>/hicolor/<n>x<n>/apps/tarvo.png for the usual sizes.
    static bool PaintDesktopIcons(const QString& folder);

private:
    bool Save(const class QImage& image, const QString& name);
    QString m_folder;
    int m_scale;
    bool m_ok = true;
};
