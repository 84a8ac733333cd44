#include "ctl/CtlArguments.h"

CtlArguments CtlArguments::Parse(const QStringList& arguments)
{
    CtlArguments parsed;
    QStringList words;
    QString model;
    bool version = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            parsed.action = Action::Help;
            parsed.error.clear();
            return parsed;
        }
        if (!parsed.error.isEmpty())
            continue;
        if (argument == QLatin1String("--version")) {
            version = true;
        } else if (argument == QLatin1String("--json")) {
            parsed.json = true;
        } else if (argument == QLatin1String("--model") || argument.startsWith(QLatin1String("--model="))) {
            const bool joined = argument.size() > 7;
            if (!joined && i + 1 >= arguments.size())
                parsed.error = QStringLiteral("--model needs a model name");
            else
                model = joined ? argument.mid(8) : arguments[++i];
            if (parsed.error.isEmpty() && model.isEmpty())
                parsed.error = QStringLiteral("--model needs a model name");
        } else if (argument == QLatin1String("--")) {
            words += arguments.mid(i + 1);
            break;
        } else if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1 && !(argument[1].isDigit())) {
            parsed.error = QStringLiteral("unknown option %1").arg(argument);
        } else {
            words << argument;
        }
    }
    if (!parsed.error.isEmpty())
        return parsed;
    if (version) {
        parsed.action = Action::Version;
        return parsed;
    }
    parsed.command = CtlCommand::Parse(words, parsed.error);
    if (!parsed.error.isEmpty())
        return parsed;
    if (!model.isEmpty()) {
        if (!parsed.command.model.isEmpty() && parsed.command.model != model) {
            parsed.error = QStringLiteral("two models given: %1 and %2").arg(parsed.command.model, model);
            return parsed;
        }
        if (parsed.command.kind == CtlCommand::Kind::List) {
            parsed.error = QStringLiteral("list shows every model; --model does not apply");
            return parsed;
        }
        parsed.command.model = model;
    }
    parsed.action = Action::Run;
    return parsed;
}
