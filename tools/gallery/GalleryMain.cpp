#include "GalleryDlg.h"

#include "widgets/Manager.h"
#include "widgets/WindowRegistry.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cstdio>

// tarvo-gallery [--screenshot FILE]: shows every control; with --screenshot
// it saves the window as the screen shows it and exits (0 when saved).
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QString screenshot;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--screenshot"))
            screenshot = args[i + 1];
    }
    GalleryDlg dialog;
    dialog.Create(0, Manager::GetDeviceName() + QStringLiteral(" gallery"), kWsDialog, 0,
        {0, 0, GalleryDlg::kWidth, GalleryDlg::kHeight});
    dialog.CenterWindow();
    int exitCode = 0;
    if (!screenshot.isEmpty()) {
        // Give the window manager and the animation a moment, then capture.
        QTimer::singleShot(1500, [&] {
            QWidget* window = dialog.GetWidget();
            QPixmap shot = window->screen() ? window->screen()->grabWindow(window->winId()) : QPixmap();
            if (shot.isNull() || shot.width() < window->width())
                shot = window->grab();
            exitCode = shot.save(screenshot) ? 0 : 1;
            if (exitCode != 0)
                std::fprintf(stderr, "tarvo-gallery: cannot save %s\n", qPrintable(screenshot));
            dialog.EndModal(exitCode);
        });
    }
    dialog.ShowModal(kSwShow);
    return exitCode;
}
