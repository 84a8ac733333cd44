#pragma once

#include "ctl/CtlEdits.h"
#include "devices/ModelEntry.h"
#include "hid/DeviceWorker.h"

#include <QString>

#include <vector>

class HidDeviceList;
struct CtlCommand;

// A tarvoctl command carried out by tarvoctl itself, when no Tarvo window
// drives the mice: the model's interface opened, its database opened, the
// mouse read as the window's worker reads it, the command applied to the
// store, and its tasks run by a DeviceWorker of our own until the mouse
// acknowledged them. The caller holds the lock that keeps other tarvoctl
// processes and a starting window away meanwhile.
class CtlDirect {
public:
    struct Setup {
        HidDeviceList* hid = nullptr;
        std::vector<ModelEntry> models; // config.xml's, in its order
        QString dataFolder; // with a trailing '/'
        QString programFolder; // of the device descriptions, with a trailing '/'
        WorkerTimings timings;
    };

    static CtlOutcome Run(const CtlCommand& command, const Setup& setup);

    // The model `name` names: its name with blanks as '-' ("heron-pro"),
    // its device type ("101") or its description stem, any case; null when
    // none does.
    static const ModelEntry* FindModel(const std::vector<ModelEntry>& models, const QString& name);
    // "heron-pro, heron, egret-pro, ..." for messages.
    static QString ModelNames(const std::vector<ModelEntry>& models);
};
