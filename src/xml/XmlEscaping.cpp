#include "xml/XmlEscaping.h"

#include <array>
#include <vector>

namespace {

struct NamedRef
{
    const char* name;
    char32_t codePoint;
};

// HTML 4's 252 character entity references and XML's "apos".
constexpr NamedRef kNamedRefs[] = {
    {"quot", 0x22}, {"amp", 0x26}, {"apos", 0x27}, {"lt", 0x3C}, {"gt", 0x3E}, {"nbsp", 0xA0},
    {"iexcl", 0xA1}, {"cent", 0xA2}, {"pound", 0xA3}, {"curren", 0xA4}, {"yen", 0xA5},
    {"brvbar", 0xA6}, {"sect", 0xA7}, {"uml", 0xA8}, {"copy", 0xA9}, {"ordf", 0xAA},
    {"laquo", 0xAB}, {"not", 0xAC}, {"shy", 0xAD}, {"reg", 0xAE}, {"macr", 0xAF}, {"deg", 0xB0},
    {"plusmn", 0xB1}, {"sup2", 0xB2}, {"sup3", 0xB3}, {"acute", 0xB4}, {"micro", 0xB5},
    {"para", 0xB6}, {"middot", 0xB7}, {"cedil", 0xB8}, {"sup1", 0xB9}, {"ordm", 0xBA},
    {"raquo", 0xBB}, {"frac14", 0xBC}, {"frac12", 0xBD}, {"frac34", 0xBE}, {"iquest", 0xBF},
    {"Agrave", 0xC0}, {"Aacute", 0xC1}, {"Acirc", 0xC2}, {"Atilde", 0xC3}, {"Auml", 0xC4},
    {"Aring", 0xC5}, {"AElig", 0xC6}, {"Ccedil", 0xC7}, {"Egrave", 0xC8}, {"Eacute", 0xC9},
    {"Ecirc", 0xCA}, {"Euml", 0xCB}, {"Igrave", 0xCC}, {"Iacute", 0xCD}, {"Icirc", 0xCE},
    {"Iuml", 0xCF}, {"ETH", 0xD0}, {"Ntilde", 0xD1}, {"Ograve", 0xD2}, {"Oacute", 0xD3},
    {"Ocirc", 0xD4}, {"Otilde", 0xD5}, {"Ouml", 0xD6}, {"times", 0xD7}, {"Oslash", 0xD8},
    {"Ugrave", 0xD9}, {"Uacute", 0xDA}, {"Ucirc", 0xDB}, {"Uuml", 0xDC}, {"Yacute", 0xDD},
    {"THORN", 0xDE}, {"szlig", 0xDF}, {"agrave", 0xE0}, {"aacute", 0xE1}, {"acirc", 0xE2},
    {"atilde", 0xE3}, {"auml", 0xE4}, {"aring", 0xE5}, {"aelig", 0xE6}, {"ccedil", 0xE7},
    {"egrave", 0xE8}, {"eacute", 0xE9}, {"ecirc", 0xEA}, {"euml", 0xEB}, {"igrave", 0xEC},
    {"iacute", 0xED}, {"icirc", 0xEE}, {"iuml", 0xEF}, {"eth", 0xF0}, {"ntilde", 0xF1},
    {"ograve", 0xF2}, {"oacute", 0xF3}, {"ocirc", 0xF4}, {"otilde", 0xF5}, {"ouml", 0xF6},
    {"divide", 0xF7}, {"oslash", 0xF8}, {"ugrave", 0xF9}, {"uacute", 0xFA}, {"ucirc", 0xFB},
    {"uuml", 0xFC}, {"yacute", 0xFD}, {"thorn", 0xFE}, {"yuml", 0xFF}, {"OElig", 0x152},
    {"oelig", 0x153}, {"Scaron", 0x160}, {"scaron", 0x161}, {"Yuml", 0x178}, {"fnof", 0x192},
    {"circ", 0x2C6}, {"tilde", 0x2DC}, {"Alpha", 0x391}, {"Beta", 0x392}, {"Gamma", 0x393},
    {"Delta", 0x394}, {"Epsilon", 0x395}, {"Zeta", 0x396}, {"Eta", 0x397}, {"Theta", 0x398},
    {"Iota", 0x399}, {"Kappa", 0x39A}, {"Lambda", 0x39B}, {"Mu", 0x39C}, {"Nu", 0x39D},
    {"Xi", 0x39E}, {"Omicron", 0x39F}, {"Pi", 0x3A0}, {"Rho", 0x3A1}, {"Sigma", 0x3A3},
    {"Tau", 0x3A4}, {"Upsilon", 0x3A5}, {"Phi", 0x3A6}, {"Chi", 0x3A7}, {"Psi", 0x3A8},
    {"Omega", 0x3A9}, {"alpha", 0x3B1}, {"beta", 0x3B2}, {"gamma", 0x3B3}, {"delta", 0x3B4},
    {"epsilon", 0x3B5}, {"zeta", 0x3B6}, {"eta", 0x3B7}, {"theta", 0x3B8}, {"iota", 0x3B9},
    {"kappa", 0x3BA}, {"lambda", 0x3BB}, {"mu", 0x3BC}, {"nu", 0x3BD}, {"xi", 0x3BE},
    {"omicron", 0x3BF}, {"pi", 0x3C0}, {"rho", 0x3C1}, {"sigmaf", 0x3C2}, {"sigma", 0x3C3},
    {"tau", 0x3C4}, {"upsilon", 0x3C5}, {"phi", 0x3C6}, {"chi", 0x3C7}, {"psi", 0x3C8},
    {"omega", 0x3C9}, {"thetasym", 0x3D1}, {"upsih", 0x3D2}, {"piv", 0x3D6}, {"ensp", 0x2002},
    {"emsp", 0x2003}, {"thinsp", 0x2009}, {"zwnj", 0x200C}, {"zwj", 0x200D}, {"lrm", 0x200E},
    {"rlm", 0x200F}, {"ndash", 0x2013}, {"mdash", 0x2014}, {"lsquo", 0x2018}, {"rsquo", 0x2019},
    {"sbquo", 0x201A}, {"ldquo", 0x201C}, {"rdquo", 0x201D}, {"bdquo", 0x201E}, {"dagger", 0x2020},
    {"Dagger", 0x2021}, {"bull", 0x2022}, {"hellip", 0x2026}, {"permil", 0x2030},
    {"prime", 0x2032}, {"Prime", 0x2033}, {"lsaquo", 0x2039}, {"rsaquo", 0x203A},
    {"oline", 0x203E}, {"frasl", 0x2044}, {"euro", 0x20AC}, {"image", 0x2111}, {"weierp", 0x2118},
    {"real", 0x211C}, {"trade", 0x2122}, {"alefsym", 0x2135}, {"larr", 0x2190}, {"uarr", 0x2191},
    {"rarr", 0x2192}, {"darr", 0x2193}, {"harr", 0x2194}, {"crarr", 0x21B5}, {"lArr", 0x21D0},
    {"uArr", 0x21D1}, {"rArr", 0x21D2}, {"dArr", 0x21D3}, {"hArr", 0x21D4}, {"forall", 0x2200},
    {"part", 0x2202}, {"exist", 0x2203}, {"empty", 0x2205}, {"nabla", 0x2207}, {"isin", 0x2208},
    {"notin", 0x2209}, {"ni", 0x220B}, {"prod", 0x220F}, {"sum", 0x2211}, {"minus", 0x2212},
    {"lowast", 0x2217}, {"radic", 0x221A}, {"prop", 0x221D}, {"infin", 0x221E}, {"ang", 0x2220},
    {"and", 0x2227}, {"or", 0x2228}, {"cap", 0x2229}, {"cup", 0x222A}, {"int", 0x222B},
    {"there4", 0x2234}, {"sim", 0x223C}, {"cong", 0x2245}, {"asymp", 0x2248}, {"ne", 0x2260},
    {"equiv", 0x2261}, {"le", 0x2264}, {"ge", 0x2265}, {"sub", 0x2282}, {"sup", 0x2283},
    {"nsub", 0x2284}, {"sube", 0x2286}, {"supe", 0x2287}, {"oplus", 0x2295}, {"otimes", 0x2297},
    {"perp", 0x22A5}, {"sdot", 0x22C5}, {"lceil", 0x2308}, {"rceil", 0x2309}, {"lfloor", 0x230A},
    {"rfloor", 0x230B}, {"lang", 0x2329}, {"rang", 0x232A}, {"loz", 0x25CA}, {"spades", 0x2660},
    {"clubs", 0x2663}, {"hearts", 0x2665}, {"diams", 0x2666},
};
constexpr int kNamedRefCount = sizeof(kNamedRefs) / sizeof(kNamedRefs[0]);
static_assert(kNamedRefCount == 253);

// Keyed by the sum of the name's characters: cheap to compute while scanning
// and spreads these short names well enough over 130 buckets.
constexpr int kBuckets = 130;
constexpr int kMaxNameLength = 9;

struct RefTable
{
    std::array<std::vector<const NamedRef*>, kBuckets> buckets;

