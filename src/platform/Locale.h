#pragma once

#include <QString>

// The user's interface language as a Windows language identifier (LCID), the
// form in which the program stores and compares languages.
class Locale {
public:
    static constexpr int kSimplifiedChinese = 2052;
    static constexpr int kEnglishUS = 1033;

    // From the first non-empty of LC_ALL, LC_MESSAGES and LANG (the variables
    // that choose the language of messages). 1033 when none names a known language.
    static int UserInterfaceLcid();

    // A POSIX locale name ("zh_CN.UTF-8", "ja_JP", "ru", "de_AT@euro") to its
    // LCID: an exact language_TERRITORY match first, then the language's primary
    // LCID. 1033 for "C", "POSIX", empty and unknown names.
    static int LcidFromLocaleName(const QString& name);
};
