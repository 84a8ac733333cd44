// Profile and macro files: the exact bytes an export writes, what an import
// takes, and what it refuses from files that travelled between users.
#include "StoreTestSupport.h"

#include "store/ExchangeFiles.h"
#include "store/ProfileLoader.h"
#include "store/StoreDefaults.h"

#include <QProcess>
#include <QStandardPaths>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Status = ExchangeResult::Status;
using Kind = ExchangeNote::Kind;

constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

// Buttons 1 to 6 of a model may be assigned; 0 is the first marker's.
ExchangeModel Heron()
{
    return {101, true, {1, 2, 3, 4, 5, 6}};
}

QByteArray Lines(std::initializer_list<const char*> lines)
{
    QByteArray text = kDeclaration;
    for (const char* line : lines)
        text += QByteArray(line) + "\r\n";
    return text;
}

// A profile file around `inner`, the children of "profileinfo".
QByteArray ProfileFile(std::initializer_list<const char*> inner)
{
    QByteArray text = QByteArray(kDeclaration) + "<profile>\r\n<profileinfo name=\"P\">\r\n";
    for (const char* line : inner)
        text += QByteArray(line) + "\r\n";
    return text + "</profileinfo>\r\n</profile>\r\n";
}

class ExchangeFilesTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        ASSERT_TRUE(Open());
        ProfileLoader::LoadProfiles(m_store);
    }

    QString Path(const char* name) const { return m_dir.path() + QLatin1Char('/') + QLatin1String(name); }

    void WriteFile(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    QByteArray ReadFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

    QString Config(int profile, const char* key)
    {
        QString value;
        m_store.GetConfigValue(profile, QString::fromLatin1(key), value);
        return value;
    }
    void SetConfig(int profile, const char* key, const QString& value)
    {
        ASSERT_TRUE(m_store.SetConfigValue(profile, QString::fromLatin1(key), value));
    }
    int AddButton(int profile, int key, int type, int value, int value2, int value3, const QString& desc)
    {
        KeyAssignment row;
        row.profile = profile;
        row.key_code = key;
        row.macro_type = type;
        row.macro_value = value;
        row.macro_value2 = value2;
        row.macro_value3 = value3;
        row.macro_desc = desc;
        return m_store.SetKeyAssignment(row);
    }

    // Everything a profile import may touch, as one text to compare.
    QString Snapshot(int profile)
    {
        QString text;
        std::vector<KeyAssignment> keys;
        m_store.ListKeyAssignments(profile, keys);
        for (const KeyAssignment& k : keys) {
            text += QStringLiteral("key %1 %2 %3 %4 %5 %6\n")
                        .arg(k.key_code)
                        .arg(k.macro_type)
                        .arg(k.macro_value)
                        .arg(k.macro_value2)
                        .arg(k.macro_value3)
                        .arg(k.macro_desc);
        }
        std::vector<LightMode> lights;
        m_store.ListLightModes(profile, lights);
        for (const LightMode& l : lights) {
            text += QStringLiteral("light %1 %2 %3 %4 %5 %6 %7 %8\n")
                        .arg(l.mode)
                        .arg(l.brightness)
                        .arg(l.speed)
                        .arg(l.direction)
                        .arg(l.colorful)
                        .arg(l.colorindex)
                        .arg(l.color_value)
                        .arg(l.status);
        }
        for (const StoreDefaults::ConfigKey& key : StoreDefaults::kConfigKeys)
            text += QString::fromLatin1(key.key) + QLatin1Char('=') + Config(profile, key.key) + QLatin1Char('\n');
        return text;
    }
    QString LightLines(int profile)
    {
        QStringList lines = Snapshot(profile).split(QLatin1Char('\n'));
        lines.removeIf([](const QString& line) { return !line.startsWith(QLatin1String("light ")); });
        return lines.join(QLatin1Char('\n'));
    }
    QString MacroSnapshot()
    {
        QString text;
        std::vector<MacroInfo> macros;
        m_store.ListMacros(macros);
        for (const MacroInfo& m : macros) {
            std::vector<MacroStep> steps;
            text += QStringLiteral("macro %1 %2 steps %3\n")
                        .arg(m.macro_id)
                        .arg(m.name)
                        .arg(m_store.ListMacroSteps(m.macro_id, steps));
        }
        return text;
    }

    ExchangeResult ImportText(const QByteArray& bytes, int profile = 1, const ExchangeModel& model = Heron())
    {
        return ExchangeFiles::ImportProfileBytes(m_store, profile, model, bytes);
    }

    static bool HasNote(const ExchangeResult& result, Kind kind, const QString& where)
    {
        for (const ExchangeNote& note : result.notes) {
            if (note.kind == kind && note.where == where)
                return true;
        }
        return false;
    }
    static std::string NotesText(const ExchangeResult& result)
    {
        std::string text;
        for (const ExchangeNote& note : result.notes) {
            text += std::to_string(int(note.kind)) + " " + note.where.toStdString() + " '" + note.value.toStdString()
                + "' -> '" + note.stored.toStdString() + "'\n";
        }
        return text;
    }

    // xmllint's verdict on a file; skips when it is not installed.
    void ExpectXmllintAccepts(const QString& path)
    {
        const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
        if (xmllint.isEmpty())
            GTEST_SKIP() << "xmllint is not installed (libxml2-utils)";
        QProcess process;
        process.start(xmllint, {QStringLiteral("--noout"), path});
        ASSERT_TRUE(process.waitForFinished(10000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    }
};

// ---- Export ----

TEST_F(ExchangeFilesTest, ProfileExportIsTheFormatByteForByte)
{
    ASSERT_GT(AddButton(1, 2, 2, 4, 3, 0, QStringLiteral("Shift+ Ctrl + A")), 0);
    ASSERT_GT(AddButton(1, 3, 5, 7, 10, 0, QStringLiteral("say \"hi\" & <bye>")), 0);
    ASSERT_TRUE(m_store.AddDefaultLightModes(1));
    LightMode red;
    ASSERT_TRUE(m_store.GetLightMode(1, 2, red));
    red.brightness = 90;
    red.speed = 30;
    red.color_value = 0x00FF00;
    ASSERT_TRUE(m_store.UpdateLightMode(1, 2, red));
    ASSERT_TRUE(m_store.SetActiveLightMode(1, 2));
    SetConfig(1, "dpi_index", QStringLiteral("2"));
    SetConfig(1, "dpi_group2_value", QStringLiteral("1250"));
    SetConfig(1, "dpi_group5_value", QStringLiteral("9950")); // the sixth level stays home
    SetConfig(1, "highspeed_mode", QStringLiteral("1"));
    SetConfig(1, "e-sports_flag", QStringLiteral("7")); // not exchanged

    const QString path = Path("profile1.xml");
    ASSERT_EQ(ExchangeFiles::ExportProfile(m_store, 1, Heron(), path).status, Status::Done);
    const QByteArray expected = Lines({
        "<profile>",
        "<profileinfo name=\"Profile 1\">",
        "<keyitems>",
        "<item key_code=\"2\" macro_type=\"2\" macro_value=\"4\" macro_value2=\"3\" macro_value3=\"0\" "
        "macro_desc=\"Shift+ Ctrl + A\"/>",
        "<item key_code=\"3\" macro_type=\"5\" macro_value=\"7\" macro_value2=\"10\" macro_value3=\"0\" "
        "macro_desc=\"say &quot;hi&quot; &amp; &lt;bye&gt;\"/>",
        "</keyitems>",
        "<Lightitems lightmode=\"2\">",
        "<item light_mode=\"0\" brightness=\"255\" speed=\"128\" direction=\"0\" colorful=\"1\" colorindex=\"0\" "
        "color_value=\"255\"/>",
        "<item light_mode=\"1\" brightness=\"255\" speed=\"128\" direction=\"0\" colorful=\"1\" colorindex=\"0\" "
        "color_value=\"255\"/>",
        "<item light_mode=\"2\" brightness=\"90\" speed=\"30\" direction=\"0\" colorful=\"1\" colorindex=\"0\" "
        "color_value=\"65280\"/>",
        "<item light_mode=\"3\" brightness=\"255\" speed=\"128\" direction=\"0\" colorful=\"1\" colorindex=\"0\" "
        "color_value=\"255\"/>",
        "<item light_mode=\"4\" brightness=\"255\" speed=\"128\" direction=\"0\" colorful=\"1\" colorindex=\"0\" "
        "color_value=\"255\"/>",
        "<item light_mode=\"5\" brightness=\"255\" speed=\"128\" direction=\"0\" colorful=\"1\" colorindex=\"0\" "
        "color_value=\"255\"/>",
        "<item light_mode=\"6\" brightness=\"255\" speed=\"128\" direction=\"0\" colorful=\"1\" colorindex=\"0\" "
        "color_value=\"255\"/>",
        "</Lightitems>",
        "<Mouse_DPI dpi_flag=\"5\" dpi_index=\"2\" dpi_count=\"6\">",
        "<DPI1 value=\"400\" color=\"255\"/>",
        "<DPI2 value=\"800\" color=\"65280\"/>",
        "<DPI3 value=\"1250\" color=\"16711680\"/>",
        "<DPI4 value=\"1600\" color=\"16776960\"/>",
        "<DPI5 value=\"2400\" color=\"65535\"/>",
        "</Mouse_DPI>",
        "<Mouse>",
        "<button_respondtime value=\"1\"/>",
        "<report_rate value=\"2\"/>",
        "<sensor_flag value=\"53\"/>",
        "<liftoff_height value=\"1\"/>",
        "<scroll_flag value=\"1\"/>",
        "<e-sports_flag value=\"1\"/>",
        "<leftbtn_lock value=\"1\"/>",
        "</Mouse>",
        "</profileinfo>",
        "</profile>",
    });
    const QByteArray written = ReadFile(path);
    EXPECT_EQ(written.toStdString(), expected.toStdString());
    ExpectXmllintAccepts(path);
}

TEST_F(ExchangeFilesTest, WithoutLightingOrButtonsTheElementsAreEmptyOrAbsent)
{
    // A model without lighting writes no "Lightitems", and neither does a
    // profile whose lighting page never opened; no buttons: an empty "keyitems".
    ASSERT_TRUE(m_store.AddDefaultLightModes(2));
    for (const auto& [profile, lighting] : {std::pair{2, false}, std::pair{1, true}}) {
        const QString text = ExchangeFiles::ProfileDocument(m_store, profile, {102, lighting, {1}});
        EXPECT_FALSE(text.contains(QStringLiteral("Lightitems"))) << profile;
        EXPECT_TRUE(text.contains(
            QStringLiteral("<profileinfo name=\"Profile %1\">\r\n<keyitems/>\r\n<Mouse_DPI ").arg(profile)))
            << text.toStdString();
    }
}

// The profile asked for is the one written, all of it: its name, buttons,
// lighting and values, whichever profile is active.
TEST_F(ExchangeFilesTest, AnExportTakesEveryPartFromTheProfileAskedFor)
{
    ASSERT_TRUE(m_store.SetActiveProfile(1));
    ASSERT_TRUE(m_store.RenameProfile(3, QStringLiteral("Third")));
    ASSERT_GT(AddButton(3, 4, 8, 1, 0, 0, QStringLiteral("off")), 0);
    ASSERT_TRUE(m_store.AddDefaultLightModes(3));
    ASSERT_TRUE(m_store.SetActiveLightMode(3, 6));
    SetConfig(3, "dpi_group0_value", QStringLiteral("777"));
    SetConfig(3, "report_rate", QStringLiteral("0"));
    const QString text = ExchangeFiles::ProfileDocument(m_store, 3, Heron());
    for (const char* part : {"<profileinfo name=\"Third\">", "<item key_code=\"4\" macro_type=\"8\"",
             "<Lightitems lightmode=\"6\">", "<DPI1 value=\"777\"", "<report_rate value=\"0\"/>"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(part))) << part << "\n" << text.toStdString();
}

TEST_F(ExchangeFilesTest, MacroExportIsTheFormatByteForByte)
{
    MacroInfo macro;
    macro.name = QStringLiteral("Copy & \"paste\"");
    macro.play_type = 0;
    macro.play_times = 1;
    macro.delay_type = 2;
    macro.delay_time = 150;
    const int id = m_store.AddMacroInfo(macro);
    ASSERT_GT(id, 0);
    // Inserted out of order: the file follows record_index.
    for (const auto& [index, type, value, delay, desc] :
        {std::tuple{1, 3, 65, 20, u"↑  A"}, std::tuple{0, 2, 65, 10, u"↓  A"}}) {
        MacroStep step;
        step.macro_id = id;
        step.record_index = index;
        step.type = type;
        step.value = value;
        step.delay_time = delay;
        step.desc = QString::fromUtf16(desc);
        ASSERT_GT(m_store.AddMacroStep(step), 0);
    }
    const QString path = Path("macro.xml");
    ASSERT_EQ(ExchangeFiles::ExportMacro(m_store, id, path).status, Status::Done);
    const QByteArray expected = Lines({
        "<macro>",
        "<macroinfo macro_name=\"Copy &amp; &quot;paste&quot;\" macro_type=\"0\" play_times=\"1\" delay_type=\"2\" "
        "delay_time=\"150\"/>",
        "<macroitems>",
        "<item desc=\"\xE2\x86\x93  A\" index=\"0\" type=\"2\" value=\"65\" timestamp=\"10\"/>",
        "<item desc=\"\xE2\x86\x91  A\" index=\"1\" type=\"3\" value=\"65\" timestamp=\"20\"/>",
        "</macroitems>",
        "</macro>",
    });
    EXPECT_EQ(ReadFile(path).toStdString(), expected.toStdString());
    ExpectXmllintAccepts(path);
    EXPECT_EQ(ExchangeFiles::ExportMacro(m_store, id + 50, Path("none.xml")).status, Status::NotFound);
    EXPECT_FALSE(QFile::exists(Path("none.xml")));
}

TEST_F(ExchangeFilesTest, AFailedExportLeavesTheOldFileAsItWas)
{
    const QString path = Path("kept.xml");
    WriteFile(path, "old content");
    // Writing more than a few bytes fails (as on a full disk) while the old
    // file stays readable.
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tiny = before;
    tiny.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    const ExchangeResult result = ExchangeFiles::ExportProfile(m_store, 1, Heron(), path);
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(result.status, Status::WriteFailed);
    EXPECT_EQ(ReadFile(path), QByteArray("old content"));
    EXPECT_EQ(
        ExchangeFiles::ExportProfile(m_store, 1, Heron(), Path("no/such/folder/p.xml")).status, Status::WriteFailed);
    EXPECT_EQ(ExchangeFiles::ExportProfile(m_store, 9, Heron(), Path("p9.xml")).status, Status::NotFound);
}

// ---- Import ----

TEST_F(ExchangeFilesTest, AnExportedProfileImportsIntoAnotherProfileUnchanged)
{
    ASSERT_GT(AddButton(1, 2, 2, 4, 3, 0, QStringLiteral("a \"b\" & c")), 0);
    ASSERT_GT(AddButton(1, 5, 7, 21, 0, 0, QStringLiteral("Alt+F4")), 0);
    ASSERT_TRUE(m_store.AddDefaultLightModes(1));
    ASSERT_TRUE(m_store.SetActiveLightMode(1, 5));
    SetConfig(1, "dpi_count", QStringLiteral("4"));
    SetConfig(1, "dpi_index", QStringLiteral("3"));
    SetConfig(1, "dpi_group0_value", QStringLiteral("25950"));
    SetConfig(1, "dpi_group4_rgb", QStringLiteral("1193046"));
    SetConfig(1, "report_rate", QStringLiteral("3"));
    SetConfig(1, "button_respondtime", QStringLiteral("12"));
    SetConfig(1, "highspeed_mode", QStringLiteral("1"));
    ASSERT_GT(AddButton(2, 6, 8, 1, 0, 0, QStringLiteral("off")), 0);
    SetConfig(2, "dpi_group5_value", QStringLiteral("5000"));

    const QString path = Path("p.xml");
    ASSERT_EQ(ExchangeFiles::ExportProfile(m_store, 1, Heron(), path).status, Status::Done);
    const ExchangeResult result = ExchangeFiles::ImportProfile(m_store, 2, Heron(), path);
    ASSERT_EQ(result.status, Status::Done);
    EXPECT_TRUE(result.notes.empty()) << NotesText(result);

    // Everything exchanged is now the same; the sixth level, the keys the
    // format does not carry and the name are the target's own.
    QString source = Snapshot(1);
    QString target = Snapshot(2);
    for (const char* own : {"dpi_group5_value=3200", "dpi_group5_value=5000"}) {
        source.remove(QString::fromLatin1(own));
        target.remove(QString::fromLatin1(own));
    }
    EXPECT_EQ(target.toStdString(), source.toStdString());
    EXPECT_EQ(Config(2, "dpi_group5_value"), QStringLiteral("5000"));
    QString name;
    ASSERT_TRUE(m_store.GetProfileName(2, name));
    EXPECT_EQ(name, QStringLiteral("Profile 2"));
}

TEST_F(ExchangeFilesTest, TheFormatsEdgeCases)
{
    ASSERT_GT(AddButton(1, 2, 1, 3, 0, 0, QStringLiteral("Right")), 0);
    ASSERT_TRUE(m_store.AddDefaultLightModes(1));
    const QString lighting = LightLines(1);
    ASSERT_FALSE(lighting.isEmpty());

    // An empty "keyitems" removes every button row; no "Lightitems" leaves
    // the lighting alone; the sixth level is not read even when present.
    ExchangeResult result = ImportText(
        ProfileFile({"<keyitems/>", "<Mouse_DPI dpi_flag=\"5\" dpi_index=\"0\" dpi_count=\"6\">",
            "<DPI1 value=\"500\" color=\"1\"/>", "<DPI6 value=\"900\" color=\"2\"/>", "</Mouse_DPI>"}));
    ASSERT_EQ(result.status, Status::Done);
    std::vector<KeyAssignment> keys;
    EXPECT_EQ(m_store.ListKeyAssignments(1, keys), 0);
    EXPECT_EQ(LightLines(1), lighting);
    EXPECT_EQ(Config(1, "dpi_group0_value"), QStringLiteral("500"));
    EXPECT_EQ(Config(1, "dpi_group5_value"), QStringLiteral("3200"));
    EXPECT_TRUE(HasNote(result, Kind::LeftOut, QStringLiteral("Mouse_DPI/DPI6"))) << NotesText(result);

    // "Mouse" before "Mouse_DPI": the DPI values count, the Mouse values not.
    result = ImportText(ProfileFile({"<Mouse>", "<report_rate value=\"0\"/>", "</Mouse>",
        "<Mouse_DPI dpi_flag=\"5\" dpi_index=\"0\" dpi_count=\"6\">", "<DPI2 value=\"650\" color=\"3\"/>",
        "</Mouse_DPI>"}));
    ASSERT_EQ(result.status, Status::Done);
    EXPECT_EQ(Config(1, "dpi_group1_value"), QStringLiteral("650"));
    EXPECT_EQ(Config(1, "report_rate"), QStringLiteral("2"));
    EXPECT_TRUE(HasNote(result, Kind::LeftOut, QStringLiteral("profileinfo/Mouse"))) << NotesText(result);

    // A missing dpi_count keeps the count (rather than storing an empty one).
    result = ImportText(ProfileFile({"<Mouse_DPI dpi_flag=\"5\" dpi_index=\"0\">", "</Mouse_DPI>"}));
    ASSERT_EQ(result.status, Status::Done);
    EXPECT_EQ(Config(1, "dpi_count"), QStringLiteral("6"));
    EXPECT_TRUE(HasNote(result, Kind::Missing, QStringLiteral("Mouse_DPI/dpi_count"))) << NotesText(result);

    // "e-sports_flag" carries highspeed_mode; the key of that name stays.
    result = ImportText(ProfileFile({"<Mouse>", "<e-sports_flag value=\"1\"/>", "</Mouse>"}));
    ASSERT_EQ(result.status, Status::Done);
    EXPECT_EQ(Config(1, "highspeed_mode"), QStringLiteral("1"));
    EXPECT_EQ(Config(1, "e-sports_flag"), QStringLiteral("0"));
}

TEST_F(ExchangeFilesTest, LightingTravelsOnlyBetweenModelsWithLighting)
{
    const QString file = ExchangeFiles::ProfileDocument(m_store, 1, Heron());
    EXPECT_FALSE(file.contains(QStringLiteral("Lightitems"))); // no rows yet
    const QByteArray lit = ProfileFile({"<Lightitems lightmode=\"5\">",
        "<item light_mode=\"5\" brightness=\"300\" speed=\"7\" direction=\"0\" colorful=\"1\" colorindex=\"0\" "
        "color_value=\"16777216\"/>",
        "<item light_mode=\"9\" brightness=\"1\" speed=\"1\" direction=\"0\" colorful=\"1\" colorindex=\"0\" "
        "color_value=\"1\"/>",
        "</Lightitems>"});
    // A model without lighting leaves the profile's lighting alone.
    const QString before = Snapshot(1);
    ExchangeResult result = ImportText(lit, 1, {103, false, {1, 2}});
    ASSERT_EQ(result.status, Status::Done);
    EXPECT_EQ(Snapshot(1), before);
    EXPECT_TRUE(HasNote(result, Kind::LeftOut, QStringLiteral("profileinfo/Lightitems"))) << NotesText(result);

    // With lighting, a profile that never had lighting rows gets the default
    // ones first, then the file's values as the sliders would take them.
    result = ImportText(lit);
    ASSERT_EQ(result.status, Status::Done);
    EXPECT_EQ(m_store.GetActiveLightMode(1), 5);
    LightMode mode;
    ASSERT_TRUE(m_store.GetLightMode(1, 5, mode));
    EXPECT_EQ(mode.brightness, 255);
    EXPECT_EQ(mode.speed, 7);
    EXPECT_EQ(mode.color_value, 255); // kept: not a colour
    EXPECT_EQ(m_store.CountLightModes(1), 7);
    EXPECT_TRUE(HasNote(result, Kind::Adjusted, QStringLiteral("Lightitems/item 1/brightness"))) << NotesText(result);
    EXPECT_TRUE(HasNote(result, Kind::LeftOut, QStringLiteral("Lightitems/item 1/color_value"))) << NotesText(result);
    EXPECT_TRUE(HasNote(result, Kind::LeftOut, QStringLiteral("Lightitems/item 2/light_mode"))) << NotesText(result);
}

// What the pages could not have stored is clamped as they clamp, or left out.
TEST_F(ExchangeFilesTest, ValuesAreHeldToWhatThePagesCouldStore)
{
    struct Case {
        int deviceType;
        const char* inner;
        const char* key;
        const char* stored;
        Kind note;
        const char* where;
    };
    const Case cases[] = {
        {101, "<Mouse_DPI><DPI1 value=\"30000\"/></Mouse_DPI>", "dpi_group0_value", "26000", Kind::Adjusted,
            "Mouse_DPI/DPI1/value"},
        {102, "<Mouse_DPI><DPI1 value=\"30000\"/></Mouse_DPI>", "dpi_group0_value", "12000", Kind::Adjusted,
            "Mouse_DPI/DPI1/value"},
        {101, "<Mouse_DPI><DPI2 value=\"1234\"/></Mouse_DPI>", "dpi_group1_value", "1200", Kind::Adjusted,
            "Mouse_DPI/DPI2/value"},
        {101, "<Mouse_DPI><DPI3 value=\"-400\"/></Mouse_DPI>", "dpi_group2_value", "50", Kind::Adjusted,
            "Mouse_DPI/DPI3/value"},
        {101, "<Mouse_DPI><DPI4 value=\"99999999999999999999\"/></Mouse_DPI>", "dpi_group3_value", "1600",
            Kind::LeftOut, "Mouse_DPI/DPI4/value"},
        {101, "<Mouse_DPI><DPI5 value=\"12ab\"/></Mouse_DPI>", "dpi_group4_value", "2400", Kind::LeftOut,
            "Mouse_DPI/DPI5/value"},
        {101, "<Mouse_DPI><DPI1 color=\"16777216\"/></Mouse_DPI>", "dpi_group0_rgb", "255", Kind::LeftOut,
            "Mouse_DPI/DPI1/color"},
        {101, "<Mouse_DPI dpi_count=\"0\"/>", "dpi_count", "1", Kind::Adjusted, "Mouse_DPI/dpi_count"},
        {101, "<Mouse_DPI dpi_count=\"9\"/>", "dpi_count", "6", Kind::Adjusted, "Mouse_DPI/dpi_count"},
        {101, "<Mouse_DPI dpi_count=\"3\" dpi_index=\"5\"/>", "dpi_index", "2", Kind::Adjusted, "Mouse_DPI/dpi_index"},
        {101, "<Mouse_DPI dpi_flag=\"256\"/>", "dpi_flag", "5", Kind::LeftOut, "Mouse_DPI/dpi_flag"},
        {101, "<Mouse><report_rate value=\"4\"/></Mouse>", "report_rate", "2", Kind::LeftOut,
            "Mouse/report_rate/value"},
        {101, "<Mouse><button_respondtime value=\"80\"/></Mouse>", "button_respondtime", "50", Kind::Adjusted,
            "Mouse/button_respondtime/value"},
        {101, "<Mouse><button_respondtime value=\"0\"/></Mouse>", "button_respondtime", "1", Kind::Adjusted,
            "Mouse/button_respondtime/value"},
        {101, "<Mouse><sensor_flag value=\"-1\"/></Mouse>", "sensor_flag", "53", Kind::LeftOut,
            "Mouse/sensor_flag/value"},
        {101, "<Mouse><liftoff_height/></Mouse>", "liftoff_height", "1", Kind::Missing, "Mouse/liftoff_height/value"},
    };
    for (const Case& c : cases) {
        (void)m_store.ResetConfig(1);
        const ExchangeResult result = ImportText(ProfileFile({c.inner}), 1, {c.deviceType, true, {1}});
        ASSERT_EQ(result.status, Status::Done) << c.inner;
        EXPECT_EQ(Config(1, c.key), QString::fromLatin1(c.stored)) << c.inner;
        EXPECT_TRUE(HasNote(result, c.note, QString::fromLatin1(c.where))) << c.inner << "\n" << NotesText(result);
    }
}

TEST_F(ExchangeFilesTest, ButtonRowsNoPageCouldStoreAreLeftOut)
{
    const int macro = m_store.AddMacro(QStringLiteral("M"));
    ASSERT_GT(macro, 0);
    const int program = m_store.AddKeyOtherData(QStringLiteral("app"), QStringLiteral("/usr/bin/app"), 9);
    ASSERT_GT(program, 0);
    NamedEntry snippet;
    snippet.name = QStringLiteral("hello");
    const int text = m_store.AddText(snippet);
    ASSERT_GT(text, 0);
    const QByteArray long70(70, 'x');
    struct Row {
        QByteArray item;
        bool kept;
    };
    const Row rows[] = {
        {"key_code=\"1\" macro_type=\"1\" macro_value=\"3\"", true},
        {"key_code=\"0\" macro_type=\"1\" macro_value=\"3\"", false}, // the first marker's button
        {"key_code=\"42\" macro_type=\"1\" macro_value=\"3\"", false}, // not a button of the model
        {"key_code=\"2\" macro_type=\"3\" macro_value=\"3\"", false}, // no such function type
        {"key_code=\"2\" macro_type=\"99\" macro_value=\"3\"", false},
        {"key_code=\"2\" macro_type=\"1\" macro_value=\"13\"", false}, // no such mouse function
        {"key_code=\"2\" macro_type=\"2\" macro_value=\"4\" macro_value2=\"256\"", false},
        {"key_code=\"2\" macro_type=\"2\" macro_value=\"3\"", false}, // usage 3 is no key
        {"key_code=\"2\" macro_type=\"4\" macro_value=\"9\"", false},
        {"key_code=\"2\" macro_type=\"7\" macro_value=\"38\"", false},
        {"key_code=\"2\" macro_type=\"8\" macro_value=\"2\"", false},
        {"key_code=\"2\" macro_type=\"5\" macro_value=\"" + QByteArray::number(macro + 1)
                + "\" macro_value2=\"1\" macro_value3=\"1\"",
            false},
        {"key_code=\"3\" macro_type=\"5\" macro_value=\"" + QByteArray::number(macro)
                + "\" macro_value2=\"300\" macro_value3=\"0\"",
            false},
        {"key_code=\"3\" macro_type=\"5\" macro_value=\"" + QByteArray::number(macro)
                + "\" macro_value2=\"10\" macro_value3=\"0\"",
            true},
        {"key_code=\"4\" macro_type=\"10\" macro_value=\"" + QByteArray::number(program) + "\"",
            false}, // a program row, not an address
        {"key_code=\"4\" macro_type=\"9\" macro_value=\"" + QByteArray::number(program) + "\"", true},
        {"key_code=\"5\" macro_type=\"11\" macro_value=\"" + QByteArray::number(text + 1) + "\"", false},
        {"key_code=\"5\" macro_type=\"11\" macro_value=\"" + QByteArray::number(text) + "\"", true},
        {"key_code=\"6\" macro_type=\"2\" macro_value=\"x\"", false},
        {"key_code=\"6\" macro_type=\"7\" macro_value=\"3\" macro_desc=\"" + long70 + "\"", true},
    };
    QByteArray file = QByteArray(kDeclaration) + "<profile><profileinfo><keyitems>";
    for (const Row& row : rows)
        file += "<item " + row.item + "/>";
    file += "</keyitems></profileinfo></profile>";
    const ExchangeResult result = ImportText(file);
    ASSERT_EQ(result.status, Status::Done);
    std::vector<KeyAssignment> keys;
    m_store.ListKeyAssignments(1, keys);
    QStringList stored;
    for (const KeyAssignment& k : keys)
        stored << QStringLiteral("%1:%2:%3").arg(k.key_code).arg(k.macro_type).arg(k.macro_value);
    EXPECT_EQ(stored.join(QLatin1Char(' ')).toStdString(),
        QStringLiteral("1:1:3 3:5:%1 4:9:%2 5:11:%3 6:7:3").arg(macro).arg(program).arg(text).toStdString());
    for (size_t i = 0; i < std::size(rows); ++i) {
        const QString where = QStringLiteral("keyitems/item %1").arg(i + 1);
        bool noted = false;
        for (const ExchangeNote& note : result.notes)
            noted = noted
                || (note.kind == Kind::LeftOut && note.where.startsWith(where) && note.where.size() >= where.size()
                    && (note.where.size() == where.size() || note.where[where.size()] == u'/'));
        EXPECT_EQ(noted, !rows[i].kept) << i + 1 << "\n" << NotesText(result);
    }
    KeyAssignment cut;
    ASSERT_TRUE(m_store.GetKeyAssignment(1, 6, cut));
    EXPECT_EQ(cut.macro_desc, QString(64, u'x'));
    EXPECT_TRUE(HasNote(result, Kind::Adjusted, QStringLiteral("keyitems/item 20/macro_desc")));
}

TEST_F(ExchangeFilesTest, AMacroImportsAsANewMacroWithTheSuffix)
{
    const QByteArray file = Lines({"<macro>",
        "<macroinfo macro_name=\"A &amp; &quot;B&quot;\" macro_type=\"0\" play_times=\"1\" delay_type=\"2\" "
        "delay_time=\"40000\"/>",
        "<macroitems>", "<item desc=\"&#x2193;  A\" index=\"7\" type=\"2\" value=\"65\" timestamp=\"99999\"/>",
        "<item desc=\"?\" index=\"8\" type=\"13\" value=\"65\" timestamp=\"10\"/>",
        "<item desc=\"&#x2191;  A\" index=\"9\" type=\"3\" value=\"65\"/>", "</macroitems>", "</macro>"});
    for (int round = 1; round <= 2; ++round) {
        const ExchangeResult result = ExchangeFiles::ImportMacroBytes(m_store, file);
        ASSERT_EQ(result.status, Status::Done);
        EXPECT_EQ(result.macroName, QStringLiteral("A & \"B\" 导入"));
        MacroInfo macro;
        ASSERT_TRUE(m_store.GetMacro(result.macroId, macro));
        EXPECT_EQ(macro.name, result.macroName);
        EXPECT_EQ(macro.delay_type, 2);
        EXPECT_EQ(macro.delay_time, 10000);
        std::vector<MacroStep> steps;
        ASSERT_EQ(m_store.ListMacroSteps(result.macroId, steps), 2);
        EXPECT_EQ(steps[0].desc, QStringLiteral("↓  A"));
        EXPECT_EQ(steps[0].record_index, 0);
        EXPECT_EQ(steps[0].delay_time, 31000);
        EXPECT_EQ(steps[1].type, 3);
        EXPECT_EQ(steps[1].record_index, 1);
        EXPECT_EQ(steps[1].delay_time, 10);
        EXPECT_TRUE(HasNote(result, Kind::LeftOut, QStringLiteral("macroitems/item 2/type"))) << NotesText(result);
        EXPECT_TRUE(HasNote(result, Kind::Missing, QStringLiteral("macroitems/item 3/timestamp"))) << NotesText(result);
        std::vector<MacroInfo> macros;
        EXPECT_EQ(m_store.ListMacros(macros), round); // importing twice gives two macros
    }
    // A long name is cut so that the suffix still fits.
    const QByteArray longName = QByteArray(kDeclaration) + "<macro><macroinfo macro_name=\"" + QByteArray(80, 'n')
        + "\"/></macro>";
    const ExchangeResult cut = ExchangeFiles::ImportMacroBytes(m_store, longName);
    ASSERT_EQ(cut.status, Status::Done) << longName.toStdString();
    EXPECT_EQ(cut.macroName, QString(61, u'n') + ExchangeFiles::kImportSuffix);
    EXPECT_EQ(cut.macroName.size(), 64);
}

TEST_F(ExchangeFilesTest, AnExportedMacroImportsWithItsEvents)
{
    const int id = m_store.AddMacro(QStringLiteral("宏 1"));
    std::vector<MacroStep> steps;
    for (int i = 0; i < 200; ++i) {
        MacroStep step;
        step.macro_id = id;
        step.record_index = i;
        step.type = 2 + i % 6;
        step.value = i;
        step.delay_time = i * 10;
        step.desc = QStringLiteral("e%1 <&>\"'").arg(i);
        steps.push_back(step);
    }
    EXPECT_TRUE(m_store.AddMacroSteps(steps));
    const QString path = Path("m.xml");
    ASSERT_EQ(ExchangeFiles::ExportMacro(m_store, id, path).status, Status::Done);
    const ExchangeResult result = ExchangeFiles::ImportMacro(m_store, path);
    ASSERT_EQ(result.status, Status::Done);
    EXPECT_TRUE(result.notes.empty()) << NotesText(result);
    EXPECT_EQ(result.macroName, QStringLiteral("宏 1 导入"));
    std::vector<MacroStep> back;
    ASSERT_EQ(m_store.ListMacroSteps(result.macroId, back), 200);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(back[i].type, steps[i].type);
        EXPECT_EQ(back[i].value, steps[i].value);
        EXPECT_EQ(back[i].delay_time, std::min(steps[i].delay_time, 31000));
        EXPECT_EQ(back[i].desc, steps[i].desc);
    }
}

// ---- Hostile files ----

TEST_F(ExchangeFilesTest, RefusedFilesChangeNothing)
{
    ASSERT_GT(AddButton(1, 2, 1, 3, 0, 0, QStringLiteral("Right")), 0);
    const QString profileBefore = Snapshot(1);
    const QString macrosBefore = MacroSnapshot();

    QByteArray deep = QByteArray(kDeclaration) + "<profile><profileinfo>";
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    QByteArray tooManyEvents = QByteArray(kDeclaration) + "<macro><macroinfo macro_name=\"x\"/><macroitems>";
    for (int i = 0; i < 201; ++i)
        tooManyEvents += "<item desc=\"\" index=\"0\" type=\"2\" value=\"65\" timestamp=\"10\"/>";
    tooManyEvents += "</macroitems></macro>";
    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char((i * 131 + 7) & 0xFF);

    struct Case {
        const char* name;
        QByteArray bytes;
        Status profile;
        Status macro;
    };
    const Case cases[] = {
        {"empty", QByteArray(), Status::NotXml, Status::NotXml},
        {"plain text", "Profile 1: 400 dpi", Status::NotXml, Status::NotXml},
        {"binary", binary, Status::NotXml, Status::NotXml},
        {"cut short", ProfileFile({"<keyitems/>"}).left(60), Status::NotXml, Status::NotXml},
        {"deep and unended", deep, Status::NotXml, Status::NotXml},
        {"two roots", "<profile><profileinfo/></profile><profile/>", Status::NotXml, Status::NotXml},
        {"other root", "<config><profileinfo/></config>", Status::WrongKind, Status::WrongKind},
        {"no profileinfo", "<profile><keyitems/></profile>", Status::WrongKind, Status::WrongKind},
        {"no macroinfo", "<macro><macroitems/></macro>", Status::WrongKind, Status::WrongKind},
        {"201 events", tooManyEvents, Status::WrongKind, Status::TooManyEvents},
    };
    for (const Case& c : cases) {
        const ExchangeResult profile = ImportText(c.bytes);
        EXPECT_EQ(profile.status, c.profile) << c.name;
        const ExchangeResult macro = ExchangeFiles::ImportMacroBytes(m_store, c.bytes);
        EXPECT_EQ(macro.status, c.macro) << c.name;
        EXPECT_EQ(macro.macroId, 0) << c.name;
        ASSERT_EQ(Snapshot(1).toStdString(), profileBefore.toStdString()) << c.name;
        ASSERT_EQ(MacroSnapshot(), macrosBefore) << c.name;
    }

    // Deep but well formed: unknown elements are only noted.
    QByteArray deepClosed = QByteArray(kDeclaration) + "<profile><profileinfo>";
    for (int i = 0; i < 100000; ++i)
        deepClosed += "<a>";
    for (int i = 0; i < 100000; ++i)
        deepClosed += "</a>";
    deepClosed += "</profileinfo></profile>";
    ASSERT_LT(deepClosed.size(), ExchangeFiles::kMaxFileSize);
    const ExchangeResult result = ImportText(deepClosed);
    EXPECT_EQ(result.status, Status::Done);
    EXPECT_TRUE(HasNote(result, Kind::LeftOut, QStringLiteral("profileinfo/a")));
    EXPECT_EQ(Snapshot(1), profileBefore);
}

TEST_F(ExchangeFilesTest, FilesAreReadOnlyWhenSmallAndPlain)
{
    // 50 MB, sparse: refused by its size without being read.
    const QString huge = Path("huge.xml");
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(ProfileFile({"<keyitems/>"}));
        ASSERT_TRUE(file.resize(50LL * 1024 * 1024));
    }
    EXPECT_EQ(ExchangeFiles::ImportProfile(m_store, 1, Heron(), huge).status, Status::TooLarge);
    EXPECT_EQ(ExchangeFiles::ImportMacro(m_store, huge).status, Status::TooLarge);
    // Just over the limit, and just within it.
    QByteArray padded = ProfileFile({"<keyitems/>"});
    padded += QByteArray(ExchangeFiles::kMaxFileSize - padded.size(), ' ');
    WriteFile(Path("limit.xml"), padded);
    EXPECT_EQ(ExchangeFiles::ImportProfile(m_store, 1, Heron(), Path("limit.xml")).status, Status::Done);
    ASSERT_GT(AddButton(1, 2, 1, 3, 0, 0, QStringLiteral("Right")), 0);
    const QString withButton = Snapshot(1);
    WriteFile(Path("over.xml"), padded + ' ');
    EXPECT_EQ(ExchangeFiles::ImportProfile(m_store, 1, Heron(), Path("over.xml")).status, Status::TooLarge);
    EXPECT_EQ(ExchangeFiles::ImportProfile(m_store, 1, Heron(), Path("missing.xml")).status, Status::Unreadable);
    EXPECT_EQ(ExchangeFiles::ImportProfile(m_store, 1, Heron(), m_dir.path()).status, Status::Unreadable);
    // A FIFO would block a plain read for ever.
    const QString fifo = Path("fifo.xml");
    ASSERT_EQ(mkfifo(fifo.toUtf8().constData(), 0600), 0);
    EXPECT_EQ(ExchangeFiles::ImportProfile(m_store, 1, Heron(), fifo).status, Status::Unreadable);
    EXPECT_EQ(Snapshot(1), withButton);
}

