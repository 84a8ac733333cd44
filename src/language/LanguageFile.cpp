#include "language/LanguageFile.h"

#include <QList>

namespace {

QString Unquote(const QString& value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

} // namespace

LanguageFile LanguageFile::Parse(const QByteArray& bytes)
{
    LanguageFile file;
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    const QString text = QString::fromUtf8(body);

    QHash<QString, QString>* section = nullptr;
    const QList<QStringView> lines = QStringView(text).split(QLatin1Char('\n'));
    for (QStringView raw : lines) {
        const QStringView line = raw.trimmed();
        if (line.isEmpty())
            continue;
        if (line.front() == QLatin1Char('[')) {
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            if (close < 0)
                continue;
            const QString name = line.mid(1, close - 1).trimmed().toString().toLower();
            section = &file.m_sections[name];
            continue;
        }
        if (!section)
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed().toString().toLower();
        if (key.isEmpty() || section->contains(key))
            continue;
        section->insert(key, Unquote(line.mid(equals + 1).trimmed().toString()));
    }
    return file;
}

QString LanguageFile::Value(const QString& section, const QString& key) const
{
    const auto s = m_sections.constFind(section.toLower());
    if (s == m_sections.constEnd())
        return {};
    const auto v = s->constFind(key.toLower());
    if (v == s->constEnd())
        return {};
    QString value = *v;
    if (value.size() > kMaxTextLength) {
        qsizetype cut = kMaxTextLength;
        if (value.at(cut - 1).isHighSurrogate())
            --cut;
        value.truncate(cut);
    }
    return value;
}
