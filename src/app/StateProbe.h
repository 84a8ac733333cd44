#pragma once

#include <QString>

#include <vector>

class CDeviceList;
class MControl;
class MTabCtrl;

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
// " selected=TYPE item=TYPE:CABLE/RECEIVER:DETAIL:BATTERYSTATUS/LEVEL@x,y ..."
// for the model list.
QString DeviceItems(const CDeviceList& list);
// " tabitem=ID@x,y ..." for the visible tab items.
QString TabItems(const MTabCtrl& tabs);
// " ctl=ID@x,y ..." for the visible controls inside `container`, with the
// items of lists as " ctlitem=ID.N@x,y".
QString ControlsWithin(const MControl& container, const std::vector<MControl*>& controls);

} // namespace StateProbe
