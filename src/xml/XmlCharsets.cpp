#include "xml/XmlCharsets.h"

#include <QString>

#include <array>
#include <cstring>
#include <vector>

namespace {

struct CharsetName
{
    const char* name;
    int codePage;
};

// The character-set names Windows knows (its MIME database and the aliases of
// its encodings), lower case, each onto its Windows code page.
constexpr CharsetName kCharsetNames[] = {
    {"ebcdic-cp-us", 37}, {"ebcdic-cp-ca", 37}, {"ebcdic-cp-wt", 37}, {"ebcdic-cp-nl", 37},
    {"ibm037", 37}, {"cp037", 37}, {"csibm037", 37}, {"ibm437", 437}, {"cp437", 437}, {"437", 437},
    {"cspc8codepage437", 437}, {"ibm500", 500}, {"cp500", 500}, {"csibm500", 500},
    {"ebcdic-cp-be", 500}, {"ebcdic-cp-ch", 500}, {"asmo-708", 708}, {"dos-720", 720},
    {"ibm737", 737}, {"cp737", 737}, {"ibm775", 775}, {"cp775", 775}, {"ibm850", 850},
    {"cp850", 850}, {"850", 850}, {"cspc850multilingual", 850}, {"ibm852", 852}, {"cp852", 852},
    {"ibm855", 855}, {"cp855", 855}, {"ibm857", 857}, {"cp857", 857}, {"ibm00858", 858},
    {"ccsid00858", 858}, {"cp00858", 858}, {"pc-multilingual-850+euro", 858}, {"ibm860", 860},
    {"cp860", 860}, {"ibm861", 861}, {"cp861", 861}, {"dos-862", 862}, {"ibm862", 862},
    {"cp862", 862}, {"ibm863", 863}, {"cp863", 863}, {"ibm864", 864}, {"cp864", 864},
    {"ibm865", 865}, {"cp865", 865}, {"cp866", 866}, {"ibm866", 866}, {"ibm869", 869},
    {"cp869", 869}, {"ibm870", 870}, {"cp870", 870}, {"ebcdic-cp-roece", 870},
    {"ebcdic-cp-yu", 870}, {"windows-874", 874}, {"dos-874", 874}, {"tis-620", 874},
    {"iso-8859-11", 874}, {"cp875", 875}, {"x-ebcdic-greekmodern", 875}, {"shift_jis", 932},
    {"shift-jis", 932}, {"sjis", 932}, {"ms_kanji", 932}, {"x-sjis", 932}, {"x-ms-cp932", 932},
    {"csshiftjis", 932}, {"cswindows31j", 932}, {"windows-31j", 932}, {"gb2312", 936},
    {"gbk", 936}, {"gb_2312-80", 936}, {"gb2312-80", 936}, {"gb231280", 936}, {"chinese", 936},
    {"cn-gb", 936}, {"csgb2312", 936}, {"csgb231280", 936}, {"csiso58gb231280", 936},
    {"iso-ir-58", 936}, {"x-euc-cn", 936}, {"windows-936", 936}, {"ks_c_5601-1987", 949},
    {"ksc_5601", 949}, {"ks_c_5601", 949}, {"ks-c-5601", 949}, {"ks-c5601", 949},
    {"ks_c_5601_1987", 949}, {"ks_c_5601-1989", 949}, {"ksc5601", 949}, {"korean", 949},
    {"csksc56011987", 949}, {"iso-ir-149", 949}, {"uhc", 949}, {"big5", 950}, {"big5-hkscs", 950},
    {"cn-big5", 950}, {"csbig5", 950}, {"x-x-big5", 950}, {"ibm1026", 1026}, {"cp1026", 1026},
    {"csibm1026", 1026}, {"ibm01047", 1047}, {"cp1047", 1047}, {"ibm01140", 1140},
    {"ccsid01140", 1140}, {"cp01140", 1140}, {"ebcdic-us-37+euro", 1140}, {"ibm01141", 1141},
    {"ccsid01141", 1141}, {"cp01141", 1141}, {"ebcdic-de-273+euro", 1141}, {"ibm01142", 1142},
    {"ccsid01142", 1142}, {"cp01142", 1142}, {"ebcdic-dk-277+euro", 1142},
    {"ebcdic-no-277+euro", 1142}, {"ibm01143", 1143}, {"ccsid01143", 1143}, {"cp01143", 1143},
    {"ebcdic-fi-278+euro", 1143}, {"ebcdic-se-278+euro", 1143}, {"ibm01144", 1144},
    {"ccsid01144", 1144}, {"cp01144", 1144}, {"ebcdic-it-280+euro", 1144}, {"ibm01145", 1145},
    {"ccsid01145", 1145}, {"cp01145", 1145}, {"ebcdic-es-284+euro", 1145}, {"ibm01146", 1146},
    {"ccsid01146", 1146}, {"cp01146", 1146}, {"ebcdic-gb-285+euro", 1146}, {"ibm01147", 1147},
    {"ccsid01147", 1147}, {"cp01147", 1147}, {"ebcdic-fr-297+euro", 1147}, {"ibm01148", 1148},
    {"ccsid01148", 1148}, {"cp01148", 1148}, {"ebcdic-international-500+euro", 1148},
    {"ibm01149", 1149}, {"ccsid01149", 1149}, {"cp01149", 1149}, {"ebcdic-is-871+euro", 1149},
    {"utf-16", 1200}, {"utf-16le", 1200}, {"unicode", 1200}, {"ucs-2", 1200},
    {"iso-10646-ucs-2", 1200}, {"csunicode", 1200}, {"utf-16be", 1201}, {"unicodefffe", 1201},
    {"windows-1250", 1250}, {"x-cp1250", 1250}, {"cp1250", 1250}, {"windows-1251", 1251},
    {"x-cp1251", 1251}, {"cp1251", 1251}, {"windows-1252", 1252}, {"x-ansi", 1252},
    {"cp1252", 1252}, {"windows-1253", 1253}, {"cp1253", 1253}, {"windows-1254", 1254},
    {"cp1254", 1254}, {"windows-1255", 1255}, {"cp1255", 1255}, {"windows-1256", 1256},
    {"cp1256", 1256}, {"windows-1257", 1257}, {"cp1257", 1257}, {"windows-1258", 1258},
    {"cp1258", 1258}, {"johab", 1361}, {"macintosh", 10000}, {"mac", 10000},
    {"x-mac-roman", 10000}, {"csmacintosh", 10000}, {"x-mac-japanese", 10001},
    {"x-mac-chinesetrad", 10002}, {"x-mac-korean", 10003}, {"x-mac-arabic", 10004},
    {"x-mac-hebrew", 10005}, {"x-mac-greek", 10006}, {"x-mac-cyrillic", 10007},
    {"x-mac-chinesesimp", 10008}, {"x-mac-romanian", 10010}, {"x-mac-ukrainian", 10017},
    {"x-mac-thai", 10021}, {"x-mac-ce", 10029}, {"x-mac-icelandic", 10079},
    {"x-mac-turkish", 10081}, {"x-mac-croatian", 10082}, {"x-chinese-cns", 20000},
    {"x-cp20001", 20001}, {"x-chinese-eten", 20002}, {"x-cp20003", 20003}, {"x-cp20004", 20004},
    {"x-cp20005", 20005}, {"x-ia5", 20105}, {"x-irv", 20105}, {"x-ia5-german", 20106},
    {"din_66003", 20106}, {"german", 20106}, {"x-ia5-swedish", 20107}, {"sen_850200_b", 20107},
    {"swedish", 20107}, {"x-ia5-norwegian", 20108}, {"ns_4551-1", 20108}, {"norwegian", 20108},
    {"us-ascii", 20127}, {"ascii", 20127}, {"us", 20127}, {"ansi_x3.4-1968", 20127},
    {"ansi_x3.4-1986", 20127}, {"iso-ir-6", 20127}, {"iso646-us", 20127},
    {"iso_646.irv:1991", 20127}, {"irv", 20127}, {"csascii", 20127}, {"cp367", 20127},
    {"ibm367", 20127}, {"x-cp20261", 20261}, {"x-cp20269", 20269}, {"ibm273", 20273},
    {"cp273", 20273}, {"csibm273", 20273}, {"ibm277", 20277}, {"cp277", 20277},
    {"csibm277", 20277}, {"ebcdic-cp-dk", 20277}, {"ebcdic-cp-no", 20277}, {"ibm278", 20278},
    {"cp278", 20278}, {"csibm278", 20278}, {"ebcdic-cp-fi", 20278}, {"ebcdic-cp-se", 20278},
    {"ibm280", 20280}, {"cp280", 20280}, {"csibm280", 20280}, {"ebcdic-cp-it", 20280},
    {"ibm284", 20284}, {"cp284", 20284}, {"csibm284", 20284}, {"ebcdic-cp-es", 20284},
    {"ibm285", 20285}, {"cp285", 20285}, {"csibm285", 20285}, {"ebcdic-cp-gb", 20285},
    {"ibm290", 20290}, {"cp290", 20290}, {"csibm290", 20290}, {"ebcdic-jp-kana", 20290},
    {"ibm297", 20297}, {"cp297", 20297}, {"csibm297", 20297}, {"ebcdic-cp-fr", 20297},
    {"ibm420", 20420}, {"cp420", 20420}, {"csibm420", 20420}, {"ebcdic-cp-ar1", 20420},
    {"ibm423", 20423}, {"cp423", 20423}, {"csibm423", 20423}, {"ebcdic-cp-gr", 20423},
    {"ibm424", 20424}, {"cp424", 20424}, {"csibm424", 20424}, {"ebcdic-cp-he", 20424},
    {"x-ebcdic-koreanextended", 20833}, {"ibm-thai", 20838}, {"csibmthai", 20838},
    {"koi8-r", 20866}, {"koi8r", 20866}, {"koi8", 20866}, {"koi", 20866}, {"cskoi8r", 20866},
    {"ibm871", 20871}, {"cp871", 20871}, {"csibm871", 20871}, {"ebcdic-cp-is", 20871},
    {"ibm880", 20880}, {"cp880", 20880}, {"csibm880", 20880}, {"ebcdic-cyrillic", 20880},
    {"ibm905", 20905}, {"cp905", 20905}, {"csibm905", 20905}, {"ebcdic-cp-tr", 20905},
    {"ibm00924", 20924}, {"ccsid00924", 20924}, {"cp00924", 20924}, {"ebcdic-latin9--euro", 20924},
    {"x-cp20936", 20936}, {"x-cp20949", 20949}, {"cp1025", 21025}, {"ibm1025", 21025},
    {"koi8-u", 21866}, {"koi8-ru", 21866}, {"iso-8859-1", 28591}, {"iso8859-1", 28591},
    {"iso_8859-1", 28591}, {"iso_8859-1:1987", 28591}, {"latin1", 28591}, {"l1", 28591},
    {"iso-ir-100", 28591}, {"ibm819", 28591}, {"cp819", 28591}, {"csisolatin1", 28591},
    {"iso-8859-2", 28592}, {"iso8859-2", 28592}, {"iso_8859-2", 28592}, {"iso_8859-2:1987", 28592},
    {"latin2", 28592}, {"l2", 28592}, {"iso-ir-101", 28592}, {"csisolatin2", 28592},
    {"iso-8859-3", 28593}, {"iso_8859-3", 28593}, {"iso_8859-3:1988", 28593}, {"latin3", 28593},
    {"l3", 28593}, {"iso-ir-109", 28593}, {"csisolatin3", 28593}, {"iso-8859-4", 28594},
    {"iso_8859-4", 28594}, {"iso_8859-4:1988", 28594}, {"latin4", 28594}, {"l4", 28594},
    {"iso-ir-110", 28594}, {"csisolatin4", 28594}, {"iso-8859-5", 28595}, {"iso_8859-5", 28595},
    {"iso_8859-5:1988", 28595}, {"cyrillic", 28595}, {"iso-ir-144", 28595},
    {"csisolatincyrillic", 28595}, {"iso-8859-6", 28596}, {"iso_8859-6", 28596},
    {"iso_8859-6:1987", 28596}, {"arabic", 28596}, {"iso-ir-127", 28596}, {"ecma-114", 28596},
    {"csisolatinarabic", 28596}, {"iso-8859-7", 28597}, {"iso_8859-7", 28597},
    {"iso_8859-7:1987", 28597}, {"greek", 28597}, {"greek8", 28597}, {"iso-ir-126", 28597},
    {"ecma-118", 28597}, {"elot_928", 28597}, {"csisolatingreek", 28597}, {"iso-8859-8", 28598},
    {"iso_8859-8", 28598}, {"iso_8859-8:1988", 28598}, {"hebrew", 28598}, {"iso-ir-138", 28598},
    {"csisolatinhebrew", 28598}, {"iso-8859-8 visual", 28598}, {"visual", 28598},
    {"iso-8859-9", 28599}, {"iso_8859-9", 28599}, {"iso_8859-9:1989", 28599}, {"latin5", 28599},
    {"l5", 28599}, {"iso-ir-148", 28599}, {"csisolatin5", 28599}, {"iso-8859-13", 28603},
    {"iso-8859-15", 28605}, {"iso_8859-15", 28605}, {"latin9", 28605}, {"l9", 28605},
    {"latin-9", 28605}, {"csisolatin9", 28605}, {"iso8859-15", 28605}, {"x-europa", 29001},
    {"iso-8859-8-i", 38598}, {"logical", 38598}, {"iso-2022-jp", 50220}, {"csiso2022jp", 50220},
    {"_iso-2022-jp", 50221}, {"_iso-2022-jp$sio", 50222}, {"iso-2022-kr", 50225},
    {"csiso2022kr", 50225}, {"iso-2022-kr-7", 50225}, {"iso-2022-kr-7bit", 50225},
    {"x-cp50227", 50227}, {"cp50227", 50227}, {"x-cp50229", 50229}, {"iso-2022-cn", 50229},
    {"euc-jp", 51932}, {"x-euc-jp", 51932}, {"x-euc", 51932}, {"cseucpkdfmtjapanese", 51932},
    {"extended_unix_code_packed_format_for_japanese", 51932}, {"euc-cn", 51936}, {"euc-kr", 51949},
    {"cseuckr", 51949}, {"iso-2022-kr-8", 51949}, {"iso-2022-kr-8bit", 51949},
    {"hz-gb-2312", 52936}, {"gb18030", 54936}, {"x-iscii-de", 57002}, {"x-iscii-be", 57003},
    {"x-iscii-ta", 57004}, {"x-iscii-te", 57005}, {"x-iscii-as", 57006}, {"x-iscii-or", 57007},
    {"x-iscii-ka", 57008}, {"x-iscii-ma", 57009}, {"x-iscii-gu", 57010}, {"x-iscii-pa", 57011},
    {"utf-7", 65000}, {"unicode-1-1-utf-7", 65000}, {"unicode-2-0-utf-7", 65000},
    {"x-unicode-1-1-utf-7", 65000}, {"x-unicode-2-0-utf-7", 65000}, {"csunicode11utf7", 65000},
    {"utf-8", 65001}, {"unicode-1-1-utf-8", 65001}, {"unicode-2-0-utf-8", 65001},
    {"x-unicode-1-1-utf-8", 65001}, {"x-unicode-2-0-utf-8", 65001}, {"utf8", 65001},
};
constexpr int kCharsetNameCount = sizeof(kCharsetNames) / sizeof(kCharsetNames[0]);
static_assert(kCharsetNameCount >= 365);

// Hashed by the sum of the lowered name's characters.
constexpr int kBuckets = 155;
constexpr int kMaxNameLength = 100;

unsigned NameSum(const char* name)
{
    unsigned sum = 0;
    for (; *name; ++name)
        sum += static_cast<unsigned char>(*name);
    return sum;
}

struct NameTable
{
    std::array<std::vector<const CharsetName*>, kBuckets> buckets;

