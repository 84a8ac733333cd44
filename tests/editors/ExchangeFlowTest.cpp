// The user's side of the exchange files against a fake main window: the
// dialog each gesture opens, the task an import queues, and what the user is
// told when a file is refused or only partly used.
#include "PageTestSupport.h"

#include "editors/ExchangeFlow.h"
#include "language/InterfaceText.h"

#include <QFile>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

constexpr int32_t kWriteEverything = TaskCode(WorkerTask::WriteEverything);

class ExchangeFlowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(m_host.m_description.LoadFile(QStringLiteral(TARVO_SOURCE_DIR "/resources/device/heron.xml")));
        m_host.m_deviceType = 101;
    }
    QString Path(const char* name) const { return m_dir.path() + QLatin1Char('/') + QLatin1String(name); }
    void Write(const char* name, const QByteArray& bytes)
    {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    std::string Told(int caption, const QString& message) const
    {
        return (InterfaceText::Get(caption) + QLatin1Char('|') + message).toStdString();
    }

    QTemporaryDir m_dir;
    FakePageHost m_host;
};

TEST_F(ExchangeFlowTest, ExportThenImportPutsTheProfileBackAndSendsIt)
{
    m_host.m_chosenFile = Path("p.xml");
    ASSERT_TRUE(ExchangeFlow::ExportProfile(m_host, 1));
    EXPECT_EQ(m_host.m_fileDialogs, std::vector<std::string>{"save|Export|Profile (*.xml)"});
    ASSERT_TRUE(m_host.m_store.SetConfigValue(1, QStringLiteral("dpi_group2_value"), QStringLiteral("5000")));
    m_host.Clear();

    const std::optional<ExchangeResult> result = ExchangeFlow::ImportProfile(m_host);
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->Ok());
    EXPECT_EQ(m_host.m_fileDialogs, std::vector<std::string>{"open|Import|MouseKey (*.xml)"});
    EXPECT_EQ(m_host.Stored(QStringLiteral("dpi_group2_value")), QStringLiteral("1200"));
    EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kWriteEverything});
    EXPECT_TRUE(m_host.m_told.empty());
}

// Every model gets the whole profile after an import, the models above
// device type 200 included (the worker has no other task that sends it).
TEST_F(ExchangeFlowTest, EveryModelIsSentTheImportedProfile)
{
    m_host.m_chosenFile = Path("p.xml");
    ASSERT_TRUE(ExchangeFlow::ExportProfile(m_host, 1));
    m_host.m_deviceType = 201;
    m_host.Clear();
    ASSERT_TRUE(ExchangeFlow::ImportProfile(m_host));
    EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kWriteEverything});
}

TEST_F(ExchangeFlowTest, ACancelledDialogDoesNothing)
{
    m_host.m_chosenFile.clear();
    EXPECT_FALSE(ExchangeFlow::ImportProfile(m_host));
    EXPECT_FALSE(ExchangeFlow::ExportProfile(m_host, 1));
    EXPECT_FALSE(ExchangeFlow::ImportMacro(m_host));
    EXPECT_FALSE(ExchangeFlow::ExportMacro(m_host, 1));
    EXPECT_EQ(m_host.m_fileDialogs.size(), 4u);
    EXPECT_TRUE(m_host.m_tasks.empty());
    EXPECT_TRUE(m_host.m_told.empty());
}

