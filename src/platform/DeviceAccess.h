#pragma once

#include <QString>

// Whether this user may open an attached device, and if not, why. The HID
// library only says that an open failed; this tells a node kept from the user
// (a missing udev rule) apart from one that went away or failed otherwise.
class DeviceAccess {
public:
    enum class Result {
        Granted,
        PermissionDenied, // the node's owner, group, mode or ACL keep this user out
        Missing, // the node or its device is gone (unplugged meanwhile)
        Failed, // anything else (busy, out of descriptors, ...)
    };

    // The meaning of the error number a failed open left behind.
    static Result FromErrorNumber(int errorNumber);

    // Opens `path` for reading and writing, as the HID library does, and
    // closes it again at once; nothing is read or written.
    static Result Probe(const QString& path);

    // True when `path` names something in the file system, as the nodes of
    // the real HID library ("/dev/hidraw3") do; interface paths of other
    // libraries ("\\?\HID#...") are not probed.
    static bool IsNodePath(const QString& path);

    // Why the HID library could not open `path`: a probe when `path` is a
    // node (the most direct evidence), else the error number the library
    // left. Never Granted: an open that failed for no reason we can see is
    // Failed.
    static Result Explain(const QString& path, int errorNumber);

    // "permission denied", "missing", ... for logs and the command line.
    static QString Name(Result result);
};
