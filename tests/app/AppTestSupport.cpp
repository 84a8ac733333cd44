#include "AppTestSupport.h"

#include "app/CUIMessageBox.h"
#include "language/InterfaceText.h"
#include "language/Language.h"
#include "language/TextIds.h"
#include "widgets/MControlFont.h"
#include "widgets/Manager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

// The tests run inside main's QApplication, which must outlive every window.
int main(int argc, char** argv)
{
    // No real HID devices: the fixtures' lists find no library.
    qputenv("TARVO_HIDAPI_LIBRARY", QByteArrayLiteral("/nonexistent/libhidapi-none.so"));
    QApplication app(argc, argv);
    Manager::SetProgramFolder(QStringLiteral(TARVO_BINARY_DIR));
    InterfaceText::SetProgramFolder(QStringLiteral(TARVO_SOURCE_DIR "/resources/"));
    Language::SetCurrent(1033);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

void ProcessEvents()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

bool WaitUntil(const std::function<bool()>& done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > 5000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

BoxAnswerer::BoxAnswerer(int32_t answer)
    : m_answer(answer)
{
    CUIMessageBox::SetCreatedHook([this](CUIMessageBox& box) {
        MControl* caption = box.GetControl(CUIMessageBox::kCaptionId);
        MControl* message = box.GetControl(CUIMessageBox::kMessageId);
        m_shown.push_back({caption ? dynamic_cast<MControlFont*>(caption)->GetTitle() : QString(),
            message ? dynamic_cast<MControlFont*>(message)->GetTitle() : QString(), box.GetStyle()});
        const int32_t id = m_answer == kIdOk ? CUIMessageBox::kFirstButtonId : CUIMessageBox::kSecondButtonId;
        const WindowHandle handle = box.GetSafeHwnd();
        // Clicked once the box runs its loop, as a user would.
        QTimer::singleShot(0, [handle, id] {
            auto* window = dynamic_cast<MDialog*>(MWindow::FromHandle(handle));
            if (MControl* button = window ? window->GetControl(id) : nullptr)
                QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
            else if (window)
                window->OnWindowMessage(kWmClose, kIdCancel, 0);
        });
    });
}

BoxAnswerer::~BoxAnswerer()
{
    CUIMessageBox::SetCreatedHook({});
}

namespace {
DeviceMainDlg::Services MakeServices(HidDeviceList& hid, SettingsStore& store)
{
    DeviceMainDlg::Services services;
    services.hid = &hid;
    services.store = &store;
    services.timings = WorkerTimings{0, 0, 0, 0, 0, 0, 0};
    return services;
}
} // namespace

TestMainDlg::TestMainDlg(HidDeviceList& hid, SettingsStore& store, WorkerPasses passes)
    : DeviceMainDlg(MakeServices(hid, store))
    , m_passes(passes)
{
    SetExitHook([this](int32_t code) { m_exitCodes.push_back(code); });
}

void TestMainDlg::Open()
{
    Create(0, QStringLiteral("Tarvo"), kWsDialog, 0, {0, 0, kDesignWidth, kDesignHeight});
    ShowWindow(kSwShow);
    ProcessEvents();
}

void TestMainDlg::Run()
{
    if (m_passes == WorkerPasses::On)
        DeviceMainDlg::Run();
}

namespace {

// Records, in the test window's list, what the window tells its pages.
class RecordingPage : public Page {
public:
    explicit RecordingPage(TestMainDlg& dlg)
        : m_dlg(dlg)
    {}
    int32_t TabItem() const override { return PageTab::kDpi; }
    uint32_t ReloadMask() const override { return ~0u; }
    void Create(MDialog&, MArea&) override {}
    void Layout(const MRect&, float) override {}
    void ApplyLanguage() override { m_dlg.Record("ApplyLanguageToPages"); }
    void Reload() override { m_dlg.Record("OnReloadPages"); }
    bool OnControl(int32_t, int32_t, intptr_t) override { return false; }
    void OnPageEvent(const PageEvent& event) override
    {
        switch (event.kind) {
        case PageEvent::Kind::DpiLevel:
            m_dlg.Record("OnDpiLevel", event.value);
            break;
        case PageEvent::Kind::MouseVersion:
            m_dlg.Record("OnMouseVersion");
            break;
        case PageEvent::Kind::StopRecording:
            m_dlg.Record("StopRecording");
            break;
        default:
            break;
        }
    }

private:
    TestMainDlg& m_dlg;
};

} // namespace

std::vector<std::unique_ptr<Page>> TestMainDlg::CreatePages()
{
    std::vector<std::unique_ptr<Page>> pages = DeviceMainDlg::CreatePages();
    pages.push_back(std::make_unique<RecordingPage>(*this));
    return pages;
}

void TestMainDlg::SetReachable(bool reachable, int32_t mode)
{
    m_reachable = reachable;
    ApplyStatusText(!reachable ? TextIds::kStatusOffline
            : mode == 1        ? TextIds::kStatusReceiver
                               : TextIds::kStatusCable);
}

void TestMainDlg::Record(const std::string& name, int32_t value)
{
    m_calls.names.push_back(name);
    m_calls.threads.push_back(std::this_thread::get_id());
    m_calls.values.push_back(value);
}

std::vector<std::string> TestMainDlg::TakeNames()
{
    std::vector<std::string> names = std::move(m_calls.names);
    m_calls = {};
    return names;
}

bool TestMainDlg::Called(const std::string& name) const
{
    return std::find(m_calls.names.begin(), m_calls.names.end(), name) != m_calls.names.end();
}

AppFixtureServices::AppFixtureServices()
    : m_hid(std::make_unique<HidDeviceList>())
    , m_store(std::make_unique<SettingsStore>())
{}

AppFixtureServices::~AppFixtureServices() = default;

DeviceMainDlg::Services AppFixtureServices::ForWindow(const QString& programFolder, WorkerTimings timings)
{
    DeviceMainDlg::Services s;
    s.hid = m_hid.get();
    s.store = m_store.get();
    s.timings = timings;
    s.programFolder = programFolder;
    s.dataFolder = m_dir.path();
    s.settingsPath = m_dir.path() + QStringLiteral("/Tarvo.conf");
    return s;
}

std::map<int, QString> ReadLanguageFile(const QString& path)
{
    std::map<int, QString> texts;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return texts;
    bool inSection = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inSection = line == QLatin1String("[LAN]");
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!inSection || eq <= 0)
            continue;
        bool ok = false;
        const int id = line.left(eq).trimmed().toInt(&ok);
        if (ok)
            texts[id] = line.mid(eq + 1).trimmed();
    }
    return texts;
}