    RefTable()
    {
        for (const NamedRef& ref : kNamedRefs) {
            unsigned sum = 0;
            for (const char* c = ref.name; *c; ++c)
                sum += static_cast<unsigned char>(*c);
            buckets[sum % kBuckets].push_back(&ref);
        }
    }
};

const RefTable& Table()
{
    static const RefTable table;
    return table;
}

void AppendCodePoint(QString& out, char32_t cp)
{
    if (cp > 0xFFFF) {
        out += QChar(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
        out += QChar(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
        out += QChar(static_cast<char16_t>(cp));
    }
}

// Parses the reference starting at text[i] == '&'. Returns the characters it
// spans (0 if it is not a valid reference) and its code point.
qsizetype ParseReference(QStringView text, qsizetype i, char32_t& cp)
{
    const qsizetype n = text.size();
    qsizetype j = i + 1;
    if (j < n && text[j] == u'#') {
        ++j;
        int base = 10;
        if (j < n && text[j] == u'x') {
            base = 16;
            ++j;
        }
        const qsizetype digitsStart = j;
        uint64_t value = 0;
        while (j < n) {
            const char16_t c = text[j].unicode();
            int digit;
            if (c >= u'0' && c <= u'9')
                digit = c - u'0';
            else if (base == 16 && c >= u'a' && c <= u'f')
                digit = c - u'a' + 10;
            else if (base == 16 && c >= u'A' && c <= u'F')
                digit = c - u'A' + 10;
            else
                break;
            value = value * base + digit;
            if (value > 0x10FFFF)
                value = 0x110000; // stays invalid however many digits follow
            ++j;
        }
        if (j == digitsStart || j >= n || text[j] != u';')
            return 0;
        if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return 0;
        cp = static_cast<char32_t>(value);
        return j + 1 - i;
    }
    const qsizetype nameStart = j;
    while (j < n && j - nameStart <= kMaxNameLength && text[j] != u';') {
        if (text[j].unicode() >= 0x80)
            return 0;
        ++j;
    }
    if (j >= n || text[j] != u';' || j == nameStart || j - nameStart > kMaxNameLength)
        return 0;
    cp = XmlEscaping::NamedReference(text.mid(nameStart, j - nameStart));
    return cp ? j + 1 - i : 0;
}

QString Escape(QStringView value, bool quotes)
{
    QString out;
    out.reserve(value.size() + value.size() / 8);
    for (QChar ch : value) {
        switch (ch.unicode()) {
        case u'<': out += QLatin1String("&lt;"); break;
        case u'&': out += QLatin1String("&amp;"); break;
        case u'>': out += QLatin1String("&gt;"); break;
        case u'\'':
            if (quotes)
                out += QLatin1String("&apos;");
            else
                out += ch;
            break;
        case u'"':
            if (quotes)
                out += QLatin1String("&quot;");
            else
                out += ch;
            break;
        default: out += ch;
        }
    }
    return out;
}

} // namespace

QString XmlEscaping::EscapeAttribute(QStringView value)
{
    return Escape(value, true);
}

QString XmlEscaping::EscapeText(QStringView text)
{
    return Escape(text, false);
}

char32_t XmlEscaping::NamedReference(QStringView name)
{
    if (name.isEmpty() || name.size() > kMaxNameLength)
        return 0;
    unsigned sum = 0;
    for (QChar c : name)
        sum += c.unicode();
    for (const NamedRef* ref : Table().buckets[sum % kBuckets]) {
        qsizetype k = 0;
        while (k < name.size() && ref->name[k] && name[k].unicode() == static_cast<unsigned char>(ref->name[k]))
            ++k;
        if (k == name.size() && ref->name[k] == 0)
            return ref->codePoint;
    }
    return 0;
}

int XmlEscaping::NamedReferenceCount()
{
    return kNamedRefCount;
}

QString XmlEscaping::Unescape(QStringView text)
{
    qsizetype amp = text.indexOf(u'&');
    if (amp < 0)
        return text.toString();
    QString out;
    out.reserve(text.size());
    out += text.left(amp);
    qsizetype i = amp;
    while (i < text.size()) {
        if (text[i] != u'&') {
            const qsizetype next = text.indexOf(u'&', i);
            const qsizetype stop = next < 0 ? text.size() : next;
            out += text.mid(i, stop - i);
            i = stop;
            continue;
        }
        char32_t cp = 0;
        const qsizetype used = ParseReference(text, i, cp);
        if (used == 0) {
            out += u'&';
            ++i;
        } else {
            AppendCodePoint(out, cp);
            i += used;
        }
    }
    return out;
}
