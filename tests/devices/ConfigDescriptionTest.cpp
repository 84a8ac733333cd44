// config.xml and description files read from files written by the tests.

#include "DevicesTestSupport.h"
#include "SimFixture.h"

#include "devices/AppConfig.h"
#include "devices/DeviceDescription.h"
#include "language/InterfaceText.h"
#include "language/Language.h"
#include "platform/LenientNumber.h"

#include <climits>

namespace {

class TextsFixture {
public:
    TextsFixture()
    {
        InterfaceText::SetProgramFolder(QStringLiteral(TARVO_SOURCE_DIR "/resources/"));
        Language::SetCurrent(1033);
    }
};

}

TEST(LenientNumbers, Hexadecimal)
{
    struct Case {
        const char* text;
        int32_t value;
    };
    const Case cases[] = {
        { "7768", 0x7768 }, { "0x7768", 0x7768 }, { "0X6d25", 0x6D25 }, { "1234", 0x1234 },
        { "  6D25", 0x6D25 }, { "6D25 ", 0x6D25 }, { "12g4", 0x12 }, { "", 0 }, { "zz", 0 },
        { "0x", 0 }, { "0xg", 0 }, { "-1A", -0x1A }, { "+10", 0x10 }, { "FFFFFFFFFF", INT_MAX },
        { "-FFFFFFFFFF", INT_MIN }, { "7fffffff", INT_MAX },
    };
    for (const Case& c : cases)
        EXPECT_EQ(LenientNumber::Hex(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(LenientNumbers, Decimal)
{
    struct Case {
        const char* text;
        int32_t value;
    };
    const Case cases[] = {
        { "101", 101 }, { " 102", 102 }, { "103abc", 103 }, { "", 0 }, { "abc", 0 }, { "-30", -30 },
        { "0x65", 0 }, { "99999999999", INT_MAX },
    };
    for (const Case& c : cases)
        EXPECT_EQ(LenientNumber::Decimal(QString::fromLatin1(c.text)), c.value) << c.text;
}

using AppConfigTest = SimFixture;

TEST_F(AppConfigTest, ModesAreRegisteredWithTheirModelsTypeWhateverTheHexSpelling)
{
    TextsFixture texts;
    QTemporaryDir dir;
    const QString folder = MakeProgramFolder(dir);
    WriteText(folder, QStringLiteral("config.xml"),
              ConfigXml(MouseXml(101, "heron", "6D25", "6425", "0x7768") + MouseXml(102, "odd", "1234", "0X642a", "7768")));
    auto hid = std::make_unique<HidDeviceList>(FastTimings());
    hid->AddSupportedDevice(0x7768, 0x1111, QString(), 999, 0); // a leftover that the load must clear

    AppConfig config;
    ASSERT_TRUE(config.Load(AppConfig::FilePath(folder), hid.get()));
    ASSERT_EQ(config.Models().size(), 2u);
    ASSERT_EQ(config.Modes().size(), 4u);
    EXPECT_EQ(config.Models()[0].mode, 0);
    EXPECT_EQ(config.Models()[0].vendorId, 0) << "model entries keep the mode fields at their initial values";
    EXPECT_TRUE(config.Models()[0].interfacePattern.isEmpty());
    EXPECT_EQ(config.Modes()[0].vendorId, 0x7768);
    EXPECT_EQ(config.Modes()[2].productId, 0x1234) << "decimal-looking text is hexadecimal";
    EXPECT_EQ(config.Modes()[3].productId, 0x642A);
    EXPECT_EQ(config.Modes()[3].interfacePattern, QStringLiteral("VID_7768&PID_0X642a&MI_01"));

    EXPECT_EQ(hid->IsSupported(0x7768, 0x1111), 0);
    EXPECT_EQ(hid->LookupDevType(0x7768, 0x6425), 101);
    EXPECT_EQ(hid->LookupDevMode(0x7768, 0x6425), 1);
    EXPECT_EQ(hid->LookupDevType(0x7768, 0x1234), 102);
    EXPECT_EQ(hid->LookupDevMode(0x7768, 0x642A), 1);
    EXPECT_EQ(config.SoftwareVersion(), QStringLiteral("2.3.4"));
    EXPECT_EQ(config.VersionLabel(), QStringLiteral("Version: v2.3.4"));
}

TEST_F(AppConfigTest, BadFilesLeaveNoModelsAndTheBuiltInVersion)
{
    TextsFixture texts;
    QTemporaryDir dir;
    const QString folder = MakeProgramFolder(dir);
    const QByteArray good = ConfigXml(MouseXml(101, "heron", "6D25", "6425"));
    struct Case {
        const char* what;
        QByteArray text; // empty: no file at all
    };
    const Case cases[] = {
        { "missing", QByteArray() },
        { "cut short", good.left(good.indexOf("<mode value=\"1\"")) },
        { "mismatched end tag", "<config><device>" + MouseXml(101, "heron", "6D25", "6425") + "</config></device>" },
        { "not XML", "\x01\x02 binary" },
        { "another root", "<settings><device>" + MouseXml(101, "heron", "6D25", "6425") + "</device></settings>" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteText(folder, QStringLiteral("config.xml"), good);
        auto hid = std::make_unique<HidDeviceList>(FastTimings());
        AppConfig config;
        ASSERT_TRUE(config.Load(AppConfig::FilePath(folder), hid.get()));
        ASSERT_EQ(hid->IsSupported(0x7768, 0x6D25), 1);

        QFile::remove(folder + QStringLiteral("config.xml"));
        if (!c.text.isEmpty())
            WriteText(folder, QStringLiteral("config.xml"), c.text);
        EXPECT_FALSE(config.Load(AppConfig::FilePath(folder), hid.get()));
        EXPECT_TRUE(config.Models().empty());
        EXPECT_TRUE(config.Modes().empty());
        EXPECT_EQ(config.SoftwareVersion(), QStringLiteral("1.0.10"));
        EXPECT_EQ(hid->IsSupported(0x7768, 0x6D25), 0) << "identities of an earlier load stay registered";
        EXPECT_FALSE(config.LastError().isEmpty());
    }
}

TEST(AppConfigLayout, OddButWellFormedFiles)
{
    QTemporaryDir dir;
    const QString folder = MakeProgramFolder(dir);
    const QString path = AppConfig::FilePath(folder);
    AppConfig config;

    // Two models with one device type: both listed, the first one found.
    WriteText(folder, QStringLiteral("config.xml"),
              ConfigXml(MouseXml(101, "first", "6D25", "6425") + MouseXml(101, "second", "6D26", "6426")));
    ASSERT_TRUE(config.Load(path, nullptr));
    ASSERT_EQ(config.Models().size(), 2u);
    ASSERT_NE(config.FindModel(101), nullptr);
    EXPECT_EQ(config.FindModel(101)->deviceAttr, QStringLiteral("first"));
    EXPECT_EQ(config.Modes().size(), 4u);
    EXPECT_EQ(config.FindModel(102), nullptr);

    // A mouse without modes is listed but has no identity.
    WriteText(folder, QStringLiteral("config.xml"),
              ConfigXml("<mouse name=\"Lonely\" device_type=\"107\" device_attr=\"plover\" image=\"plover.png\"/>"
                        + MouseXml(101, "heron", "6D25", "6425")));
    ASSERT_TRUE(config.Load(path, nullptr));
    ASSERT_EQ(config.Models().size(), 2u);
    EXPECT_EQ(config.Models()[0].name, QStringLiteral("Lonely"));
    ASSERT_EQ(config.Modes().size(), 2u);
    EXPECT_EQ(config.Modes()[0].deviceType, 101);

    // "software" before "device" is not found after it.
    WriteText(folder, QStringLiteral("config.xml"),
              "<config><software version=\"9.9.9\"/><device>" + MouseXml(101, "heron", "6D25", "6425") + "</device></config>");
    ASSERT_TRUE(config.Load(path, nullptr));
    EXPECT_EQ(config.Models().size(), 1u);
    EXPECT_EQ(config.SoftwareVersion(), QStringLiteral("1.0.10"));

    // No "device" at all, and a software element without a version.
    WriteText(folder, QStringLiteral("config.xml"), "<config><software caption=\"x\"/></config>");
    ASSERT_TRUE(config.Load(path, nullptr));
    EXPECT_TRUE(config.Models().empty());
    EXPECT_EQ(config.SoftwareVersion(), QStringLiteral("1.0.10"));

    // Missing attributes read as 0 and empty.
    WriteText(folder, QStringLiteral("config.xml"), "<config><device><mouse><mode/></mouse></device></config>");
    ASSERT_TRUE(config.Load(path, nullptr));
    ASSERT_EQ(config.Modes().size(), 1u);
    EXPECT_EQ(config.Modes()[0].deviceType, 0);
    EXPECT_EQ(config.Modes()[0].productId, 0);
    EXPECT_EQ(config.Models()[0].imagePath, QString()) << "no image, no picture path";
}

TEST(DeviceDescriptionRules, RectSplitting)
{
    struct Case {
        const char* rect;
        int32_t x1, x2, y;
    };
    const Case cases[] = {
        { "120#340#88", 120, 340, 88 }, { "-30#81#44", -30, 81, 44 }, { "77", 0, 0, 77 }, { "", 0, 0, 0 },
        { "1#2", 1, 2, 0 }, { "a#b#c", 0, 0, 0 }, { " 5# 6# 7", 5, 6, 7 }, { "1#2#3#4", 1, 2, 3 },
        { "#", 0, 0, 0 }, { "99999999999#0#0", INT_MAX, 0, 0 },
    };
    for (const Case& c : cases) {
        int32_t x1 = -1, x2 = -1, y = -1;
        DeviceDescription::SplitRect(QString::fromLatin1(c.rect), x1, x2, y);
        EXPECT_EQ(x1, c.x1) << c.rect;
        EXPECT_EQ(x2, c.x2) << c.rect;
        EXPECT_EQ(y, c.y) << c.rect;
    }
}

TEST(DeviceDescriptionRules, DeviceTypeResolution)
{
    auto models = [](std::initializer_list<int32_t> types) {
        std::vector<ModelEntry> list;
        for (int32_t type : types)
            list.push_back(ModelEntry { QString(), type, QStringLiteral("m%1").arg(type), QString(), 0, 0, 0, QString() });
        return list;
    };
    struct Case {
        int32_t stored;
        std::vector<ModelEntry> models;
        int32_t current;
    };
    const Case cases[] = {
        { 0, models({ 101, 102 }), 101 }, { -5, models({ 101, 102 }), 101 }, { 102, models({ 101, 102 }), 102 },
        { 999, models({ 101, 102 }), 101 }, { 0, models({ 105, 106 }), 105 }, { 999, models({ 106, 105 }), 106 },
        { 0, {}, 101 }, { 999, {}, 999 }, { 1, models({ 1 }), 1 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(DeviceDescription::ResolveDeviceType(c.stored, c.models), c.current) << c.stored;
}

TEST(DeviceDescriptionRules, FirmwareModelByDeviceType)
{
    const std::pair<int32_t, const char*> cases[] = {
        { 101, "heron" }, { 102, "heron-3311" }, { 103, "egret" }, { 104, "egret-3311" }, { 105, "egretv2" },
        { 106, "egretv2-3311" }, { 107, "plover" }, { 108, "plover-3311" }, { 100, "" }, { 109, "" }, { 0, "" },
        { -101, "" },
    };
    for (const auto& [type, code] : cases)
        EXPECT_EQ(DeviceDescription::FirmwareModelCode(type), QString::fromLatin1(code)) << type;
}

TEST(DeviceDescriptionFile, DefaultEntriesAndMarkersFromEachKey)
{
    TextsFixture texts;
    QTemporaryDir dir;
    const QString folder = MakeProgramFolder(dir);
    WriteText(folder, QStringLiteral("device/x.xml"),
              "<mouse><image_file mouse_img=\"x.png\"/><menu light=\"1\"/><mouse_key>"
              "<key name=\"Left\" key_value=\"0\" direction=\"0\" rect=\"-30#81#44\" func_desc=\"150\" func_type=\"1\" func_value=\"1\"/>"
              "<key name=\"Side\" key_value=\"3\" direction=\"1\" rect=\"120#340#88\" func_desc=\"153\" func_type=\"4\" func_value=\"7\"/>"
              "<key name=\"Again\" key_value=\"3\" direction=\"1\" rect=\"77\" func_desc=\"0153\" func_type=\"x\"/>"
              "</mouse_key></mouse>");
    DeviceDescription description;
    ASSERT_TRUE(description.LoadFile(DeviceDescription::FilePath(folder, QStringLiteral("x"))));
    EXPECT_EQ(description.PictureName(), QStringLiteral("device/x.png"));
    EXPECT_TRUE(description.Lighting());

    const auto& keys = description.DefaultKeys();
    ASSERT_EQ(keys.size(), 3u);
    const KeyAssignment& side = keys[1];
    EXPECT_EQ(side.key_id, 0);
    EXPECT_EQ(side.profile, 0);
    EXPECT_EQ(side.fn_layer, 0);
    EXPECT_EQ(side.key_code, 3);
    EXPECT_EQ(side.layout_value, 3);
    EXPECT_EQ(side.layout_desc, QStringLiteral("Side"));
    EXPECT_EQ(side.macro_type, 4);
    EXPECT_EQ(side.macro_value, 7);
    EXPECT_EQ(side.macro_value2, 0);
    EXPECT_EQ(side.macro_value3, 0);
    EXPECT_EQ(side.macro_desc, QStringLiteral("153"));
    EXPECT_EQ(keys[2].macro_desc, QStringLiteral("0153")) << "kept as written";
    EXPECT_EQ(keys[2].macro_type, 0);
    EXPECT_EQ(keys[2].macro_value, 0);

    const auto& markers = description.Markers();
    ASSERT_EQ(markers.size(), 3u);
    EXPECT_EQ(markers[0].label, QStringLiteral("Left click"));
    EXPECT_EQ(markers[0].start, QPoint(-30, 44));
    EXPECT_EQ(markers[0].end, QPoint(81, 44));
    EXPECT_EQ(markers[1].label, QStringLiteral("Forward"));
    EXPECT_EQ(markers[1].keyValue, 3);
    EXPECT_EQ(markers[1].side, 1);
    EXPECT_EQ(markers[1].start, QPoint(120, 88));
    EXPECT_EQ(markers[1].end, QPoint(340, 88));
    EXPECT_EQ(markers[2].keyValue, 3) << "two keys with one number give two markers";
    EXPECT_EQ(markers[2].start, QPoint(0, 77));
    EXPECT_EQ(markers[2].end, QPoint(0, 77));
    EXPECT_EQ(markers[2].label, QStringLiteral("Forward"));
}

TEST(DeviceDescriptionFile, FailedLoadsKeepTheEarlierDescription)
{
    QTemporaryDir dir;
    const QString folder = MakeProgramFolder(dir);
    const QByteArray good = "<mouse><image_file mouse_img=\"a.png\"/><menu light=\"1\"/><mouse_key>"
                            "<key name=\"L\" key_value=\"0\" rect=\"1#2#3\" func_desc=\"150\" func_type=\"1\" func_value=\"1\"/>"
                            "</mouse_key></mouse>";
    struct Case {
        const char* what;
        QByteArray text;
    };
    const Case cases[] = {
        { "missing", QByteArray() },
        { "cut short", good.left(good.size() - 12) },
        { "no mouse root", "<keyboard><image_file mouse_img=\"b.png\"/></keyboard>" },
        { "empty", " " },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteText(folder, QStringLiteral("device/a.xml"), good);
        DeviceDescription description;
        ASSERT_TRUE(description.LoadFile(folder + QStringLiteral("device/a.xml")));
        QFile::remove(folder + QStringLiteral("device/b.xml"));
        if (!c.text.isEmpty())
            WriteText(folder, QStringLiteral("device/b.xml"), c.text);
        EXPECT_FALSE(description.LoadFile(folder + QStringLiteral("device/b.xml")));
        EXPECT_EQ(description.Sections(), 0u);
        EXPECT_EQ(description.PictureName(), QStringLiteral("device/a.png"));
        EXPECT_TRUE(description.Lighting());
        EXPECT_EQ(description.DefaultKeys().size(), 1u);
        EXPECT_EQ(description.Markers().size(), 1u);
    }
}

TEST(DeviceDescriptionFile, OnlyTheSectionsFoundChange)
{
    QTemporaryDir dir;
    const QString folder = MakeProgramFolder(dir);
    WriteText(folder, QStringLiteral("device/a.xml"),
              "<mouse><image_file mouse_img=\"a.png\"/><menu light=\"1\"/><mouse_key><key key_value=\"0\"/></mouse_key></mouse>");
    WriteText(folder, QStringLiteral("device/b.xml"), "<mouse><menu light=\"2\"/></mouse>");
    WriteText(folder, QStringLiteral("device/c.xml"), "<mouse><mouse_key/><image_file mouse_img=\"c.png\"/></mouse>");
    WriteText(folder, QStringLiteral("device/d.xml"), "<mouse><mouse_key></mouse_key></mouse>");
    DeviceDescription description;
    ASSERT_TRUE(description.LoadFile(folder + QStringLiteral("device/a.xml")));
    ASSERT_TRUE(description.LoadFile(folder + QStringLiteral("device/b.xml")));
    EXPECT_EQ(description.Sections(), uint32_t(DeviceDescription::kLightingSection));
    EXPECT_FALSE(description.Lighting()) << "only 1 shows the lighting tab";
    EXPECT_EQ(description.PictureName(), QStringLiteral("device/a.png"));
    EXPECT_EQ(description.DefaultKeys().size(), 1u);

    // Siblings are found in order: with the picture after the buttons, the
    // picture is found and the buttons before it are not.
    ASSERT_TRUE(description.LoadFile(folder + QStringLiteral("device/c.xml")));
    EXPECT_EQ(description.Sections(), uint32_t(DeviceDescription::kPictureSection));
    EXPECT_EQ(description.PictureName(), QStringLiteral("device/c.png"));
    EXPECT_EQ(description.DefaultKeys().size(), 1u);

    // An empty button list empties the buttons.
    ASSERT_TRUE(description.LoadFile(folder + QStringLiteral("device/d.xml")));
    EXPECT_EQ(description.Sections(), uint32_t(DeviceDescription::kButtonSection));
    EXPECT_TRUE(description.DefaultKeys().empty());
    EXPECT_TRUE(description.Markers().empty());
    EXPECT_FALSE(description.Lighting());
}

namespace {

std::vector<QString> g_logged;

void Capture(QtMsgType, const QMessageLogContext& context, const QString& text)
{
    if (context.category && QByteArray(context.category) == "tarvo.devices")
        g_logged.push_back(text);
}

}

TEST(DevicesLog, BadFilesSayWhyOnlyUnderTarvoDebug)
{
    QTemporaryDir dir;
    const QString folder = MakeProgramFolder(dir);
    WriteText(folder, QStringLiteral("config.xml"), "<config><device>");
    g_logged.clear();
    QtMessageHandler previous = qInstallMessageHandler(Capture);
    AppConfig config;
    qunsetenv("TARVO_DEBUG");
    config.Load(AppConfig::FilePath(folder), nullptr);
    const size_t quiet = g_logged.size();
    qputenv("TARVO_DEBUG", "1");
    config.Load(AppConfig::FilePath(folder), nullptr);
    DeviceDescription description;
    description.LoadFile(DeviceDescription::FilePath(folder, QStringLiteral("nowhere")));
    qunsetenv("TARVO_DEBUG");
    qInstallMessageHandler(previous);

    EXPECT_EQ(quiet, 0u);
    ASSERT_EQ(g_logged.size(), 2u);
    EXPECT_TRUE(g_logged[0].startsWith(QStringLiteral("vkt: config.xml is not well formed: "))) << g_logged[0].toStdString();
    EXPECT_TRUE(g_logged[1].contains(QStringLiteral("nowhere.xml"))) << g_logged[1].toStdString();
}
