// Unpacking update archives: a package's files land at the top of the
// destination; a hostile archive writes nothing, there or anywhere else.
#include "update/Unzip.h"
#include "UpdateServer.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// Every file and folder below root (hidden ones included), relative to it.
std::vector<std::string> Tree(const QString& root)
{
    QStringList paths;
    QDirIterator it(
        root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        paths << QDir(root).relativeFilePath(it.next());
    paths.sort();
    std::vector<std::string> out;
    for (const QString& path : paths)
        out.push_back(path.toStdString());
    return out;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class UnzipTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_sandbox.isValid());
        // The destination sits two levels down, so an escape one or two levels up is seen.
        m_dest = m_sandbox.filePath(QStringLiteral("data/temp"));
        ASSERT_TRUE(QDir().mkpath(m_dest));
        ASSERT_TRUE(WriteServedFile(m_dest, QStringLiteral("keep.txt"), "already here"));
        ASSERT_TRUE(m_archiveDir.isValid());
        m_archive = m_archiveDir.filePath(QStringLiteral("package.zip"));
    }

    QTemporaryDir m_sandbox;
    QTemporaryDir m_archiveDir;
    QString m_dest;
    QString m_archive;
};

TEST_F(UnzipTest, APackagesFilesLandAtTheTopOfTheFolder)
{
    const QByteArray firmware(200 * 1024, '\x5a');
    ZipBuilder zip;
    zip.Add("mouse_1.2.4_fota.fwpkg", firmware).Add("readme.txt", "notes");
    ZipBuilder::Entry stored;
    stored.name = "keep.txt";
    stored.data = "replaced";
    stored.stored = true;
    stored.unixMode = S_IFREG | 0644;
    zip.Add(stored);
    ASSERT_TRUE(zip.Write(m_archive));
    QString reason;
    EXPECT_EQ(Unzip::ExtractArchive(m_archive, m_dest, &reason), Unzip::ExtractStatus::Extracted)
        << reason.toStdString();
    EXPECT_EQ(Tree(m_sandbox.path()),
        (std::vector<std::string>{
            "data", "data/temp", "data/temp/keep.txt", "data/temp/mouse_1.2.4_fota.fwpkg", "data/temp/readme.txt"}));
    EXPECT_EQ(ReadAll(m_dest + QStringLiteral("/mouse_1.2.4_fota.fwpkg")), firmware);
    EXPECT_EQ(ReadAll(m_dest + QStringLiteral("/keep.txt")), QByteArray("replaced"));
}

