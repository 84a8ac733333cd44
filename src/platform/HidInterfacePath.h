#pragma once

#include <QString>

// Device-change paths have one form on every platform:
//   \\?\HID#VID_7768&PID_6D25&MI_01#<instance>#{4d1e55b2-f16f-11cf-88cb-001111000030}
// On udev the instance is the hidraw node's name, so a path maps back to its node.
class HidInterfacePath {
public:
    // From a hidraw device's parent HID_ID ("0003:00007768:00006D25") and
    // HID_PHYS ("usb-0000:00:14.0-1/input1"; MI_00 without "/inputN") and the
    // node name ("hidraw3"). Empty when HID_ID is malformed.
    static QString FromUdev(QString const& hidId, QString const& hidPhys, QString const& nodeName);

    // "/dev/hidrawN" for a path built by FromUdev (in any letter case), else empty.
    static QString DeviceNode(QString const& path);

    static QString InterfaceClass() { return QStringLiteral("{4d1e55b2-f16f-11cf-88cb-001111000030}"); }
};
