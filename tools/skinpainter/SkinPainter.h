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

private:
    bool Save(const class QImage& image, const QString& name);
    QString m_folder;
    int m_scale;
    bool m_ok = true;
};
