#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/types.h>

// A program a test runs with an environment of its own, its standard output
// and standard error kept apart in files. Unlike QProcess it starts no thread
// in the test, so ThreadSanitizer keeps its view of the test's own threads.
class SpawnedProgram {
public:
    SpawnedProgram() = default;
    ~SpawnedProgram();
    SpawnedProgram(const SpawnedProgram&) = delete;
    SpawnedProgram& operator=(const SpawnedProgram&) = delete;

    bool Start(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment);
    // The exit code once the program has ended within timeoutMs; -1 when it
    // was ended by a signal or had to be killed.
    int Finish(int timeoutMs);

    QString Out() const;
    QString Err() const;

private:
    QTemporaryDir m_files;
    pid_t m_pid = -1;
};
