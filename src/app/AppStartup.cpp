#include "app/AppStartup.h"

#include "app/DpiAwareness.h"

#include <QScreen>
#include <cmath>

bool AppStartup::HasAutorunSwitch(const QStringList& arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i].contains(QLatin1String("-autorun"), Qt::CaseSensitive))
            return true;
    }
    return false;
}

double AppStartup::WindowScaleFor(const QScreen* screen)
{
    if (!screen)
        return 1.0;
    const double ratio = screen->devicePixelRatio();
    const QSize logical = screen->geometry().size();
    const int32_t width = int32_t(std::lround(logical.width() * ratio));
    const int32_t height = int32_t(std::lround(logical.height() * ratio));
    // The effective DPI: what the desktop's scale makes of the 96-DPI baseline.
    const int32_t dpi = int32_t(std::lround(screen->logicalDotsPerInchX() * ratio));
    return DpiAwareness::WindowScale(DpiAwareness::ShouldBeDpiAware(width, height, dpi), ratio);
}
