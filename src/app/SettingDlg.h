#pragma once

#include "platform/AutostartEntry.h"
#include "widgets/MDialog.h"

#include <QString>
#include <QUrl>

#include <functional>

class CCheckButton;
class UserSettings;

// The settings dialog: the interface language, start at login, what the
// close button does, desktop notifications, and on its second page the
// version, the update check and the maker's web links. Every choice is
// written at once; a language choice also re-labels the main window
// (message 2022 to the parent).
class SettingDlg : public MDialog {
public:
    enum ControlId : int32_t {
        kCaptionBand = 30,
        kCloseButton = 31,
        kTitle = 32,
        kTabs = 33,
        kPageBackground = 34,
        kGeneralPage = 35,
        kAboutPage = 36,
        kLanguageLabel = 39,
        kLanguageBox = 40,
        kStartupCaption = 41,
        kAutorun = 42,
        kStartMinimized = 43,
        kStartupGroup = 44,
        kExitGroup = 45,
        kGroupCaption = 46, // the exit-mode caption, and the tray group's
        kExitToTray = 47, // also the tray group's radio button
        kExitProgram = 48,
        kTrayGroup = 49,
        kNotices = 50,
        kVersionLabel = 51,
        kVersion = 52,
        kCheckUpdates = 53,
        kLogo = 54,
        kWebsite = 55,
        kStore = 56,
        kDownloads = 57,
        kCopyright = 58,
    };
    static constexpr int32_t kWidth = 800;
    static constexpr int32_t kHeight = 500;

    struct Services {
        UserSettings* settings = nullptr; // the program's settings file; must be open
        AutostartEntry autostart;
        QString programPath; // what the autostart entry starts
        // The update check of the check button; empty while updates are off
        // (the button then says there is nothing newer).
        std::function<void(WindowHandle dialog)> checkForUpdates;
        // Opens a web address in the desktop's browser; empty: the desktop's opener.
        std::function<bool(const QUrl&)> openAddress;
    };

    SettingDlg(Services services, QString version);
    ~SettingDlg() override;

    // Creates the dialog centred on the screen and runs it modally.
    int32_t Run(WindowHandle parent);
    // Creates the window (hidden) centred on the screen, for a caller that
    // shows it itself.
    bool Open(WindowHandle parent);

    void OnInitDialog() override;
    void InitUI(const MRect& client) override;
    intptr_t OnMessage(int32_t id, int32_t code, intptr_t param, intptr_t lParam) override;

    // Sets every text again from the current language.
    void ApplyLanguage();
    // The web links' addresses.
    static QUrl LinkAddress(int32_t id);

private:
    void ChooseLanguage(int32_t index);
    void OnAutorun();
    void WriteProbeLine(const QString& event) const;
    CCheckButton* Check(int32_t id) const;

    Services m_services;
    QString m_version;
    WindowHandle m_parent = 0;
};
