#pragma once

#include <QStringView>

#include <vector>

// Character-set names onto Windows code pages, and code pages onto the names
// iconv knows them by. Code pages are the unit the document's encoding is kept
// in, so files written here match what Windows programs expect.
class XmlCharsets
{
public:
    static constexpr int kUtf16Le = 1200;
    static constexpr int kUtf16Be = 1201;
    static constexpr int kWindows1252 = 1252;
    static constexpr int kUsAscii = 20127;
    static constexpr int kLatin1 = 28591;
    static constexpr int kUtf7 = 65000;
    static constexpr int kUtf8 = 65001;
    // Not a Windows code page: UTF-32 is converted by our own code.
    static constexpr int kUtf32 = 65005;
    // The code page used for names not in the table. Linux has no system ANSI
    // code page; Windows-1252 is what Windows itself uses for Western locales
    // and decodes every byte, so a file of unknown encoding never loses text.
    static constexpr int kAnsi = kWindows1252;

    // Any name beginning with "UTF-32" gives kUtf32; otherwise the name is
    // lowered in the ASCII range and looked up; -1 when unknown.
    static int CodePageFromName(QStringView name);
    static int NameCount();
    // The distinct code pages of the name table.
    static std::vector<int> CodePages();
    // The iconv name for a code page, or nullptr when iconv has no such table.
    static const char* IconvName(int codePage);
    // False for the pages that convert without reporting unrepresentable
    // characters (UTF-7, UTF-8, ISO-2022, HZ, GB18030, ISCII).
    static bool ReportsLoss(int codePage);
};
