#pragma once

#include <functional>

// SIGTERM, SIGINT and SIGHUP (the session ending, Ctrl+C in a terminal, the
// terminal closing) turned into a call on the thread that runs the event loop,
// so they end the program the way its own exit does instead of killing it
// with its database unclosed. The handler itself only writes to a pipe.
class TerminationSignals {
public:
    // Installs the handlers; `onSignal` runs on the calling thread's event
    // loop, once per signal received. False when the pipe or a handler cannot
    // be set up (the signals then keep their default action). Call once.
    static bool Watch(std::function<void(int signal)> onSignal);
};
