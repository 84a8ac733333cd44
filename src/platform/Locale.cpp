#include "platform/Locale.h"

#include <QtGlobal>

#include <array>
#include <string_view>

namespace {

struct LcidEntry {
    std::string_view name; // "ll_TT" or "ll" for the language's primary LCID
    int lcid;
};

// Windows LCIDs of the locales a desktop user is likely to run.
constexpr std::array kLcids {
    LcidEntry { "zh_CN", 2052 }, LcidEntry { "zh_SG", 4100 }, LcidEntry { "zh_TW", 1028 },
    LcidEntry { "zh_HK", 3076 }, LcidEntry { "zh_MO", 5124 }, LcidEntry { "zh", 2052 },
    LcidEntry { "en_US", 1033 }, LcidEntry { "en_GB", 2057 }, LcidEntry { "en_AU", 3081 },
    LcidEntry { "en_CA", 4105 }, LcidEntry { "en_NZ", 5129 }, LcidEntry { "en_IE", 6153 },
    LcidEntry { "en_IN", 16393 }, LcidEntry { "en", 1033 },
    LcidEntry { "ja_JP", 1041 }, LcidEntry { "ja", 1041 },
    LcidEntry { "ko_KR", 1042 }, LcidEntry { "ko", 1042 },
    LcidEntry { "ru_RU", 1049 }, LcidEntry { "ru", 1049 },
    LcidEntry { "uk_UA", 1058 }, LcidEntry { "uk", 1058 },
    LcidEntry { "de_DE", 1031 }, LcidEntry { "de_CH", 2055 }, LcidEntry { "de_AT", 3079 }, LcidEntry { "de", 1031 },
    LcidEntry { "fr_FR", 1036 }, LcidEntry { "fr_BE", 2060 }, LcidEntry { "fr_CA", 3084 }, LcidEntry { "fr_CH", 4108 }, LcidEntry { "fr", 1036 },
    LcidEntry { "es_ES", 3082 }, LcidEntry { "es_MX", 2058 }, LcidEntry { "es", 3082 },
    LcidEntry { "it_IT", 1040 }, LcidEntry { "it", 1040 },
    LcidEntry { "pt_BR", 1046 }, LcidEntry { "pt_PT", 2070 }, LcidEntry { "pt", 2070 },
    LcidEntry { "nl_NL", 1043 }, LcidEntry { "nl_BE", 2067 }, LcidEntry { "nl", 1043 },
    LcidEntry { "pl_PL", 1045 }, LcidEntry { "pl", 1045 },
    LcidEntry { "cs_CZ", 1029 }, LcidEntry { "cs", 1029 },
    LcidEntry { "sv_SE", 1053 }, LcidEntry { "sv", 1053 },
    LcidEntry { "fi_FI", 1035 }, LcidEntry { "fi", 1035 },
    LcidEntry { "da_DK", 1030 }, LcidEntry { "da", 1030 },
    LcidEntry { "nb_NO", 1044 }, LcidEntry { "nb", 1044 },
    LcidEntry { "tr_TR", 1055 }, LcidEntry { "tr", 1055 },
    LcidEntry { "el_GR", 1032 }, LcidEntry { "el", 1032 },
    LcidEntry { "hu_HU", 1038 }, LcidEntry { "hu", 1038 },
    LcidEntry { "ro_RO", 1048 }, LcidEntry { "ro", 1048 },
    LcidEntry { "th_TH", 1054 }, LcidEntry { "th", 1054 },
    LcidEntry { "vi_VN", 1066 }, LcidEntry { "vi", 1066 },
    LcidEntry { "id_ID", 1057 }, LcidEntry { "id", 1057 },
    LcidEntry { "he_IL", 1037 }, LcidEntry { "he", 1037 },
    LcidEntry { "ar_SA", 1025 }, LcidEntry { "ar", 1025 },
};

int Find(const QString& key)
{
    const QByteArray latin = key.toLatin1();
    const std::string_view wanted(latin.constData(), static_cast<size_t>(latin.size()));
    for (const LcidEntry& entry : kLcids) {
        if (entry.name == wanted)
            return entry.lcid;
    }
    return 0;
}

} // namespace

int Locale::LcidFromLocaleName(const QString& name)
{
    // "ll_TT.codeset@modifier": neither the codeset nor the modifier changes the language.
    QString base = name.trimmed();
    for (const QChar stop : { QLatin1Char('.'), QLatin1Char('@') }) {
        const qsizetype at = base.indexOf(stop);
        if (at >= 0)
            base.truncate(at);
    }
    base.replace(QLatin1Char('-'), QLatin1Char('_'));
    if (base.isEmpty() || base == QLatin1String("C") || base == QLatin1String("POSIX"))
        return kEnglishUS;

    const qsizetype underscore = base.indexOf(QLatin1Char('_'));
    const QString language = (underscore < 0 ? base : base.left(underscore)).toLower();
    if (underscore >= 0) {
        const QString territory = base.mid(underscore + 1).toUpper();
        if (const int exact = Find(language + QLatin1Char('_') + territory))
            return exact;
    }
    if (const int primary = Find(language))
        return primary;
    return kEnglishUS;
}

int Locale::UserInterfaceLcid()
{
    for (const char* variable : { "LC_ALL", "LC_MESSAGES", "LANG" }) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return LcidFromLocaleName(value);
    }
    return kEnglishUS;
}