    NameTable()
    {
        for (const CharsetName& entry : kCharsetNames)
            buckets[NameSum(entry.name) % kBuckets].push_back(&entry);
    }
};

const NameTable& Table()
{
    static const NameTable table;
    return table;
}

char16_t AsciiLower(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}

} // namespace

int XmlCharsets::CodePageFromName(QStringView name)
{
    name = name.trimmed();
    if (name.startsWith(QLatin1String("UTF-32"), Qt::CaseInsensitive))
        return kUtf32;
    if (name.isEmpty() || name.size() >= kMaxNameLength)
        return -1;
    char lowered[kMaxNameLength + 1];
    unsigned sum = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = AsciiLower(name[i].unicode());
        if (c == 0 || c >= 0x80)
            return -1;
        lowered[i] = static_cast<char>(c);
        sum += c;
    }
    lowered[name.size()] = 0;
    for (const CharsetName* entry : Table().buckets[sum % kBuckets]) {
        if (std::strcmp(entry->name, lowered) == 0)
            return entry->codePage;
    }
    return -1;
}

int XmlCharsets::NameCount()
{
    return kCharsetNameCount;
}

std::vector<int> XmlCharsets::CodePages()
{
    std::vector<int> pages;
    for (const CharsetName& entry : kCharsetNames) {
        if (pages.empty() || pages.back() != entry.codePage)
            pages.push_back(entry.codePage);
    }
    return pages;
}

