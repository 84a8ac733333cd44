#include "SkinPainter.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstring>

// tarvo-skinpainter <output folder>: paints the default skin into the folder.
// tarvo-skinpainter --icons <output folder>: the desktop's icons of the program.
int main(int argc, char** argv)
{
    const bool icons = argc == 3 && std::strcmp(argv[1], "--icons") == 0;
    if (argc != 2 && !icons) {
        std::fprintf(stderr, "usage: tarvo-skinpainter [--icons] <output folder>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (icons)
        return SkinPainter::PaintDesktopIcons(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const bool ok = SkinPainter(folder, 1).PaintAll();
    return ok && SkinPainter(folder, 2).PaintAll() ? 0 : 1;
}
