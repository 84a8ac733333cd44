#pragma once

#include "editors/Page.h"
#include "editors/PageControls.h"

#include <QString>

#include <array>

class CCheckButton;
class CRadioButton;
class CSwitchButton;
class MButton;
class MComboBox;
class NumberEdit;
class PageHost;

// The performance page: the sensor and button options of the mouse (lift-off
// distance, three sensor options, scroll direction, high-speed mode, button
// response time) and, in its device section, the power option (deep sleep),
// the firmware versions, pairing and the factory reset. Every edit is stored
// for the current profile first and then sent by the worker (tasks 12 to 17);
// the firmware, pairing and reset buttons are the main window's to handle.
class PerformancePage : public Page {
public:
    enum ControlId : int32_t {
        kAreaBackground = 207,
        kCaption = 209,
        kLiftOffBox = 210,
        kLiftOffCaption = 211,
        kLiftOffHelp = 212,
        kLiftOffLow = 213,
        kLiftOffHigh = 214,
        kScrollBox = 215,
        kSensorCaption = 216,
        kSensorHelp = 217,
        kSensorFirst = 218,
        kSensorSecond = 219,
        kSensorThird = 220,
        kSensorBox = 221,
        kScrollCaption = 222,
        kScrollFirst = 223,
        kScrollSecond = 224,
        kHighSpeedBox = 225,
        kHighSpeedCaption = 226,
        kHighSpeed = 227,
        kHighSpeedNote = 228,
        kResponseBox = 229,
        kResponseCaption = 230,
        kResponseTime = 231,
        kMouseSettingsBox = 232,
        kMouseSettingsCaption = 233,
        kMouseSettings = 234,
        // The device section.
        kDeviceBackground = 240,
        kMouseVersion = 241,
        kDeviceCaption = 242,
        kPowerCaption = 243,
        kPowerNote = 244,
        kReceiverVersion = 245,
        kFirmwareCaption = 246,
        kPowerBox = 247,
        kPairReceiver = 248,
        kFirmwareBox = 249,
        kServiceBox = 250,
        kFactoryReset = 251,
        kDeepSleepCaption = 253,
        kDeepSleep = 254,
    };

    explicit PerformancePage(PageHost& host)
        : m_host(host)
    {}

    int32_t TabItem() const override;
    uint32_t ReloadMask() const override;
    void Create(MDialog& dialog, MArea& container) override;
    void Layout(const MRect& area, float scale) override;
    void ApplyLanguage() override;
    void Reload() override { LoadPerformanceSettings(); }
    bool OnControl(int32_t id, int32_t code, intptr_t param) override;
    void OnPageEvent(const PageEvent& event) override;
    QString ProbeState() const override;

    // The options and the deep-sleep time from the store. Shows the nearest
    // valid state for stored values out of range; writes nothing.
    void LoadPerformanceSettings();

private:
    bool OnLiftOff();
    bool OnSensorOptions();
    bool OnScroll();
    bool OnHighSpeed();
    bool OnResponseTime(int32_t code);
    bool OnDeepSleep();
    bool OnMouseSettings();
    // Checks and locks the high-speed switch for the connection: on and
    // locked on the cable, free on the receiver, as it is without a mouse.
    void ApplyConnection(int32_t mode);
    void ShowVersions();
    void FillDeepSleep();
    QString SensorHelp() const;

    PageHost& m_host;
    PageControls m_controls;
    std::array<CRadioButton*, 2> m_liftOff{};
    std::array<CCheckButton*, 3> m_sensor{};
    std::array<CRadioButton*, 2> m_scroll{};
    CSwitchButton* m_highSpeed = nullptr;
    NumberEdit* m_response = nullptr;
    MComboBox* m_deepSleep = nullptr;
    MButton* m_mouseVersion = nullptr;
    MButton* m_receiverVersion = nullptr;
    // The versions of the last labelled texts ("1.2.3"), empty while unknown;
    // the labels are put before them in the current language.
    QString m_mouseFirmware;
    QString m_receiverFirmware;
    // The last layout, repeated when the texts change width.
    MRect m_area{};
    float m_scale = 1.0f;
};
