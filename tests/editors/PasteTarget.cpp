// A window that takes pasted text, for the end-to-end tests of typed snippets:
// it prints "text=<its text>" whenever the text changes and answers commands
// on standard input, one per line:
//   clip <text>  puts <text> on the clipboard ("clip-set")
//   focus        takes the keyboard focus ("focused" once it has it)
//   read         prints "clipboard=<the clipboard's text>"
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

void Print(const QString& line)
{
    std::fprintf(stdout, "%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLineEdit edit;
    edit.setWindowTitle(QStringLiteral("PasteTarget"));
    edit.setGeometry(0, 850, 600, 40);
    QObject::connect(
        &edit, &QLineEdit::textChanged, [](const QString& text) { Print(QStringLiteral("text=") + text); });
    edit.show();

    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            app.quit();
            return;
        }
        pending.append(buffer, n);
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(end));
            pending.remove(0, end + 1);
            if (line.startsWith(QStringLiteral("clip "))) {
                QApplication::clipboard()->setText(line.mid(5));
                Print(QStringLiteral("clip-set"));
            } else if (line == QStringLiteral("focus")) {
                edit.activateWindow();
                edit.setFocus();
                auto* poll = new QTimer(&edit);
                QObject::connect(poll, &QTimer::timeout, [&edit, poll] {
                    if (edit.hasFocus() && edit.isActiveWindow()) {
                        Print(QStringLiteral("focused"));
                        poll->deleteLater();
                    } else {
                        edit.activateWindow();
                    }
                });
                poll->start(50);
            } else if (line == QStringLiteral("read")) {
                Print(QStringLiteral("clipboard=") + QApplication::clipboard()->text());
            }
        }
    });
    Print(QStringLiteral("ready"));
    return app.exec();
}
