#pragma once

#include <QString>
#include <QStringList>

// tarvoctl's command line: options anywhere, one command word.
struct CtlArguments {
    enum class Command {
        None, // only meaningful together with an error
        Help, // --help or -h anywhere: wins over everything else
        Version, // --version anywhere
        List,
    };

    Command command = Command::None;
    bool json = false; // --json: output for scripts
    QString error; // set when the arguments are bad (exit code 2)

    // The program path (the first entry) is not looked at.
    static CtlArguments Parse(const QStringList& arguments);
};