TEST_F(ExchangeFilesTest, APathSwappedForAFifoWhileImportedIsNeverWaitedOn)
{
    // Another program keeps renaming a good profile file and a FIFO over the
    // chosen path. Whatever the import meets must be judged by what it opened:
    // the file read whole, or the FIFO refused at once. A reader left waiting
    // on the FIFO is released by a writer here, and then reads nothing at all.
    const QByteArray good = ProfileFile({"<keyitems/>"});
    WriteFile(Path("good.xml"), good);
    const QByteArray fifo = Path("fifo").toUtf8();
    ASSERT_EQ(mkfifo(fifo.constData(), 0600), 0);
    const QString target = Path("swapped.xml");
    const QByteArray targetName = target.toUtf8();
    const QByteArray goodName = Path("good.xml").toUtf8();
    const QByteArray staging = Path("staging").toUtf8();
    ASSERT_EQ(link(goodName.constData(), targetName.constData()), 0);

    std::atomic<bool> stop{false};
    std::thread swapper([&] {
        for (bool useFifo = true; !stop; useFifo = !useFifo) {
            if (link(useFifo ? fifo.constData() : goodName.constData(), staging.constData()) == 0)
                (void)rename(staging.constData(), targetName.constData());
        }
    });
    std::thread releaser([&] {
        while (!stop) {
            const int fd = open(fifo.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0)
                close(fd);
        }
    });
    int done = 0;
    int refused = 0;
    std::vector<Status> others;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (std::chrono::steady_clock::now() < until) {
        const Status status = ExchangeFiles::ImportProfile(m_store, 1, Heron(), target).status;
        if (status == Status::Done)
            ++done;
        else if (status == Status::Unreadable)
            ++refused;
        else
            others.push_back(status);
    }
    stop = true;
    swapper.join();
    releaser.join();
    EXPECT_TRUE(others.empty()) << others.size() << " imports read the FIFO";
    EXPECT_GT(done, 0);
    EXPECT_GT(refused, 0);
}

