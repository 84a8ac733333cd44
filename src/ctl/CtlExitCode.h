#pragma once

// tarvoctl's exit codes, as its --help documents them.
enum CtlExitCode : int {
    kCtlOk = 0,
    kCtlCannotRun = 1, // the program's own files (config.xml) are missing or broken
    kCtlBadArguments = 2, // nothing was done
    kCtlNoDevice = 3, // no mouse or receiver of ours is attached
    kCtlDeviceError = 4, // attached, but it could not be opened, or it failed
};
