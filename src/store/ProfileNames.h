#pragma once

#include <QString>

// Profile names are stored in whichever language was current when they were
// made. Shown, a leading profile word of another language becomes the current
// language's word; the rest of the name, its leading blank included, stays.
class ProfileNames {
public:
    // `name` as shown under `lcid`; unchanged for languages without a profile
    // word and for names that start with no known word.
    static QString Localise(const QString& name, int lcid);
};
