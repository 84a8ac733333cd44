#pragma once

#include <QString>

class MControl;

// With TARVO_STATE_PROBE set, the program prints one line on standard output
// for each change a user would see in its dialogs ("tarvo: box ...",
// "tarvo: dialog ..."), beside the main window's "tarvo: state ..." lines,
// so a test driving the real program knows what is shown and where to click.
namespace StateProbe {

bool Enabled();
// "tarvo: " + text, flushed at once; nothing when the probe is off.
void Line(const QString& text);
// "x,y": the centre of a control in screen coordinates.
QString ScreenCentre(const MControl* control);

} // namespace StateProbe
