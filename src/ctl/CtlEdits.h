#pragma once

#include "ctl/CtlButtons.h"
#include "ctl/CtlCommand.h"

#include <QJsonObject>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

class CtlHost;

// The settings of the current profile as `show` prints them.
struct ProfileSettings {
    int32_t deviceType = 0;
    QString modelName;
    int32_t profileNumber = 0; // 1 to 4, its place in the profile list; 0 when not listed
    QString profileName;
    std::array<int32_t, 6> dpi{};
    int32_t dpiCount = 0; // 1 to 6
    int32_t dpiIndex = 0; // 1-based
    int32_t reportRate = 0; // Hz; 0 for a code no rate has
    double liftOff = 0; // mm
    std::array<bool, 3> sensor{}; // motion sync, angle snapping, ripple control
    int32_t scroll = 0; // 0 standard, 1 reversed
    bool highSpeed = false;
    int32_t responseTime = 0; // ms
    int32_t deepSleep = 0; // s
    std::vector<ButtonShown> buttons; // all but the left button
    // False when the mouse did not answer: the values are the store's alone,
    // without what the mouse reports of itself (its DPI level, report rate).
    bool mouseAnswered = true;
};

// What a command did: the exit code, the lines for stderr (why it failed, or
// what an import did not take as it stood), and the output for people and
// for scripts when it did not fail.
struct CtlOutcome {
    int code = 0;
    QString error;
    QString text;
    QJsonObject json;
};

// tarvoctl's commands applied to a host, each through the edits the pages
// make (SettingEdits), so the values are held to the same rules, stored for
// the current profile and sent by the same tasks. Checks that depend on the
// model or the stored profile come before anything is stored: a refused
// command changes nothing.
namespace CtlEdits {

// Every command but list, which is not the host's. The tasks
// go to the host's QueueTask; the caller sends them.
CtlOutcome Apply(const CtlCommand& command, CtlHost& host, const QString& modelName);

ProfileSettings Read(CtlHost& host, const QString& modelName);
// `show` from the store alone, for a mouse that did not answer: the note for
// stderr says so and what is missing, and the JSON says "mouse_answered": false.
CtlOutcome ShowStored(CtlHost& host, const QString& modelName);
// "dpi: 1=400 2=800* 3=1200 ..." with the current level starred.
QString SettingLine(const ProfileSettings& settings, CtlVocabulary::Setting setting);
QString Text(const ProfileSettings& settings);
QJsonObject Json(const ProfileSettings& settings);

} // namespace CtlEdits
