// Every shipped data file of the device layer: config.xml and the description
// of each model, read the way the program reads them and checked against the
// product table, the language files and the factory button map.

#include "devices/AppConfig.h"
#include "devices/DeviceDescription.h"
#include "language/LanguageFile.h"
#include "xml/XmlDocument.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <set>

namespace {

const QString kResources = QStringLiteral(TARVO_SOURCE_DIR "/resources/");

struct Product {
    int32_t deviceType;
    const char* name;
    const char* attr;
    int32_t cablePid;
    int32_t receiverPid;
    bool lighting;
};

// The product table of the house design, written out by hand.
constexpr Product kProducts[] = {
    { 101, "Heron Pro", "heron", 0x6D25, 0x6425, true },
    { 102, "Heron", "heron_3311", 0x6D26, 0x6426, true },
    { 103, "Egret Pro", "egret", 0x6D2E, 0x642E, false },
    { 104, "Egret", "egret_3311", 0x6D2D, 0x642D, false },
    { 105, "Egret V2 Pro", "egretv2", 0x6D32, 0x6432, true },
    { 106, "Egret V2", "egretv2_3311", 0x6D31, 0x6431, true },
    { 107, "Plover Pro", "plover", 0x6D30, 0x6430, true },
    { 108, "Plover", "plover_3311", 0x6D2F, 0x642F, true },
};

// Factory function of each button code (mouse function values), and the
// label text that names it.
struct Factory {
    int32_t value;
    int32_t text;
};
const std::map<int32_t, Factory> kFactory = {
    { 0, { 1, 150 } }, { 1, { 3, 151 } }, { 2, { 2, 152 } }, { 3, { 5, 153 } },
    { 4, { 6, 154 } }, { 5, { 7, 156 } }, { 6, { 8, 157 } }, { 7, { 11, 210 } },
};

LanguageFile Language(int lcid)
{
    QFile file(kResources + QStringLiteral("language/%1.lan").arg(lcid));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << lcid;
    return LanguageFile::Parse(file.readAll());
}

std::vector<QString> DescriptionFiles()
{
    std::vector<QString> files;
    for (const Product& product : kProducts)
        files.push_back(DeviceDescription::FilePath(kResources, QString::fromLatin1(product.attr)));
    return files;
}

}

TEST(ShippedFiles, EveryFileIsWellFormed)
{
    std::vector<QString> files = DescriptionFiles();
    files.push_back(AppConfig::FilePath(kResources));
    for (const QString& path : files) {
        XmlDocument doc;
        EXPECT_TRUE(doc.LoadFile(path)) << path.toStdString() << ": " << doc.ResultText().toStdString();
        EXPECT_TRUE(doc.IsWellFormed()) << path.toStdString();
    }
}

TEST(ShippedFiles, ConfigDeclaresTheProductTable)
{
    AppConfig config;
    ASSERT_TRUE(config.Load(AppConfig::FilePath(kResources), nullptr)) << config.LastError().toStdString();
    EXPECT_EQ(config.SoftwareVersion(), QStringLiteral("1.0.10"));
    ASSERT_EQ(config.Models().size(), std::size(kProducts));
    ASSERT_EQ(config.Modes().size(), 2 * std::size(kProducts));

    std::set<int32_t> types;
    std::set<std::pair<int32_t, int32_t>> identities;
    for (size_t i = 0; i < std::size(kProducts); ++i) {
        const Product& product = kProducts[i];
        const ModelEntry& model = config.Models()[i];
        EXPECT_EQ(model.deviceType, product.deviceType);
        EXPECT_EQ(model.name, QString::fromLatin1(product.name));
        EXPECT_EQ(model.deviceAttr, QString::fromLatin1(product.attr));
        // The skin's pictures are painted by the widget layer's build; the
        // name must be the one it paints.
        EXPECT_EQ(model.imagePath, QStringLiteral("device/%1.png").arg(QString::fromLatin1(product.attr)));
        EXPECT_TRUE(types.insert(model.deviceType).second) << "device type twice: " << model.deviceType;

        for (int mode = 0; mode < 2; ++mode) {
            const ModelEntry& entry = config.Modes()[2 * i + size_t(mode)];
            const int32_t pid = mode == 0 ? product.cablePid : product.receiverPid;
            EXPECT_EQ(entry.deviceType, product.deviceType);
            EXPECT_EQ(entry.mode, mode);
            EXPECT_EQ(entry.vendorId, 0x7768);
            EXPECT_EQ(entry.productId, pid);
            EXPECT_EQ(entry.interfacePattern, QStringLiteral("VID_7768&PID_%1&MI_01").arg(pid, 4, 16, QLatin1Char('0')).toUpper());
            EXPECT_EQ(entry.interfacePattern, entry.interfacePattern.toUpper());
            EXPECT_TRUE(identities.insert({ entry.vendorId, entry.productId }).second)
                << "vid/pid twice: " << std::hex << entry.productId;
        }
    }
}

