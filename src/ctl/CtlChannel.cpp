#include "ctl/CtlChannel.h"

#include "platform/LocalSocket.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace CtlChannel {

namespace {

// An answer carries `show`'s output; far below this.
constexpr qint64 kMaxAnswer = 1 << 20;

} // namespace

QByteArray EncodeRequest(const CtlCommand& command, bool json)
{
    const QJsonObject body{
        {QStringLiteral("words"), QJsonArray::fromStringList(command.words)},
        {QStringLiteral("model"), command.model},
        {QStringLiteral("json"), json},
    };
    return QByteArray(kPrefix) + QByteArray::number(kVersion) + ' ' + QJsonDocument(body).toJson(QJsonDocument::Compact)
        + '\n';
}

Request DecodeRequest(const QString& line)
{
    Request request;
    const QString prefix = QString::fromLatin1(kPrefix);
    const qsizetype space = line.indexOf(QLatin1Char(' '), prefix.size());
    if (!line.startsWith(prefix) || space < 0
        || line.mid(prefix.size(), space - prefix.size()) != QString::number(kVersion)) {
        request.error = QStringLiteral(
            "this Tarvo window does not know the request (its tarvoctl is of another version)");
        return request;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(line.mid(space + 1).toUtf8(), &parseError);
    const QJsonObject body = document.object();
    const QJsonValue words = body.value(QStringLiteral("words"));
    if (parseError.error != QJsonParseError::NoError || !document.isObject() || !words.isArray()) {
        request.error = QStringLiteral("the Tarvo window could not read the request");
        return request;
    }
    QStringList list;
    for (const QJsonValue& word : words.toArray()) {
        if (!word.isString()) {
            request.error = QStringLiteral("the Tarvo window could not read the request");
            return request;
        }
        list << word.toString();
    }
    request.json = body.value(QStringLiteral("json")).toBool();
    request.command = CtlCommand::Parse(list, request.error);
    if (!request.error.isEmpty())
        return request;
    request.command.model = body.value(QStringLiteral("model")).toString();
    switch (request.command.kind) {
    case CtlCommand::Kind::Show:
    case CtlCommand::Kind::Set:
    case CtlCommand::Kind::Profile:
    case CtlCommand::Kind::Button:
    case CtlCommand::Kind::ProfileExport:
    case CtlCommand::Kind::ProfileImport:
    case CtlCommand::Kind::MacroExport:
    case CtlCommand::Kind::MacroImport:
    case CtlCommand::Kind::Reset:
        break;
    default:
        request.error
            = QStringLiteral("%1 is not done through a running Tarvo window; close it first").arg(list.value(0));
        request.command.kind = CtlCommand::Kind::None;
        break;
    }
    return request;
}

QByteArray EncodeAnswer(const Answer& answer)
{
    const QJsonObject body{
        {QStringLiteral("code"), answer.code},
        {QStringLiteral("out"), answer.out},
        {QStringLiteral("err"), answer.err},
    };
    return QJsonDocument(body).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<Answer> DecodeAnswer(const QByteArray& line)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(line.trimmed(), &parseError);
    const QJsonObject body = document.object();
    if (parseError.error != QJsonParseError::NoError || !body.value(QStringLiteral("code")).isDouble())
        return std::nullopt;
    Answer answer;
    answer.code = body.value(QStringLiteral("code")).toInt();
    answer.out = body.value(QStringLiteral("out")).toString();
    answer.err = body.value(QStringLiteral("err")).toString();
    return answer;
}

Answer FromOutcome(const CtlOutcome& outcome, bool json)
{
    Answer answer;
    answer.code = outcome.code;
    answer.err = outcome.error;
    if (json && !outcome.json.isEmpty())
        answer.out = QString::fromUtf8(QJsonDocument(outcome.json).toJson(QJsonDocument::Indented));
    else
        answer.out = outcome.text;
    return answer;
}

std::optional<Answer> Send(const QString& socketPath, const QByteArray& request, int32_t timeoutMs)
{
    const std::optional<QByteArray> line = LocalSocket::Exchange(socketPath, request, timeoutMs, kMaxAnswer);
    if (!line)
        return std::nullopt;
    return DecodeAnswer(*line);
}

} // namespace CtlChannel
