#include "app/AppStartup.h"

#include "app/DpiAwareness.h"
#include "platform/BuildInfo.h"

#include <QScreen>
#include <cmath>

AppStartup::Action AppStartup::ChooseAction(const QStringList& arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--version"))
            return Action::Version;
        if (arguments[i] == QLatin1String("--help") || arguments[i] == QLatin1String("-h"))
            return Action::Help;
    }
    return Action::Run;
}

QString AppStartup::VersionText()
{
    return QStringLiteral("tarvo %1\n").arg(BuildInfo::Version());
}

QString AppStartup::HelpText()
{
    return QStringLiteral(
        "Usage: tarvo [-autorun] [Qt options]\n"
        "Configures Heron, Egret and Plover gaming mice and their 2.4 GHz receivers.\n"
        "\n"
        "  -autorun     start with the window hidden (the autostart entry passes it)\n"
        "  --version    print the version and exit\n"
        "  -h, --help   print this help and exit\n"
        "\n"
        "One window runs per user: starting Tarvo again brings it to the front.\n"
        "tarvoctl lists the attached mice from the command line (tarvoctl --help).\n"
        "\n"
        "Environment:\n"
        "  TARVO_DEBUG=1          trace what the program does, every report included\n"
        "  TARVO_PROGRAM_DIR      folder of config.xml, device/, language/ and skins/\n"
        "  TARVO_HIDAPI_LIBRARY   the hidapi library to load (libhidapi-hidraw.so.0)\n"
        "\n"
        "When Tarvo says a mouse is attached but may not be opened, install the udev\n"
        "rule 70-tarvo.rules (the package does) and plug the mouse in again.\n");
}

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
