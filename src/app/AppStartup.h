#pragma once

#include <QStringList>

class QScreen;

// The decisions of the program's start that do not need a window.
class AppStartup {
public:
    enum class Action {
        Run,     // start (or raise) the window
        Version, // print VersionText() and end with 0
        Help,    // print HelpText() and end with 0
    };
    // "--version", "--help" or "-h" as a whole argument ends the program
    // before any window, device or settings file is touched; the first of
    // them counts. Anything else, Qt's own options included, is left to the
    // window. The program path (the first entry) is not looked at.
    static Action ChooseAction(const QStringList& arguments);
    static QString VersionText(); // "tarvo 0.1.0\n"
    static QString HelpText();

    // "-autorun" anywhere in the arguments, also inside a longer one; the
    // match is case-sensitive. The program path (the first entry) is not looked at.
    static bool HasAutorunSwitch(const QStringList& arguments);
    // The DPI decision for the primary screen, and the factor the main
    // window's size is multiplied by to apply it.
    static double WindowScaleFor(const QScreen* screen);
};
