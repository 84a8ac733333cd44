#include "platform/AutostartEntry.h"

#include "platform/DataFile.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

#include <algorithm>

namespace {

// Characters that make an argument need quotes.
bool IsReserved(QChar c)
{
    static const QString kReserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    return kReserved.contains(c);
}

// Inside double quotes these four take a backslash.
bool NeedsEscapeInQuotes(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\');
}

QString QuoteArgument(const QString& argument)
{
    QString text = argument;
    // A literal percent would otherwise start a field code.
    text.replace(QLatin1Char('%'), QStringLiteral("%%"));
    const bool needsQuotes = text.isEmpty() || std::any_of(text.begin(), text.end(), IsReserved);
    if (!needsQuotes)
        return text;
    QString quoted = QStringLiteral("\"");
    for (const QChar c : text) {
        if (NeedsEscapeInQuotes(c))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted += QLatin1Char('"');
    return quoted;
}

// The escapes of every string value, applied over the quoting.
QString EscapeStringValue(const QString& value)
{
    QString out;
    out.reserve(value.size() + 8);
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out;
}

QString UnescapeStringValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value[++i];
        if (next == QLatin1Char('s'))
            out += QLatin1Char(' ');
        else if (next == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (next == QLatin1Char('t'))
            out += QLatin1Char('\t');
        else if (next == QLatin1Char('r'))
            out += QLatin1Char('\r');
        else if (next == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        else {
            out += c;
            out += next;
        }
    }
    return out;
}

// Ours is a few hundred bytes; anything far larger is not an entry we wrote.
constexpr int64_t kMaxEntryBytes = 64 * 1024;

// The value of `key` in the [Desktop Entry] group, or nothing.
QString ReadKey(const QString& filePath, const QString& key)
{
    const DataFile::Contents contents = DataFile::Read(filePath, kMaxEntryBytes);
    if (!contents.IsRead())
        return {};
    QTextStream in(contents.bytes);
    bool inGroup = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inGroup || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && line.left(eq).trimmed() == key)
            return line.mid(eq + 1).trimmed();
    }
    return {};
}

} // namespace

AutostartEntry::AutostartEntry()
    : AutostartEntry(
        Paths::ConfigHome() + QStringLiteral("autostart/") + Paths::ApplicationName() + QStringLiteral(".desktop"))
{}

AutostartEntry::AutostartEntry(QString filePath)
    : m_filePath(std::move(filePath))
{}

bool AutostartEntry::IsEnabled() const
{
    if (DataFile::Examine(m_filePath, kMaxEntryBytes) != DataFile::Status::Read)
        return false;
    if (ReadKey(m_filePath, QStringLiteral("Hidden")).compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return false;
    return ReadKey(m_filePath, QStringLiteral("X-GNOME-Autostart-enabled"))
               .compare(QLatin1String("false"), Qt::CaseInsensitive)
        != 0;
}

bool AutostartEntry::Enable(const QString& program)
{
    if (program.isEmpty() || !QFileInfo(m_filePath).absoluteDir().mkpath(QStringLiteral(".")))
        return false;
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    const QString name = Paths::ApplicationName();
    QString text;
    text += QStringLiteral("[Desktop Entry]\n");
    text += QStringLiteral("Type=Application\n");
    text += QStringLiteral("Name=") + name + QLatin1Char('\n');
    text += QStringLiteral("Exec=") + ExecLine(program, {QStringLiteral("-autorun")}) + QLatin1Char('\n');
    text += QStringLiteral("Icon=tarvo\n");
    text += QStringLiteral("Terminal=false\n");
    text += QStringLiteral("X-GNOME-Autostart-enabled=true\n");
    file.write(text.toUtf8());
    return file.commit();
}

bool AutostartEntry::Disable()
{
    if (!QFileInfo::exists(m_filePath))
        return true;
    return QFile::remove(m_filePath);
}

QString AutostartEntry::ExecLine(const QString& program, const QStringList& arguments)
{
    QStringList parts{QuoteArgument(program)};
    for (const QString& argument : arguments)
        parts << QuoteArgument(argument);
    return EscapeStringValue(parts.join(QLatin1Char(' ')));
}

QStringList AutostartEntry::SplitExecLine(const QString& exec)
{
    const QString text = UnescapeStringValue(exec);
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < text.size() && NeedsEscapeInQuotes(text[i + 1])) {
                word += text[++i];
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                word += c;
            }
            continue;
        }
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == QLatin1Char('"'))
            quoted = true;
        else
            word += c;
    }
    if (quoted)
        return {};
    if (inWord)
        words << word;
    for (QString& w : words)
        w.replace(QStringLiteral("%%"), QStringLiteral("%"));
    return words;
}
