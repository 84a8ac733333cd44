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
    void OnMinimize() override { Record("Minimize"); }
    // Beside the real pages, one that records what the window tells the pages.
    std::vector<std::unique_ptr<Page>> CreatePages() override;

public:
    // Stands in for the registry: the guards see `reachable`, and the status
    // text shows what the registry would show for it.
    void SetReachable(bool reachable, int32_t mode);
    bool IsReachableNow() const override { return m_reachable; }
    void Record(const std::string& name, int32_t value = 0);

private:
    WorkerPasses m_passes;
    bool m_reachable = false;
};

// A private HID list (no hidapi) and store for one test.
struct AppFixtureServices {
    AppFixtureServices();
    ~AppFixtureServices();
    // The window's services on these, with the program folder given, the data
    // and settings in the private folder and the worker's waits as given.
    DeviceMainDlg::Services ForWindow(const QString& programFolder, WorkerTimings timings = {0, 0, 0, 0, 0, 0, 0});
    QTemporaryDir m_dir;
    std::unique_ptr<HidDeviceList> m_hid;
    std::unique_ptr<SettingsStore> m_store;
};

// Reads a language file the way the program's format says: section [LAN],
// "id=text" lines. Ids mapped to texts.
std::map<int, QString> ReadLanguageFile(const QString& path);
