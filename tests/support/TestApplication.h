#pragma once

#include <QCoreApplication>

#include <string>

// The test program's application object, made on first use: event loops,
// timers and socket notifiers need one. `name` is its argv[0] (the first
// call's), as the program would have it.
inline QCoreApplication& TestApplication(const char* name)
{
    static std::string program = name;
    static int argc = 1;
    static char* argv[] = {program.data(), nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
    return *QCoreApplication::instance();
}
