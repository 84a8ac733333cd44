#pragma once

#include "app/DeviceMainDlg.h"
#include "hid/HidDeviceList.h"
#include "store/SettingsStore.h"

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class CUIMessageBox;

void ProcessEvents();
// Runs the event loop until `done` or about five seconds have passed.
bool WaitUntil(const std::function<bool()>& done);

// What a message box showed, as the created hook saw it.
struct ShownBox {
    QString caption;
    QString message;
    int32_t style;
};

// Answers every message box with `answer` (1 first button, 2 second) by
// clicking it, and records what each box showed. Restores the hook when gone.
class BoxAnswerer {
public:
    explicit BoxAnswerer(int32_t answer);
    ~BoxAnswerer();
    std::vector<ShownBox> m_shown;

private:
    int32_t m_answer;
};

// The main window with every hook recorded and, unless asked, no worker
// passes, so the task queue can be inspected.
class TestMainDlg : public DeviceMainDlg {
public:
    struct Calls {
        std::vector<std::string> names;
        std::vector<std::thread::id> threads;
        std::vector<int32_t> values;
    };
    enum class WorkerPasses { Off, On };

    TestMainDlg(HidDeviceList& hid, SettingsStore& store, WorkerPasses passes = WorkerPasses::Off);
    ~TestMainDlg() override { StopWorker(); }
    // Creates the 1280 x 780 window and shows it.
    void Open();
    std::vector<std::string> TakeNames();
    bool Called(const std::string& name) const;

    Calls m_calls;
    std::vector<int32_t> m_exitCodes;

    using DeviceMainDlg::ExitProgram;

protected:
    void Run() override;
    void OnTrayNotify(intptr_t) override { Record("OnTrayNotify"); }
    void AddTrayIcon() override { Record("AddTrayIcon"); }
    void RemoveTrayIcon() override { Record("RemoveTrayIcon"); }
    void LoadConfiguration() override { Record("LoadConfiguration"); }
    void SetUpdateBase() override { Record("SetUpdateBase"); }
    void OnDeviceChange(uintptr_t, intptr_t) override { Record("OnDeviceChange"); }
    void OnUpdateResult(uintptr_t, intptr_t) override { Record("OnUpdateResult"); }
    void OpenProfilesDialog() override { Record("OpenProfilesDialog"); }
    void ImportProfile(intptr_t) override { Record("ImportProfile"); }
    void ExportProfile(intptr_t) override { Record("ExportProfile"); }
    void OpenSettingsDialog() override { Record("OpenSettingsDialog"); }
    void SelectModel() override { Record("SelectModel"); }
    void PairReceiver() override { Record("PairReceiver"); }
    void OpenCharacterMap() override { Record("OpenCharacterMap"); }
    void OpenMouseSettings() override { Record("OpenMouseSettings"); }
    void OnMacroListCommand(uintptr_t, intptr_t) override { Record("OnMacroListCommand"); }
    void OnMacroEventEdit(uint32_t, uintptr_t, intptr_t) override { Record("OnMacroEventEdit"); }
    intptr_t ButtonPageMessage(int32_t, int32_t, intptr_t) override { Record("ButtonPage"); return 1; }
    intptr_t DpiPageMessage(int32_t, int32_t, intptr_t) override { Record("DpiPage"); return 1; }
    intptr_t MacroPageMessage(int32_t, int32_t, intptr_t) override { Record("MacroPage"); return 1; }
    intptr_t TextPageMessage(int32_t, int32_t, intptr_t) override { Record("TextPage"); return 1; }
    intptr_t LightingPageMessage(int32_t, int32_t, intptr_t) override { Record("LightingPage"); return 1; }
    intptr_t PerformancePageMessage(int32_t, int32_t, intptr_t) override { Record("PerformancePage"); return 1; }
    void ApplyLanguageToPages() override { Record("ApplyLanguageToPages"); }
    void OnMinimize() override { Record("Minimize"); }
    void OnDpiLevel(int32_t index) override { Record("OnDpiLevel", index); }
    void OnReloadPages(uint32_t pages) override { Record("OnReloadPages", int32_t(pages)); }
    void OnMouseVersion(const QString&) override { Record("OnMouseVersion"); }

private:
    void Record(const std::string& name, int32_t value = 0);
    WorkerPasses m_passes;
};

// A private HID list (no hidapi) and store for one test.
struct AppFixtureServices {
    AppFixtureServices();
    ~AppFixtureServices();
    QTemporaryDir m_dir;
    std::unique_ptr<HidDeviceList> m_hid;
    std::unique_ptr<SettingsStore> m_store;
};

// Reads a language file the way the program's format says: section [LAN],
// "id=text" lines. Ids mapped to texts.
std::map<int, QString> ReadLanguageFile(const QString& path);
