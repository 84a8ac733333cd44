#include "ctl/CtlArguments.h"

CtlArguments CtlArguments::Parse(const QStringList& arguments)
{
    CtlArguments parsed;
    QStringList words;
    bool version = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            parsed.command = Command::Help;
            parsed.error.clear();
            return parsed;
        }
        if (argument == QLatin1String("--version")) {
            version = true;
        } else if (argument == QLatin1String("--json")) {
            parsed.json = true;
        } else if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            if (parsed.error.isEmpty())
                parsed.error = QStringLiteral("unknown option %1").arg(argument);
        } else {
            words << argument;
        }
    }
    if (!parsed.error.isEmpty())
        return parsed;
    if (version) {
        parsed.command = Command::Version;
        return parsed;
    }
    if (words.isEmpty()) {
        parsed.error = QStringLiteral("no command given");
        return parsed;
    }
    const QString& command = words.first();
    if (command == QLatin1String("list")) {
        if (words.size() > 1) {
            parsed.error = QStringLiteral("list takes no arguments, got \"%1\"").arg(words[1]);
            return parsed;
        }
        parsed.command = Command::List;
        return parsed;
    }
    parsed.error = QStringLiteral("unknown command \"%1\"").arg(command);
    return parsed;
}
