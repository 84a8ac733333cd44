#include "app/AppMessages.h"
#include "app/AppStartup.h"
#include "app/DeviceMainDlg.h"
#include "app/InstanceChannel.h"
#include "ctl/CtlProgram.h"
#include "language/InterfaceText.h"
#include "language/Language.h"
#include "platform/HeapTuning.h"
#include "platform/Locale.h"
#include "platform/Paths.h"
#include "platform/TerminationSignals.h"
#include "platform/UserSettings.h"
#include "store/SettingsStore.h"
#include "widgets/Manager.h"
#include "widgets/WindowRegistry.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QLockFile>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
// Longer than any one tarvoctl command takes: a profile sent to a mouse that
// stops answering waits out every report (about 25 s); the bound is for a
// tarvoctl that hangs, and as long as one tarvoctl waits for another.
constexpr int kCtlWaitMs = 60000;

// With TARVO_STARTUP_PROBE set, prints one line when the main window has first
// been drawn, for the start-up benchmark and the screen tests.
class StartupProbe : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_reported && event->type() == QEvent::Paint) {
            m_reported = true;
            // Told once the whole first drawing is done, children included.
            QTimer::singleShot(0, this, [] {
                std::fprintf(stdout, "tarvo: window shown\n");
                std::fflush(stdout);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_reported = false;
};

// With TARVO_STALL_PROBE set, a heartbeat on the interface thread every 5 ms;
// once a second it prints the longest gap between two beats in that second
// ("tarvo: heartbeat max-gap=<ms>"), so a benchmark sees whether anything held
// the interface thread up. Costs a timer, so only on request.
class StallProbe : public QObject {
public:
    void Start()
    {
        m_beat.start();
        m_second.start();
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { Beat(); });
        m_timer.start(5);
    }

private:
    void Beat()
    {
        m_maxGapMs = std::max(m_maxGapMs, m_beat.restart());
        if (m_second.elapsed() < 1000)
            return;
        std::fprintf(stdout, "tarvo: heartbeat max-gap=%lld\n", static_cast<long long>(m_maxGapMs));
        std::fflush(stdout);
        m_maxGapMs = 0;
        m_second.restart();
    }

    QTimer m_timer;
    QElapsedTimer m_beat;
    QElapsedTimer m_second;
    qint64 m_maxGapMs = 0;
};
} // namespace

// Returns 0 when another instance was already running and after --version or
// --help, 1 after a normal run.
int main(int argc, char** argv)
{
    // Before QApplication: these answers need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    switch (AppStartup::ChooseAction(arguments)) {
    case AppStartup::Action::Version:
        std::fputs(AppStartup::VersionText().toLocal8Bit().constData(), stdout);
        return 0;
    case AppStartup::Action::Help:
        std::fputs(AppStartup::HelpText().toLocal8Bit().constData(), stdout);
        return 0;
    case AppStartup::Action::Run:
        break;
    }

    HeapTuning::KeepLargeBlocksApart();
    QApplication app(argc, argv);
    const QString name = Manager::GetDeviceName();
    QCoreApplication::setApplicationName(name);

    const double windowScale = AppStartup::WindowScaleFor(QGuiApplication::primaryScreen());

    InstanceChannel channel(name);
    if (channel.ClaimFirst() == InstanceChannel::Claim::Other) {
        // Brings the first window to the front; one that is still starting
        // has no window yet and the second start ends silently.
        if (channel.AskToShow() == InstanceChannel::ShowResult::NoAnswer)
            std::fprintf(stderr, "tarvo: another instance holds %s but does not answer on %s\n",
                qPrintable(channel.LockPath()), qPrintable(channel.SocketPath()));
        return 0;
    }
    channel.Listen();
    {
        // A tarvoctl that drives the mice itself finishes its exchange before
        // this window opens them; later ones hand their commands to the window.
        QLockFile devices(CtlProgram::DeviceLockPath(InstanceChannel::DefaultFolder()));
        devices.setStaleLockTime(0);
        if (!devices.tryLock(0)) {
            std::fprintf(stderr, "tarvo: tarvoctl is busy with the mice; waiting for it to finish\n");
            if (!devices.tryLock(kCtlWaitMs))
                std::fprintf(stderr, "tarvo: %s is still held after %d s; opening the mice all the same\n",
                    qPrintable(devices.fileName()), kCtlWaitMs / 1000);
        }
    }

    const QString programFolder = Paths::ProgramFolder();
    InterfaceText::SetProgramFolder(programFolder);
    const int userLcid = Locale::UserInterfaceLcid();
    const int chosen = UserSettings::ChooseStartupLanguage(Paths::SettingsFilePath(), userLcid);
    Language::SetCurrent(InterfaceText::UsableLanguage(chosen, userLcid));
    Manager::SetInstance(&app);
    Paths::PrepareDataFolder();
    Manager::SetProgramFolder(programFolder);

    const bool autorun = AppStartup::HasAutorunSwitch(QCoreApplication::arguments());

    // Started before the window: its first gap covers the window's start-up.
    StallProbe heartbeat;
    if (!qEnvironmentVariableIsEmpty("TARVO_STALL_PROBE"))
        heartbeat.Start();

    DeviceMainDlg::Services services;
    services.channel = &channel;
    DeviceMainDlg dialog(services);
    const MRect rect{0, 0, int32_t(std::lround(DeviceMainDlg::kDesignWidth * windowScale)),
        int32_t(std::lround(DeviceMainDlg::kDesignHeight * windowScale))};
    if (!dialog.Create(0, name, kWsDialog, 0, rect)) {
        std::fprintf(stderr, "tarvo: cannot create the main window\n");
        return 1;
    }
    dialog.CenterWindow();
    StartupProbe probe;
    if (!qEnvironmentVariableIsEmpty("TARVO_STARTUP_PROBE") && dialog.GetWidget())
        dialog.GetWidget()->installEventFilter(&probe);
    // The session ending or Ctrl+C end the program as its own exit does:
    // the worker stopped, the database closed with everything in its file.
    const WindowHandle window = dialog.GetSafeHwnd();
    TerminationSignals::Watch([window](int) { PostMessage(window, AppMessages::kQuit, 0, AppMessages::kQuitKey); });

    dialog.ShowModal(autorun ? kSwHide : kSwShowNormal);
    // The window closed without the program's own exit: the database is
    // closed here all the same, so its file holds everything.
    SettingsStore::Instance().CloseDatabase();
    return 1;
}
