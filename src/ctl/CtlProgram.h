#pragma once

#include <QString>
#include <QStringList>

#include "hid/DeviceWorker.h"

#include <cstdint>

class HidDeviceList;
class QTextStream;

// tarvoctl: Tarvo's command line over the same libraries as the window, with
// no widgets. Output for people by default, JSON with --json; errors go to
// `err` and the exit code says what happened (CtlExitCode.h).
class CtlProgram {
public:
    // What the program works with; the executable passes the process-wide
    // objects, tests their own.
    struct Context {
        HidDeviceList* hid = nullptr; // null: HidDeviceList::Instance()
        QString programFolder; // empty: Paths::ProgramFolder()
        QString runtimeFolder; // where a running window keeps its lock; empty: Paths::RuntimeFolder()
        int32_t statusRetryMs = 20; // between status queries, as the window's worker waits
        QString dataFolder; // the databases' folder's parent; empty: Paths::DataFolder()
        WorkerTimings timings; // of the worker tarvoctl runs when no window does
        int32_t lockWaitMs = 60000; // for another tarvoctl to finish with the mice
        int32_t windowTimeoutMs = 30000; // for a running window's answer
    };

    static int Run(const QStringList& arguments, QTextStream& out, QTextStream& err, const Context& context);
    static int Run(const QStringList& arguments, QTextStream& out, QTextStream& err);

    static QString HelpText();
    static QString VersionText(); // "tarvoctl 0.1.0\n"

    // True when a Tarvo window holds the single-instance lock in `runtimeFolder`.
    static bool WindowRunning(const QString& runtimeFolder);
    // The lock a tarvoctl holds while it drives the mice itself, and a starting
    // window waits for, so no two of them ever write to a mouse at once.
    static QString DeviceLockPath(const QString& runtimeFolder);
};