TEST_F(ExchangeFilesTest, FilesInOtherEncodingsAreReadInTheirEncoding)
{
    const QString name = QStringLiteral("鼠标宏");
    const QString text = QStringLiteral(
                             "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<macro>\r\n<macroinfo macro_name=\"")
        + name
        + QStringLiteral("\" macro_type=\"0\" play_times=\"1\" delay_type=\"1\" delay_time=\"10\"/>\r\n</macro>\r\n");
    // UTF-16 with its byte-order mark, and GB2312 as declared (the name's
    // three characters are CA F3, B1 EA, BA EA there).
    QByteArray utf16("\xFF\xFE", 2);
    utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    const QByteArray gb2312 = "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<macro>\r\n"
                              "<macroinfo macro_name=\"\xCA\xF3\xB1\xEA\xBA\xEA\" macro_type=\"0\" play_times=\"1\" "
                              "delay_type=\"1\" delay_time=\"10\"/>\r\n</macro>\r\n";
    for (const QByteArray& bytes : {utf16, gb2312}) {
        const ExchangeResult result = ExchangeFiles::ImportMacroBytes(m_store, bytes);
        ASSERT_EQ(result.status, Status::Done);
        EXPECT_EQ(result.macroName, name + ExchangeFiles::kImportSuffix);
    }
    // GB2312 without a declaration reads as the ANSI code page: other
    // characters, but a macro all the same, nothing else touched.
    QByteArray undeclared = gb2312;
    undeclared.replace("encoding=\"gb2312\"", "");
    const ExchangeResult result = ExchangeFiles::ImportMacroBytes(m_store, undeclared);
    ASSERT_EQ(result.status, Status::Done);
    EXPECT_TRUE(result.macroName.endsWith(ExchangeFiles::kImportSuffix));
    EXPECT_NE(result.macroName, name + ExchangeFiles::kImportSuffix);

    // A damaged UTF-16 file: a half of a surrogate pair cannot be stored as it
    // is. The result names the macro as the store holds it, and says so.
    QByteArray damaged = utf16;
    const qsizetype at = damaged.indexOf(QByteArray(reinterpret_cast<const char*>(name.utf16()), 2));
    ASSERT_GT(at, 0);
    damaged[at] = '\x3D';
    damaged[at + 1] = '\xD8'; // U+D83D without its low half
    const ExchangeResult lone = ExchangeFiles::ImportMacroBytes(m_store, damaged);
    ASSERT_EQ(lone.status, Status::Done);
    MacroInfo stored;
    ASSERT_TRUE(m_store.GetMacro(lone.macroId, stored));
    EXPECT_EQ(stored.name, lone.macroName);
    EXPECT_FALSE(lone.macroName.contains(QChar(0xD83D)));
    EXPECT_TRUE(lone.macroName.endsWith(name.mid(1) + ExchangeFiles::kImportSuffix));
    EXPECT_TRUE(HasNote(lone, Kind::Adjusted, QStringLiteral("macroinfo/macro_name"))) << NotesText(lone);
}

