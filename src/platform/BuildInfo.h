#pragma once

#include <QString>

// What this build of Tarvo is.
class BuildInfo {
public:
    // The version of the package, "0.1.0".
    static QString Version();
};
