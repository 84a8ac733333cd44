#pragma once

#include "editors/InputCapture.h"
#include "editors/Page.h"
#include "editors/PageHost.h"
#include "platform/DesktopActions.h"
#include "store/SettingsStore.h"
#include "widgets/MDialog.h"

#include <QTemporaryDir>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The user's desktop, recorded: "url|<address>", "program|<path>|<arg>|...",
// "type|<text>", "charmap". Each call answers with `m_result` (programs: the
// path must also be executable).
class FakeDesktop : public DesktopActions {
public:
    bool OpenWebAddress(const QUrl& address) override;
    bool StartProgram(const QString& program, const QStringList& arguments) override;
    bool TypeText(const QString& text) override;
    bool OpenCharacterMap() override;

    std::vector<std::string> m_calls;
    bool m_result = true;
};

// The rest of the program as a page sees it, recorded: a private store of its
// own (a fresh database with four profiles), the tasks queued, the restore
// selector, every question and notice. Questions are answered with `answer`.
// Captures run through a real InputCapture on the page's window.
class FakePageHost : public PageHost {
public:
    FakePageHost();
    ~FakePageHost() override;

    SettingsStore& Store() override { return m_store; }
    void QueueTask(WorkerTask task) override { m_tasks.push_back(TaskCode(task)); }
    void SetPendingRestore(int32_t selector) override { m_pendingRestore = selector; }
    int32_t CurrentProfile() const override { return m_profile; }
    int32_t CurrentDeviceType() const override { return m_deviceType; }
    int32_t CurrentConnectionMode() const override { return m_connectionMode; }
    DeviceDescription Description() const override { return m_description; }
    std::vector<KeyAssignment> DefaultKeys() const override { return m_defaultKeys; }
    bool Ask(const QString& message, const QString& caption) override;
    void Tell(const QString& message, const QString& caption) override;
    QString ChooseFile(FileDialog kind, const QString& title, const QString& filter, const QString& suggested) override;
    void SelectTab(int32_t index) override { m_selectedTabs.push_back(index); }
    WindowHandle Window() const override { return m_window; }
    MRect MousePictureRect() const override { return m_pictureRect; }
    void NotifyPages(const PageEvent& event) override;
    void BeginCapture(int32_t mode, CaptureSink& sink) override;
    void EndCapture(CaptureSink& sink) override { m_capture.End(sink); }
    DesktopActions& Desktop() override { return m_desktop; }
    void StoreWriteFailed() override { ++m_storeFailures; }
    void LockFrame(bool locked) override { m_frameLocked = locked; }

    // The configuration value of the current profile as stored ("" when missing).
    QString Stored(const QString& key);
    // Every configuration key of the current profile with its stored value.
    std::map<QString, QString> StoredConfig();
    // Forgets the tasks, questions and notices so far.
    void Clear();

    QTemporaryDir m_dir;
    SettingsStore m_store;
    int32_t m_profile = 1;
    int32_t m_deviceType = 101;
    int32_t m_connectionMode = 0;
    DeviceDescription m_description;
    std::vector<KeyAssignment> m_defaultKeys;
    bool m_answer = true;
    QString m_chosenFile; // what the next file dialog returns ("" = cancelled)
    WindowHandle m_window = 0;
    MRect m_pictureRect;
    FakeDesktop m_desktop;
    InputCapture m_capture;
    // Pages that hear NotifyPages besides the record (a second page under test).
    std::vector<Page*> m_listeners;

    std::vector<int32_t> m_tasks;
    int32_t m_pendingRestore = 0;
    std::vector<std::string> m_asked; // "caption|message"
    std::vector<std::string> m_told; // "caption|message"
    std::vector<int32_t> m_selectedTabs;
    std::vector<std::string> m_fileDialogs; // "open|title|filter" or "save|..."
    std::vector<PageEvent::Kind> m_notified;

    int m_storeFailures = 0;
    bool m_frameLocked = false;
};

// A window of the main window's size holding one page in a container where
// the main window puts it, so tests drive the page's controls with real
// gestures; every notification goes to the page as the main window routes it.
class PageTestWindow : public MDialog {
public:
    // `makePage` is called with the host once the window exists.
    PageTestWindow(FakePageHost& host, std::function<std::unique_ptr<Page>(PageHost&)> makePage);
    ~PageTestWindow() override;

    // Creates the 1280 x 780 window, shows it and reloads the page once.
    void Open();
    Page& GetPage() { return *m_page; }
    MArea* Container() const { return m_container; }
    // What OnMessage returned for each notification, in order.
    std::vector<intptr_t> m_results;

    void InitUI(const MRect& client) override;
    void UISize(const MRect& client) override;
    intptr_t OnMessage(int32_t id, int32_t code, intptr_t param, intptr_t lParam) override;
    intptr_t OnWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;

private:
    FakePageHost& m_host;
    std::function<std::unique_ptr<Page>(PageHost&)> m_makePage;
    std::unique_ptr<Page> m_page;
    MArea* m_container = nullptr;
};

// Runs the event loop until nothing is pending.
void ProcessPageEvents();
// A real left click at `at` (the widget's coordinates), and what it caused.
void ClickAt(QWidget* widget, const QPoint& at);
// A click in the middle of control `id`; the test fails when it is missing or hidden.
void ClickControl(MDialog& window, int32_t id);