const char* XmlCharsets::IconvName(int codePage)
{
    switch (codePage) {
    case 37: return "IBM037";
    case 437: return "IBM437";
    case 500: return "IBM500";
    case 708: return "ISO-8859-6";
    case 737: return "CP737";
    case 775: return "IBM775";
    case 850: return "IBM850";
    case 852: return "IBM852";
    case 855: return "IBM855";
    case 857: return "IBM857";
    case 858: return "IBM858";
    case 860: return "IBM860";
    case 861: return "IBM861";
    case 862: return "IBM862";
    case 863: return "IBM863";
    case 864: return "IBM864";
    case 865: return "IBM865";
    case 866: return "IBM866";
    case 869: return "IBM869";
    case 870: return "IBM870";
    case 874: return "WINDOWS-874";
    case 875: return "IBM875";
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    case 1026: return "IBM1026";
    case 1047: return "IBM1047";
    case 1140: return "IBM1140";
    case 1141: return "IBM1141";
    case 1142: return "IBM1142";
    case 1143: return "IBM1143";
    case 1144: return "IBM1144";
    case 1145: return "IBM1145";
    case 1146: return "IBM1146";
    case 1147: return "IBM1147";
    case 1148: return "IBM1148";
    case 1149: return "IBM1149";
    case 1200: return "UTF-16LE";
    case 1201: return "UTF-16BE";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1252: return "CP1252";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 1258: return "CP1258";
    case 1361: return "JOHAB";
    case 10000: return "MACINTOSH";
    case 10007: return "MAC-CYRILLIC";
    case 10017: return "MAC-UK";
    case 10029: return "MAC-CENTRALEUROPE";
    case 10079: return "MAC-IS";
    case 20106: return "DIN_66003";
    case 20107: return "SEN_850200_B";
    case 20108: return "NS_4551-1";
    case 20127: return "ASCII";
    case 20261: return "T.61-8BIT";
    case 20269: return "ISO_6937";
    case 20273: return "IBM273";
    case 20277: return "IBM277";
    case 20278: return "IBM278";
    case 20280: return "IBM280";
    case 20284: return "IBM284";
    case 20285: return "IBM285";
    case 20290: return "IBM290";
    case 20297: return "IBM297";
    case 20420: return "IBM420";
    case 20423: return "IBM423";
    case 20424: return "IBM424";
    case 20866: return "KOI8-R";
    case 20871: return "IBM871";
    case 20880: return "IBM880";
    case 20905: return "IBM905";
    case 20936: return "GB2312";
    case 20949: return "EUC-KR";
    case 21025: return "IBM1025";
    case 21866: return "KOI8-U";
    case 28591: return "ISO-8859-1";
    case 28592: return "ISO-8859-2";
    case 28593: return "ISO-8859-3";
    case 28594: return "ISO-8859-4";
    case 28595: return "ISO-8859-5";
    case 28596: return "ISO-8859-6";
    case 28597: return "ISO-8859-7";
    case 28598: return "ISO-8859-8";
    case 28599: return "ISO-8859-9";
    case 28603: return "ISO-8859-13";
    case 28605: return "ISO-8859-15";
    case 38598: return "ISO-8859-8";
    case 50220: return "ISO-2022-JP";
    case 50221: return "ISO-2022-JP";
    case 50222: return "ISO-2022-JP";
    case 50225: return "ISO-2022-KR";
    case 50227: return "ISO-2022-CN";
    case 50229: return "ISO-2022-CN-EXT";
    case 51932: return "EUC-JP";
    case 51936: return "EUC-CN";
    case 51949: return "EUC-KR";
    case 54936: return "GB18030";
    case 65000: return "UTF-7";
    case 65001: return "UTF-8";
    default: return nullptr;
    }
}

bool XmlCharsets::ReportsLoss(int codePage)
{
    switch (codePage) {
    case 50220: case 50221: case 50222: case 50225: case 50227: case 50229:
    case 52936: case 54936: case 65000: case 65001:
        return false;
    default:
        return !(codePage >= 57002 && codePage <= 57011);
    }
}
