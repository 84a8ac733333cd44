#include "SkinPainter.h"

#include <QGuiApplication>
#include <cstdio>

// tarvo-skinpainter <output folder>: paints the default skin into the folder.
int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tarvo-skinpainter <output folder>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return SkinPainter(QString::fromLocal8Bit(argv[1])).PaintAll() ? 0 : 1;
}
