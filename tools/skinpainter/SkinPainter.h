#pragma once

#include <QString>

// Paints the default skin: every image the windows and controls name, as
// PNG strips of states, the animated "loading.gif", the icon and a top view
// of each mouse model. The output depends only on this code and the fonts.
class SkinPainter {
public:
    explicit SkinPainter(QString outputFolder);
    // Writes every image; false (and a message on stderr) when one fails.
    bool PaintAll();

private:
    bool Save(const class QImage& image, const QString& name);
    QString m_folder;
    bool m_ok = true;
};
