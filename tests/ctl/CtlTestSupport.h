#pragma once

#include "ctl/CtlProgram.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <string>
#include <vector>

// tarvoctl run in this process with `words` after the program name, its
// output and errors caught in `out` and `err`; the exit code.
inline int RunCtl(const QStringList& words, const CtlProgram::Context& context, QString& out, QString& err)
{
    out.clear();
    err.clear();
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const int code = CtlProgram::Run(QStringList{QStringLiteral("tarvoctl")} + words, outStream, errStream, context);
    outStream.flush();
    errStream.flush();
    return code;
}

// Whether the reports of a simulator log ("<µs> out|in <path> <hex>") took
// turns: every report out answered (an "in" of the same command) before the
// next went out, as when one program drives the mouse. `outs` counts the
// reports out; the first report that went out unanswered is named in
// `problem`, empty when there is none.
inline bool ReportsTookTurns(const std::vector<std::string>& log, int& outs, std::string& problem)
{
    std::string waiting; // the command of the last report out, until its answer comes
    outs = 0;
    problem.clear();
    for (const std::string& line : log) {
        const size_t kind = line.find(' ') + 1;
        const std::string command = line.substr(line.rfind(' ') + 1, 4);
        if (line.compare(kind, 4, "out ") == 0) {
            if (!waiting.empty() && problem.empty())
                problem = "report " + command + " went out before " + waiting + " was answered";
            waiting = command;
            ++outs;
        } else if (line.compare(kind, 3, "in ") == 0 && command == waiting) {
            waiting.clear();
        }
    }
    return problem.empty();
}
