// The pure rules of the update layer: version order, what a version file may
// hold, the server's addresses, the flashing table and how the flashing
// tool's output is read.
#include "update/FlashCommand.h"
#include "update/FlashToolRunner.h"
#include "update/UpdateUrls.h"
#include "update/UpdateVersion.h"

#include <QtGlobal>
#include <gtest/gtest.h>

namespace {

TEST(CompareVersionTest, PartsCompareAsNumbersAndShapeDecides)
{
    const struct {
        const char* current;
        const char* offered;
        int32_t expected;
    } cases[] = {
        {"1.0.9", "1.0.10", kVersionNewer}, // not as text: 10 > 9
        {"1.0.10", "1.0.9", kVersionOlder},
        {"1.2.3", "1.2.3", kVersionEqual},
        {"1.2.3", "1.2", kVersionOtherShape}, // fewer parts still counts as newer
        {"1.2", "1.2.3", kVersionOtherShape},
        {"1.2.3", "2.0.0", kVersionNewer},
        {"2.0.0", "1.9.9", kVersionOlder},
        {"1.2.3", "1.2.3\n", kVersionEqual}, // the lenient part conversion stops at the break
        {"1.02.3", "1.2.3", kVersionEqual},
        {"1.x.3", "1.0.3", kVersionEqual}, // no digits: 0
        {"", "1.0.0", kVersionOtherShape},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.current) + " vs " + c.offered);
        EXPECT_EQ(CompareVersion(QString::fromLatin1(c.current), QString::fromLatin1(c.offered)), c.expected);
    }
    // Every caller's rule: 1 or more is newer.
    EXPECT_GE(CompareVersion(QStringLiteral("1.2.3"), QStringLiteral("1.2")), kVersionNewer);
}