TEST_F(UnzipTest, HostileArchivesWriteNothing)
{
    using Entry = ZipBuilder::Entry;
    auto entry = [](QByteArray name, QByteArray data = "x") {
        Entry e;
        e.name = std::move(name);
        e.data = std::move(data);
        return e;
    };
    Entry link = entry("mouse_1.2.4_fota.fwpkg", "/etc/passwd");
    link.unixMode = S_IFLNK | 0777;
    Entry fifo = entry("pipe");
    fifo.unixMode = S_IFIFO | 0644;
    Entry directory = entry("folder/", "");
    directory.unixMode = S_IFDIR | 0755;
    // 8 MiB of zeros: a few kilobytes packed.
    Entry bomb = entry("mouse_1.2.4_fota.fwpkg", QByteArray(8 * 1024 * 1024, '\0'));
    // Says 1000 bytes, inflates to 4 MiB.
    Entry liar = entry("mouse_1.2.4_fota.fwpkg", QByteArray(4 * 1024 * 1024, '\0'));
    liar.declaredSize = 1000;
    Entry secret = entry("mouse_1.2.4_fota.fwpkg", "firmware");
    secret.password = "secret";
    Entry big = entry("mouse_1.2.4_fota.fwpkg", QByteArray());
    big.declaredSize = Unzip::kMaxEntryBytes + 1;

    const struct {
        const char* what;
        std::vector<Entry> entries;
    } cases[] = {
        {"zip-slip", {entry("good.fwpkg"), entry("../evil.txt")}},
        {"deeper slip", {entry("../../evil.txt")}},
        {"slip inside a folder name", {entry("a/../../evil.txt")}},
        {"absolute", {entry("/tmp/evil.txt")}},
        {"drive letter", {entry("C:evil.txt")}},
        {"drive letter and backslash", {entry("C:\\evil.txt")}},
        {"backslash", {entry("..\\evil.txt")}},
        {"sub-folder", {entry("sub/mouse_1.2.4_fota.fwpkg")}},
        {"folder entry", {directory}},
        {"symlink", {link}},
        {"fifo", {fifo}},
        {"hidden name", {entry(".bashrc")}},
        {"dot-dot name", {entry("..")}},
        {"control character", {entry("a\nb")}},
        {"non-ASCII name", {entry("m\xc3\xa4use.fwpkg")}},
        {"duplicate names", {entry("a.fwpkg", "1"), entry("a.fwpkg", "2")}},
        {"compression bomb", {bomb}},
        {"size that lies", {liar}},
        {"encrypted", {secret}},
        {"entry above the size cap", {big}},
    };
    const std::vector<std::string> before = Tree(m_sandbox.path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ZipBuilder zip;
        for (const Entry& e : c.entries)
            zip.Add(e);
        ASSERT_TRUE(zip.Write(m_archive));
        QString reason;
        EXPECT_EQ(Unzip::ExtractArchive(m_archive, m_dest, &reason), Unzip::ExtractStatus::Refused);
        EXPECT_FALSE(reason.isEmpty());
        // Nothing new anywhere in the sandbox, the staging folder included.
        EXPECT_EQ(Tree(m_sandbox.path()), before) << reason.toStdString();
        EXPECT_EQ(ReadAll(m_dest + QStringLiteral("/keep.txt")), QByteArray("already here"));
    }
    // Too many entries.
    ZipBuilder many;
    for (int i = 0; i <= Unzip::kMaxEntries; ++i)
        many.Add(QByteArray("f") + QByteArray::number(i), "x");
    ASSERT_TRUE(many.Write(m_archive));
    EXPECT_EQ(Unzip::ExtractArchive(m_archive, m_dest), Unzip::ExtractStatus::Refused);
    EXPECT_EQ(Tree(m_sandbox.path()), before);
}

TEST_F(UnzipTest, WhatIsNotAZipIsLeftAlone)
{
    ASSERT_TRUE(WriteServedFile(m_archiveDir.path(), QStringLiteral("package.zip"), "<html>Not Found</html>"));
    EXPECT_EQ(Unzip::ExtractArchive(m_archive, m_dest), Unzip::ExtractStatus::CannotOpen);
    EXPECT_TRUE(QFile::exists(m_archive));
    EXPECT_EQ(Unzip::ExtractArchive(m_archiveDir.filePath(QStringLiteral("missing.zip")), m_dest),
        Unzip::ExtractStatus::CannotOpen);
    // A truncated archive: its directory is gone.
    const QByteArray whole = ZipBuilder().Add("a.fwpkg", QByteArray(4096, 'a')).Bytes();
    ASSERT_TRUE(WriteServedFile(m_archiveDir.path(), QStringLiteral("package.zip"), whole.left(whole.size() / 2)));
    EXPECT_EQ(Unzip::ExtractArchive(m_archive, m_dest), Unzip::ExtractStatus::CannotOpen);
    EXPECT_FALSE(QFile::exists(m_dest + QStringLiteral("/a.fwpkg")));
}

TEST(UnzipNameTest, PlainTopLevelNames)
{
    for (const char* good : {"mouse_1.2.4_fota.fwpkg", "dongle_1.0.6_fota.fwpkg", "readme.txt", "a", "x-y_z.1"})
        EXPECT_TRUE(Unzip::IsPlainTopLevelName(good)) << good;
    for (const char* bad : {"", ".", "..", "../a", "a/b", "a\\b", "/a", "C:a", "a..b", ".hidden", "a\tb", "\x7f"})
        EXPECT_FALSE(Unzip::IsPlainTopLevelName(bad)) << testing::PrintToString(std::string(bad));
}

} // namespace