TEST_F(ExchangeFlowTest, ValuesNotUsedAreListedAndTheRestIsSent)
{
    // Button 0 is the first marker's, which no page assigns; 30000 is beyond
    // the Heron Pro; a count of 9 beyond six levels; report rate 7 no rate.
    Write("partly.xml",
        "<profile><profileinfo><keyitems><item key_code=\"0\" macro_type=\"8\" macro_value=\"1\"/></keyitems>"
        "<Mouse_DPI dpi_flag=\"5\" dpi_index=\"0\" dpi_count=\"9\"><DPI1 value=\"30000\" color=\"255\"/></Mouse_DPI>"
        "<Mouse><report_rate value=\"7\"/></Mouse></profileinfo></profile>");
    m_host.m_chosenFile = Path("partly.xml");
    const std::optional<ExchangeResult> result = ExchangeFlow::ImportProfile(m_host);
    ASSERT_TRUE(result && result->Ok());
    EXPECT_EQ(m_host.Stored(QStringLiteral("dpi_group0_value")), QStringLiteral("26000"));
    EXPECT_EQ(m_host.m_tasks, std::vector<int32_t>{kWriteEverything});
    // The first two of the four, then a line for the rest.
    const QString expected = InterfaceText::Get(977) + QStringLiteral("\nkeyitems/item 1/key_code \"0\": ")
        + InterfaceText::Get(979) + QStringLiteral("\nMouse_DPI/dpi_count \"9\": ") + InterfaceText::Get(980)
        + QStringLiteral(" 6\n") + InterfaceText::Get(982);
    EXPECT_EQ(m_host.m_told, std::vector<std::string>{Told(26, expected)});
}

TEST_F(ExchangeFlowTest, RefusedFilesAreExplainedAndNothingIsSent)
{
    Write("junk.xml", "this is not XML");
    Write("macro.xml", "<macro><macroinfo macro_name=\"m\"/></macro>");
    QFile huge(Path("huge.xml"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(2 * ExchangeFiles::kMaxFileSize));
    huge.close();
    // A FIFO nobody writes would hold the interface thread for ever.
    ASSERT_EQ(mkfifo(Path("fifo.xml").toUtf8().constData(), 0600), 0);
    const struct {
        const char* file;
        int text;
    } cases[] = {{"junk.xml", 972}, {"macro.xml", 972}, {"huge.xml", 971}, {"missing.xml", 970}, {"fifo.xml", 970}};
    for (const auto& c : cases) {
        m_host.Clear();
        m_host.m_chosenFile = Path(c.file);
        const std::optional<ExchangeResult> result = ExchangeFlow::ImportProfile(m_host);
        ASSERT_TRUE(result);
        EXPECT_FALSE(result->Ok()) << c.file;
        EXPECT_TRUE(m_host.m_tasks.empty()) << c.file;
        EXPECT_EQ(m_host.m_told, std::vector<std::string>{Told(26, InterfaceText::Get(c.text))}) << c.file;
    }
    m_host.Clear();
    m_host.m_chosenFile = Path("junk.xml");
    const std::optional<ExchangeResult> macro = ExchangeFlow::ImportMacro(m_host);
    ASSERT_TRUE(macro);
    EXPECT_EQ(macro->macroId, 0);
    EXPECT_EQ(m_host.m_told, std::vector<std::string>{Told(26, InterfaceText::Get(973))});
    m_host.Clear();
    m_host.m_chosenFile = Path("no/such/folder/p.xml");
    EXPECT_FALSE(ExchangeFlow::ExportProfile(m_host, 1));
    EXPECT_EQ(m_host.m_told, std::vector<std::string>{Told(27, InterfaceText::Get(976))});
}

TEST_F(ExchangeFlowTest, TheMacroPagesImportAndExport)
{
    const int id = m_host.m_store.AddMacro(QStringLiteral("Macro 1"));
    ASSERT_GT(id, 0);
    m_host.m_chosenFile = Path("m.xml");
    ASSERT_TRUE(ExchangeFlow::ExportMacro(m_host, id));
    const std::optional<ExchangeResult> result = ExchangeFlow::ImportMacro(m_host);
    ASSERT_TRUE(result && result->Ok());
    EXPECT_GT(result->macroId, id);
    EXPECT_EQ(result->macroName, QStringLiteral("Macro 1 导入"));
    EXPECT_EQ(
        m_host.m_fileDialogs, (std::vector<std::string>{"save|Export|Macro (*.xml)", "open|Import|Macros (*.xml)"}));
    // The page queues the upload itself once it has listed the macro.
    EXPECT_TRUE(m_host.m_tasks.empty());
    EXPECT_TRUE(m_host.m_told.empty());
}

} // namespace
