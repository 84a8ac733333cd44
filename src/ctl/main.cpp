#include "ctl/CtlProgram.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv)
{
    // No display and no event loop: Core only.
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int code = CtlProgram::Run(QCoreApplication::arguments(), out, err);
    out.flush();
    err.flush();
    return code;
}