TEST(VersionFileTest, LengthFirstThenOnlyDigitsAndDots)
{
    const struct {
        const char* body;
        int32_t maxLength;
        const char* accepted; // nullptr: refused
    } cases[] = {
        {"1.2.3", kFirmwareVersionMaxLength, "1.2.3"},
        {"1.2.3\n", kFirmwareVersionMaxLength, "1.2.3"}, // the break counts towards the length only
        {"1.2.3\r\n", kFirmwareVersionMaxLength, "1.2.3"},
        {"10.20.300", kFirmwareVersionMaxLength, "10.20.300"},
        {"10.20.300\n", kFirmwareVersionMaxLength, nullptr}, // 10 characters: too long for firmware
        {"10.20.300\n", kSoftwareVersionMaxLength, "10.20.300"},
        {"1.0.10.200\n", kSoftwareVersionMaxLength, nullptr},
        {"", kFirmwareVersionMaxLength, nullptr},
        {"\n", kFirmwareVersionMaxLength, nullptr},
        {"Not Found", kFirmwareVersionMaxLength, nullptr}, // an error page's body
        {"../../a", kFirmwareVersionMaxLength, nullptr}, // would name a file outside the temp folder
        {"1.2/3", kFirmwareVersionMaxLength, nullptr},
        {"1..2", kFirmwareVersionMaxLength, nullptr},
        {" 1.2.3", kFirmwareVersionMaxLength, nullptr},
        {"1.2\n3", kFirmwareVersionMaxLength, nullptr},
        {"7", kFirmwareVersionMaxLength, "7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.body)));
        const std::optional<QString> version = AcceptVersionText(QString::fromLatin1(c.body), c.maxLength);
        if (c.accepted) {
            ASSERT_TRUE(version.has_value());
            EXPECT_EQ(*version, QString::fromLatin1(c.accepted));
        } else {
            EXPECT_FALSE(version.has_value());
        }
    }
}

TEST(UpdateUrlsTest, FoldersAndFilesBelowTheBase)
{
    const QString base = QStringLiteral("https://updates.example/bucket/");
    EXPECT_EQ(UpdateUrls::SoftwareVersionUrl(UpdateUrls::SoftwareFolder(base, UpdateUrls::Channel::Release)),
        QStringLiteral("https://updates.example/bucket/software-upgrade/Tarvo/release/version"));
    EXPECT_EQ(UpdateUrls::SoftwareFolder(base, UpdateUrls::Channel::Debug),
        QStringLiteral("https://updates.example/bucket/software-upgrade/Tarvo/debug/"));
    const QString heron3311 = UpdateUrls::FirmwareFolder(
        base, QStringLiteral("heron-3311"), UpdateUrls::Channel::Release);
    EXPECT_EQ(heron3311, QStringLiteral("https://updates.example/bucket/firmware-upgrade/tarvo/heron-3311/release/"));
    // The firmware files and every package are joined with a second slash.
    EXPECT_EQ(UpdateUrls::MouseVersionUrl(heron3311), heron3311 + QStringLiteral("/mouse_version"));
    EXPECT_EQ(UpdateUrls::ReceiverVersionUrl(heron3311), heron3311 + QStringLiteral("/dongle_version"));
    EXPECT_EQ(UpdateUrls::PackageUrl(heron3311, UpdateUrls::ReceiverPackageName(QStringLiteral("1.0.6"))),
        heron3311 + QStringLiteral("/dongle_1.0.6_fota.zip"));
    EXPECT_EQ(
        UpdateUrls::ChecksumUrl(heron3311 + QStringLiteral("/x.zip")), heron3311 + QStringLiteral("/x.zip.sha256"));
    EXPECT_EQ(UpdateUrls::FirmwareFolder(base, QStringLiteral("egretv2"), UpdateUrls::Channel::Debug),
        QStringLiteral("https://updates.example/bucket/firmware-upgrade/tarvo/egretv2/debug/"));
    EXPECT_EQ(UpdateUrls::MouseFirmwareName(QStringLiteral("1.2.4")), QStringLiteral("mouse_1.2.4_fota.fwpkg"));
    EXPECT_EQ(UpdateUrls::SoftwareSetupName(QStringLiteral("1.0.11")), QStringLiteral("mouse-setup-1.0.11.exe"));
    // A type without a model code (109) has no folder, and so no check.
    EXPECT_TRUE(UpdateUrls::FirmwareFolder(base, QString(), UpdateUrls::Channel::Release).isEmpty());
    EXPECT_TRUE(UpdateUrls::MouseVersionUrl(QString()).isEmpty());
}

TEST(UpdateUrlsTest, OnlyAnHttpsBaseIsTaken)
{
    const struct {
        const char* base;
        const char* accepted;
    } cases[] = {
        {"https://update.tarvo.example/", "https://update.tarvo.example/"},
        {"https://127.0.0.1:8443", "https://127.0.0.1:8443/"},
        {"http://update.tarvo.example/", ""},
        {"ftp://update.tarvo.example/", ""},
        {"file:///tmp/", ""},
        {"https:///nohost/", ""},
        {"https://host/?q=1", ""},
        {"update.tarvo.example", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.base);
        EXPECT_EQ(UpdateUrls::AcceptedBase(QString::fromLatin1(c.base)), QString::fromLatin1(c.accepted));
    }
    qputenv("TARVO_UPDATE_BASE", "http://127.0.0.1:8080/");
    EXPECT_TRUE(UpdateUrls::ServerBase().isEmpty());
    qunsetenv("TARVO_UPDATE_BASE");
    EXPECT_EQ(UpdateUrls::ServerBase(), QString::fromLatin1(UpdateUrls::kDefaultBase));
}

TEST(FlashTableTest, EveryRowAndItsSpelling)
{
    const struct {
        int32_t type;
        const char* mouse;
        const char* receiver;
    } rows[] = {{101, "0x6d25", "0x6425"}, {102, "0x6d26", "0x6426"}, {103, "0x6d2E", "0x642E"},
        {104, "0x6d2D", "0x642D"}, {105, "0x6d32", "0x6432"}, {106, "0x6d31", "0x6431"}, {107, "0x6d30", "0x6430"},
        {108, "0x6d2F", "0x642F"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.type);
        EXPECT_EQ(FlashTable::ProductIdText(row.type, FlashTarget::Mouse), QString::fromLatin1(row.mouse));
        EXPECT_EQ(FlashTable::ProductIdText(row.type, FlashTarget::Receiver), QString::fromLatin1(row.receiver));
        EXPECT_EQ(
            FlashTable::ProductId(row.type, FlashTarget::Mouse), QString::fromLatin1(row.mouse).toUShort(nullptr, 16));
    }
    for (int32_t type : {0, 100, 109, -1}) {
        EXPECT_FALSE(FlashTable::ProductId(type, FlashTarget::Mouse).has_value());
        EXPECT_TRUE(FlashTable::ProductIdText(type, FlashTarget::Receiver).isEmpty());
        EXPECT_FALSE(
            FlashTable::BuildCommand(QStringLiteral("/opt/tarvo/"), type, FlashTarget::Mouse, QStringLiteral("/p")));
    }
}

TEST(FlashTableTest, TheReceiverOfType104)
{
    const std::optional<FlashCommand> command = FlashTable::BuildCommand(QStringLiteral("/opt/tarvo files/"), 104,
        FlashTarget::Receiver, QStringLiteral("/home/u/.local/share/Tarvo Files/temp/dongle_1.0.6_fota.fwpkg"));
    ASSERT_TRUE(command.has_value());
    EXPECT_EQ(command->program, QStringLiteral("/opt/tarvo files/BurnTool/BurnTool"));
    // One argument each, the package path with its blanks included.
    EXPECT_EQ(command->arguments,
        (QStringList{QStringLiteral("-dfu"), QStringLiteral("-pid:0x642D"), QStringLiteral("-vid:0x7768"),
            QStringLiteral("-usagepage:0xffb1"), QStringLiteral("-usage:0x01"),
            QStringLiteral("-bin:/home/u/.local/share/Tarvo Files/temp/dongle_1.0.6_fota.fwpkg")}));
}

TEST(FlashOutputTest, WhatEachBlockDoes)
{
    const QByteArray folder = "/OPT/TARVO";
    const QByteArray bar = "Download\t[=========================]";
    const struct {
        QByteArray block;
        FlashBlock::Kind kind;
        int32_t percent;
        FlashBlock::End end;
        bool echoesFolder;
    } cases[] = {
        {bar + " 100%", FlashBlock::Kind::Progress, 100, FlashBlock::End::None, false},
        {bar + "  45%   1234 bytes", FlashBlock::Kind::Progress, 45, FlashBlock::End::None, false},
        {bar + "   5%", FlashBlock::Kind::Progress, 5, FlashBlock::End::None, false},
        {"7%" + bar, FlashBlock::Kind::Progress, 7, FlashBlock::End::None, false}, // the block's first "%"
        {bar + " 100%\nDownload done\n", FlashBlock::Kind::Progress, 100, FlashBlock::End::None, false},
        {bar, FlashBlock::Kind::Progress, -1, FlashBlock::End::None, false}, // no "%": the bar stays
        {bar + " 250%", FlashBlock::Kind::Progress, 100, FlashBlock::End::None, false},
        {"All images burn successfully\n", FlashBlock::Kind::End, -1, FlashBlock::End::Success, false},
        {"Download done\n", FlashBlock::Kind::End, -1, FlashBlock::End::Success, false},
        {"No DFU capable USB device available\n", FlashBlock::Kind::End, -1, FlashBlock::End::NoDevice, false},
        {"Download\t[====] 50%", FlashBlock::Kind::Text, -1, FlashBlock::End::None, false}, // not the marker
        {"Opening DFU capable USB device...\n", FlashBlock::Kind::Text, -1, FlashBlock::End::None, false},
        {"/OPT/TARVO>", FlashBlock::Kind::Text, -1, FlashBlock::End::None, true},
        {"/opt/tarvo>", FlashBlock::Kind::Text, -1, FlashBlock::End::None, false}, // the echo is upper case
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.block.toStdString());
        const FlashBlock examined = ExamineFlashBlock(c.block, folder);
        EXPECT_EQ(examined.kind, c.kind);
        EXPECT_EQ(examined.percent, c.percent);
        EXPECT_EQ(examined.end, c.end);
        EXPECT_EQ(examined.echoesFolder, c.echoesFolder);
    }
    EXPECT_FALSE(ExamineFlashBlock("anything", QByteArray()).echoesFolder);
}

} // namespace
