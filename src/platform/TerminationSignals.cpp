#include "platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

int g_writeEnd = -1;

void OnSignal(int signal)
{
    // Only what is safe in a signal handler: one write, errno kept.
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_writeEnd, &byte, 1);
    errno = saved;
}

} // namespace

bool TerminationSignals::Watch(std::function<void(int signal)> onSignal)
{
    if (g_writeEnd >= 0)
        return false;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    g_writeEnd = ends[1];
    const int readEnd = ends[0];

    // Lives as long as the process: a signal may come at any time.
    static std::unique_ptr<QSocketNotifier> notifier;
    notifier = std::make_unique<QSocketNotifier>(readEnd, QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(), [readEnd, onSignal] {
        unsigned char byte = 0;
        while (::read(readEnd, &byte, 1) == 1)
            onSignal(byte);
    });

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    bool installed = true;
    for (const int signal : std::array{SIGTERM, SIGINT, SIGHUP})
        installed = ::sigaction(signal, &action, nullptr) == 0 && installed;
    return installed;
}
