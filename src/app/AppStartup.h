#pragma once

#include <QStringList>

class QScreen;

// The decisions of the program's start that do not need a window.
class AppStartup {
public:
    // "-autorun" anywhere in the arguments, also inside a longer one; the
    // match is case-sensitive. The program path (the first entry) is not looked at.
    static bool HasAutorunSwitch(const QStringList& arguments);
    // The DPI decision for the primary screen, and the factor the main
    // window's size is multiplied by to apply it.
    static double WindowScaleFor(const QScreen* screen);
};