TEST(ShippedFiles, EveryModelHasADescriptionWithLabelledFactoryButtons)
{
    AppConfig config;
    ASSERT_TRUE(config.Load(AppConfig::FilePath(kResources), nullptr));
    const LanguageFile chinese = Language(2052);
    const LanguageFile english = Language(1033);
    const QString lan = QStringLiteral("LAN");

    for (const ModelEntry& model : config.Models()) {
        SCOPED_TRACE(model.deviceAttr.toStdString());
        const QString path = DeviceDescription::FilePath(kResources, model.deviceAttr);
        ASSERT_TRUE(QFileInfo::exists(path));
        DeviceDescription description;
        ASSERT_TRUE(description.LoadFile(path)) << description.LastError().toStdString();
        EXPECT_EQ(description.Sections(), uint32_t(DeviceDescription::kPictureSection | DeviceDescription::kLightingSection
                                                   | DeviceDescription::kButtonSection));
        EXPECT_EQ(description.PictureName(), model.imagePath);
        const Product* product = nullptr;
        for (const Product& p : kProducts)
            product = p.deviceType == model.deviceType ? &p : product;
        ASSERT_NE(product, nullptr);
        EXPECT_EQ(description.Lighting(), product->lighting);

        const auto& keys = description.DefaultKeys();
        const auto& markers = description.Markers();
        ASSERT_EQ(keys.size(), markers.size());
        ASSERT_GE(keys.size(), 5u);
        EXPECT_EQ(keys[0].key_code, 0) << "the left button comes first: the button page never edits marker 0";
        std::set<int32_t> codes;
        std::vector<int32_t> labelRows[2]; // per side: y of each label
        for (size_t i = 0; i < keys.size(); ++i) {
            const KeyAssignment& key = keys[i];
            const MouseMarker& marker = markers[i];
            SCOPED_TRACE(key.key_code);
            EXPECT_TRUE(codes.insert(key.key_code).second) << "button twice";
            EXPECT_GE(key.key_code, 0);
            EXPECT_LE(key.key_code, 8);
            ASSERT_TRUE(kFactory.count(key.key_code));
            EXPECT_EQ(key.macro_type, 1);
            EXPECT_EQ(key.macro_value, kFactory.at(key.key_code).value);
            EXPECT_EQ(key.macro_desc, QString::number(kFactory.at(key.key_code).text));
            EXPECT_FALSE(key.layout_desc.isEmpty());
            EXPECT_FALSE(chinese.Value(lan, key.macro_desc).isEmpty()) << "no Chinese text " << key.macro_desc.toStdString();
            EXPECT_FALSE(english.Value(lan, key.macro_desc).isEmpty()) << "no English text " << key.macro_desc.toStdString();

            // Picture coordinates: the dot lies on the 260 x 400 picture, the
            // label (150 x 30) beside it, and labels of one side never overlap.
            EXPECT_LE(marker.start.x(), marker.end.x());
            const QPoint dot = marker.side == 0 ? marker.end : marker.start;
            EXPECT_GE(dot.x(), 0);
            EXPECT_LT(dot.x(), 260);
            EXPECT_GE(dot.y(), 15);
            EXPECT_LE(dot.y(), 385);
            EXPECT_TRUE(marker.side == 0 || marker.side == 1);
            for (int32_t y : labelRows[marker.side == 0 ? 0 : 1])
                EXPECT_GE(std::abs(y - dot.y()), 30) << "labels overlap at y " << dot.y();
            labelRows[marker.side == 0 ? 0 : 1].push_back(dot.y());
        }
        EXPECT_TRUE(codes.count(7)) << "every model has a DPI button";
    }
}

TEST(ShippedFiles, NoStrayDescriptionFiles)
{
    // A description no model names would never be read: a sign of a renamed model.
    std::set<QString> expected;
    for (const QString& path : DescriptionFiles())
        expected.insert(QFileInfo(path).fileName());
    QDir dir(kResources + QStringLiteral("device"));
    for (const QString& name : dir.entryList({ QStringLiteral("*.xml") }, QDir::Files))
        EXPECT_TRUE(expected.count(name)) << name.toStdString();
}
