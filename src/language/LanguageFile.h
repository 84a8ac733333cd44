#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// One parsed language file: an INI text in UTF-8 (a byte-order mark is allowed)
// read with the rules of the Windows profile functions: section and key names
// match without regard to case, blanks around names and values are dropped, a
// value wholly enclosed in matching quotes loses them, the first occurrence of a
// key wins, lines without '=' are ignored.
class LanguageFile {
public:
    // Longest text a lookup returns, in UTF-16 code units.
    static constexpr qsizetype kMaxTextLength = 259;

    static LanguageFile Parse(const QByteArray& bytes);

    // The value, cut to kMaxTextLength without splitting a surrogate pair; empty
    // when the section or key is missing.
    QString Value(const QString& section, const QString& key) const;

    bool IsEmpty() const { return m_sections.isEmpty(); }

private:
    QHash<QString, QHash<QString, QString>> m_sections; // keys folded to lower case
};
