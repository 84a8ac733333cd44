#include "editors/TextRules.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>

namespace TextRules {

namespace {

// The defaults as the store holds them when they were created in Chinese or
// in English (the English wish once ended with a Chinese full stop).
const QString kChineseName460 = QStringLiteral("1 实例 - 祝福");
const QString kChineseName461 = QStringLiteral("2 实例 - 问候");
const QString kEnglishName460 = QStringLiteral("1 Example - Best wishes");
const QString kEnglishName461 = QStringLiteral("2 Example - Greeting");
const QString kChineseWish = QStringLiteral("祝福你心想事成,步步高升,风生水起,前途无量,愿你的人生充满无限可能。");
const QString kEnglishWish = QStringLiteral(
    "I wish you all your heart's desires, continuous progress, great success, and a boundless future. May your "
    "life be filled with infinite possibilities.");
const QString kChineseGreeting = QStringLiteral("您好，很高兴为您服务！");
const QString kEnglishGreeting = QStringLiteral("Hello, it's my pleasure to serve you!");

} // namespace

QString Counter(int32_t length)
{
    return QStringLiteral("%1/%2").arg(length).arg(kAdvisedLength);
}

int DefaultNameText(const QString& name, const QString& current460, const QString& current461)
{
    if (name.isEmpty())
        return 0;
    if (name == kChineseName460 || name == kEnglishName460 || name == current460)
        return 460;
    if (name == kChineseName461 || name == kEnglishName461 || name == current461)
        return 461;
    return 0;
}

int DefaultContentText(const QString& content, const QString& current470, const QString& current471)
{
    if (content.isEmpty())
        return 0;
    if (content == kChineseWish || content == kEnglishWish || content == kEnglishWish + QStringLiteral("。")
        || content == current470)
        return 470;
    if (content == kChineseGreeting || content == kEnglishGreeting || content == current471)
        return 471;
    return 0;
}

QString NewSnippetName(const std::vector<QString>& names)
{
    int number = int(names.size()) + 1;
    auto name = [&] { return QStringLiteral("%1 文本").arg(number); };
    while (std::find(names.begin(), names.end(), name()) != names.end())
        ++number;
    return name();
}

QUrl WebAddressToOpen(const QString& typed)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return {};
    static const QRegularExpression unsafe(QStringLiteral("[\\s\\x{0}-\\x{1f}\\x{7f}]"));
    if (text.contains(unsafe))
        return {};
    // A scheme is a name before "://", or before ":" when what follows is no
    // port number ("javascript:...", "data:...", "mailto:..." but not
    // "example.com:8080").
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*):(//)?(.*)$"));
    static const QRegularExpression port(QStringLiteral("^[0-9]+(/.*)?$"));
    const QRegularExpressionMatch m = scheme.match(text);
    QString address;
    if (m.hasMatch() && (!m.captured(2).isEmpty() || !port.match(m.captured(3)).hasMatch())) {
        const QString name = m.captured(1).toLower();
        if (name != QLatin1String("http") && name != QLatin1String("https"))
            return {};
        address = text;
    } else {
        address = QStringLiteral("https://")
            + (text.contains(QLatin1String("www.")) ? text : QStringLiteral("www.") + text);
    }
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return {};
    return url;
}

QStringList ProgramArguments(const QString& fieldText, const QString& programPath)
{
    const QString fileName = QFileInfo(programPath).fileName();
    if (fileName.isEmpty() || !fieldText.startsWith(fileName))
        return {};
    const QString rest = fieldText.mid(fileName.size());
    // "firefox-esr" is not "firefox" with arguments "-esr".
    if (rest.isEmpty() || !rest.front().isSpace())
        return {};
    return QProcess::splitCommand(rest.trimmed());
}

} // namespace TextRules
