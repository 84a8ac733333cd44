#pragma once

#include "store/StoreRecords.h"

#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <vector>

class SettingsStore;

// What one button does, in the words `tarvoctl button N` takes, so a line of
// `show` can be typed back. Macros, programs, web addresses and text
// snippets go by their stored names; the command line cannot assign those.
struct ButtonShown {
    int32_t button = 0; // as `button N` counts: 1 is the one after the left button
    int32_t keyCode = 0; // the button's code, its place in the mouse's button map
    QString function; // mouse, key, media, shortcut, dpi, disable, macro, program, web, text
    QString name; // the function's name, [MODIFIER+]...KEY, or the stored name; empty for dpi and disable
    bool settable = true; // `button N` takes function and name back
    bool factory = false; // nothing stored: the model's own function

    // "mouse right-click", "key ctrl+f5", "dpi", "macro \"Jump\"".
    QString Words() const;
    QJsonObject Json() const;
};

namespace CtlButtons {

// Every button but the left one, in the model's order (`buttons`: the
// description's default keys), with what the store holds for `profile` or,
// where it holds nothing the mouse would be sent, the model's own function.
std::vector<ButtonShown> List(SettingsStore& store, int32_t profile, const std::vector<KeyAssignment>& buttons);

} // namespace CtlButtons
