#include "PageTestSupport.h"

#include "store/ProfileLoader.h"
#include "store/StoreDefaults.h"
#include "widgets/MArea.h"
#include "widgets/MWindow.h"

#include <QFileInfo>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTest>
#include <gtest/gtest.h>

FakePageHost::FakePageHost()
{
    EXPECT_TRUE(m_dir.isValid());
    EXPECT_TRUE(m_store.OpenForDevice(m_dir.path() + QStringLiteral("/"), QStringLiteral("heron")));
    ProfileLoader::LoadProfiles(m_store);
}

FakePageHost::~FakePageHost()
{
    m_store.CloseDatabase();
}

bool FakeDesktop::OpenWebAddress(const QUrl& address)
{
    m_calls.push_back("url|" + address.toString().toStdString());
    return m_result;
}

bool FakeDesktop::StartProgram(const QString& program, const QStringList& arguments)
{
    std::string call = "program|" + program.toStdString();
    for (const QString& argument : arguments)
        call += "|" + argument.toStdString();
    m_calls.push_back(call);
    return m_result && QFileInfo(program).isExecutable();
}

bool FakeDesktop::TypeText(const QString& text)
{
    m_calls.push_back("type|" + text.toStdString());
    return m_result;
}

bool FakeDesktop::OpenCharacterMap()
{
    m_calls.push_back("charmap");
    return m_result;
}

void FakePageHost::NotifyPages(const PageEvent& event)
{
    m_notified.push_back(event.kind);
    for (Page* page : m_listeners)
        page->OnPageEvent(event);
}

void FakePageHost::BeginCapture(int32_t mode, CaptureSink& sink)
{
    MWindow* window = MWindow::FromHandle(m_window);
    m_capture.Begin(window ? window->GetWidget() : nullptr, mode, sink);
}

bool FakePageHost::Ask(const QString& message, const QString& caption)
{
    m_asked.push_back((caption + QStringLiteral("|") + message).toStdString());
    return m_answer;
}

void FakePageHost::Tell(const QString& message, const QString& caption)
{
    m_told.push_back((caption + QStringLiteral("|") + message).toStdString());
}

QString FakePageHost::ChooseFile(FileDialog kind, const QString& title, const QString& filter, const QString&)
{
    m_fileDialogs.push_back(((kind == FileDialog::Open ? QStringLiteral("open|") : QStringLiteral("save|")) + title
        + QStringLiteral("|") + filter)
                                .toStdString());
    return m_chosenFile;
}

QString FakePageHost::Stored(const QString& key)
{
    QString value;
    m_store.GetConfigValue(m_profile, key, value);
    return value;
}

std::map<QString, QString> FakePageHost::StoredConfig()
{
    std::map<QString, QString> values;
    for (const StoreDefaults::ConfigKey& row : StoreDefaults::kConfigKeys)
        values[QString::fromLatin1(row.key)] = Stored(QString::fromLatin1(row.key));
    return values;
}

void FakePageHost::Clear()
{
    m_tasks.clear();
    m_pendingRestore = 0;
    m_asked.clear();
    m_told.clear();
    m_selectedTabs.clear();
    m_fileDialogs.clear();
    m_notified.clear();
    m_desktop.m_calls.clear();
}

PageTestWindow::PageTestWindow(FakePageHost& host, std::function<std::unique_ptr<Page>(PageHost&)> makePage)
    : m_host(host)
    , m_makePage(std::move(makePage))
{}

PageTestWindow::~PageTestWindow()
{
    DestroyWindow();
}

void PageTestWindow::Open()
{
    Create(0, QStringLiteral("PageTest"), kWsDialog, 0, {0, 0, 1280, 780});
    m_host.m_window = GetSafeHwnd();
    ShowWindow(kSwShow);
    ProcessPageEvents();
    if (m_page)
        m_page->Reload();
    ProcessPageEvents();
}

void PageTestWindow::InitUI(const MRect& client)
{
    // Where the main window puts its page containers.
    m_container = CreateArea(QStringLiteral("MTabLayout"), 51, {200, 75, client.right, client.bottom - 50});
    m_page = m_makePage(m_host);
    if (m_page && m_container)
        m_page->Create(*this, *m_container);
    UISize(client);
}

void PageTestWindow::UISize(const MRect& client)
{
    if (!m_container || !m_page)
        return;
    m_container->SetRect({200, 75, client.right, client.bottom - 50});
    m_page->Layout({200, 75, client.right, client.bottom - 50}, float(client.Height()) / 780.0f);
}

intptr_t PageTestWindow::OnMessage(int32_t id, int32_t code, intptr_t param, intptr_t)
{
    const intptr_t result = m_page && m_page->OnControl(id, code, param) ? 1 : 0;
    m_results.push_back(result);
    return result;
}

intptr_t PageTestWindow::OnWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (m_page && m_page->OnWindowMessage(message, wParam, lParam))
        return 0;
    return MDialog::OnWindowMessage(message, wParam, lParam);
}

void ProcessPageEvents()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void ClickAt(QWidget* widget, const QPoint& at)
{
    ASSERT_NE(widget, nullptr);
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at);
    ProcessPageEvents();
}

void ClickControl(MDialog& window, int32_t id)
{
    QWidget* control = window.GetControl(id);
    ASSERT_NE(control, nullptr) << id;
    ASSERT_TRUE(control->isVisible()) << id;
    ClickAt(control, control->rect().center());
}
