#include "store/ProfileNames.h"

#include <array>

namespace {

struct ProfileWordRule {
    int lcid;
    std::array<const char16_t*, 4> prefixes; // tried in this order, null-padded
    const char16_t* word;                            // put in front of the rest
};

// The Russian word is in no prefix list: names that start with it are shown as
// they are under every language.
const std::array<ProfileWordRule, 5> kRules { {
    { 2052, { u"Profile", u"配寘", u"ボタン" }, u"配置 " },
    { 1033, { u"配置", u"配寘", u"ボタン" }, u"Profile " },
    { 1028, { u"Profile", u"配置", u"ボタン" }, u"配寘 " },
    { 1041, { u"Profile", u"配置", u"配寘" }, u"ボタン " },
    { 1049, { u"Profile", u"配置", u"配寘", u"ボタン" }, u"Профиль " },
} };

} // namespace

QString ProfileNames::Localise(const QString& name, int lcid)
{
    for (const ProfileWordRule& rule : kRules) {
        if (rule.lcid != lcid)
            continue;
        for (const char16_t* prefix : rule.prefixes) {
            if (!prefix)
                break;
            const QString word = QString::fromUtf16(prefix);
            if (name.startsWith(word, Qt::CaseSensitive))
                return QString::fromUtf16(rule.word) + name.mid(word.size());
        }
        break;
    }
    return name;
}