TEST_F(ExchangeFilesTest, AnImportTheStoreRefusesHalfwayChangesNothing)
{
    ASSERT_GT(AddButton(1, 2, 1, 3, 0, 0, QStringLiteral("Right")), 0);
    const QString before = Snapshot(1);
    // The store refuses the last write of the import, after the buttons were
    // already replaced and the DPI values written.
    ASSERT_EQ(m_store.Execute("CREATE TRIGGER refuse BEFORE UPDATE ON t_configdata WHEN NEW.key = 'leftbtn_lock' "
                              "BEGIN SELECT RAISE(ABORT, 'refused'); END"),
        0);
    const ExchangeResult result = ImportText(
        ProfileFile({"<keyitems>", "<item key_code=\"3\" macro_type=\"1\" macro_value=\"5\"/>", "</keyitems>",
            "<Mouse_DPI dpi_flag=\"5\" dpi_index=\"0\" dpi_count=\"2\"><DPI1 value=\"700\" color=\"1\"/></Mouse_DPI>",
            "<Mouse>", "<report_rate value=\"0\"/>", "<leftbtn_lock value=\"0\"/>", "</Mouse>"}));
    EXPECT_EQ(result.status, Status::StoreFailed);
    EXPECT_TRUE(result.notes.empty());
    EXPECT_EQ(Snapshot(1).toStdString(), before.toStdString());

    // A macro whose sixth event the store refuses is not added at all.
    ASSERT_EQ(m_store.Execute("CREATE TRIGGER refuse_step BEFORE INSERT ON t_macrorecord WHEN NEW.record_index = 5 "
                              "BEGIN SELECT RAISE(ABORT, 'refused'); END"),
        0);
    QByteArray macro = QByteArray(kDeclaration) + "<macro><macroinfo macro_name=\"m\"/><macroitems>";
    for (int i = 0; i < 8; ++i)
        macro += "<item desc=\"\" index=\"0\" type=\"2\" value=\"65\" timestamp=\"10\"/>";
    macro += "</macroitems></macro>";
    const ExchangeResult refused = ExchangeFiles::ImportMacroBytes(m_store, macro);
    EXPECT_EQ(refused.status, Status::StoreFailed);
    EXPECT_EQ(refused.macroId, 0);
    EXPECT_EQ(MacroSnapshot(), QString());
    EXPECT_EQ(QueryInt("SELECT count(*) FROM t_macrorecord"), 0);
}

} // namespace
