#pragma once

#include "ctl/CtlCommand.h"

#include <QString>
#include <QStringList>

// tarvoctl's command line: options anywhere, then the command's words.
struct CtlArguments {
    enum class Action {
        None, // only meaningful together with an error
        Help, // --help or -h anywhere: wins over everything else
        Version, // --version anywhere
        Run, // the command in `command`
    };

    Action action = Action::None;
    CtlCommand command;
    bool json = false; // --json: output for scripts
    QString error; // set when the arguments are bad (exit code 2)

    // The program path (the first entry) is not looked at. "--model NAME"
    // (or "--model=NAME") chooses the model for every command; so does
    // `show NAME`, and both at once must agree.
    static CtlArguments Parse(const QStringList& arguments);
};
