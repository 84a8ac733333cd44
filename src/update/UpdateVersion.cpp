#include "update/UpdateVersion.h"

#include "platform/LenientNumber.h"

#include <QRegularExpression>
#include <QStringList>

int32_t CompareVersion(const QString& current, const QString& offered)
{
    const QStringList mine = current.split(QLatin1Char('.'));
    const QStringList theirs = offered.split(QLatin1Char('.'));
    if (mine.size() != theirs.size())
        return kVersionOtherShape;
    for (qsizetype i = 0; i < mine.size(); ++i) {
        const int32_t a = LenientNumber::Decimal(mine[i]);
        const int32_t b = LenientNumber::Decimal(theirs[i]);
        if (a != b)
            return b > a ? kVersionNewer : kVersionOlder;
    }
    return kVersionEqual;
}

std::optional<QString> AcceptVersionText(const QString& body, int32_t maxLength)
{
    if (body.isEmpty() || body.size() > maxLength)
        return std::nullopt;
    QString text = body;
    while (!text.isEmpty() && text.back().isSpace())
        text.chop(1);
    static const QRegularExpression kShape(QRegularExpression::anchoredPattern(QStringLiteral("[0-9]+(\\.[0-9]+)*")));
    if (!kShape.match(text).hasMatch())
        return std::nullopt;
    return text;
}
