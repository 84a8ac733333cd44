#include "ProgramUnderXvfb.h"

#include "XTestInput.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <atomic>
#include <climits>
#include <ctime>
#include <unistd.h>

namespace {
std::atomic<int> g_sockets{0};
} // namespace

WindowState WindowState::Parse(const QString& line)
{
    WindowState state;
    static const QRegularExpression item(
        QStringLiteral("^(\\d+):(-?\\d+)/(-?\\d+):([^:]*):(-?\\d+)/(-?\\d+)@(-?\\d+),(-?\\d+)$"));
    static const QRegularExpression control(QStringLiteral("^(\\d+)@(-?\\d+),(-?\\d+)$"));
    static const QRegularExpression listItem(QStringLiteral("^(\\d+\\.\\d+)@(-?\\d+),(-?\\d+)$"));
    for (const QString& field : line.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const qsizetype eq = field.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = field.left(eq);
        const QString value = field.mid(eq + 1);
        if (key == QLatin1String("view")) {
            state.view = value;
        } else if (key == QLatin1String("tab")) {
            state.tab = value.toInt();
        } else if (key == QLatin1String("status")) {
            state.status = value.toInt();
        } else if (key == QLatin1String("content")) {
            state.content = value;
        } else if (key == QLatin1String("selected")) {
            state.selected = value.toInt();
        } else if (key == QLatin1String("item")) {
            const QRegularExpressionMatch m = item.match(value);
            if (!m.hasMatch())
                continue;
            ItemState s;
            s.cable = m.captured(2).toInt();
            s.receiver = m.captured(3).toInt();
            s.version = m.captured(4);
            s.batteryStatus = m.captured(5).toInt();
            s.batteryLevel = m.captured(6).toInt();
            s.centre = QPoint(m.captured(7).toInt(), m.captured(8).toInt());
            state.items[m.captured(1).toInt()] = s;
        } else if (key == QLatin1String("ctl")) {
            const QRegularExpressionMatch m = control.match(value);
            if (m.hasMatch())
                state.controls[m.captured(1).toInt()] = QPoint(m.captured(2).toInt(), m.captured(3).toInt());
        } else if (key == QLatin1String("ctlitem")) {
            const QRegularExpressionMatch m = listItem.match(value);
            if (m.hasMatch())
                state.listItems[m.captured(1)] = QPoint(m.captured(2).toInt(), m.captured(3).toInt());
        } else if (key == QLatin1String("tabitem")) {
            const QRegularExpressionMatch m = control.match(value);
            if (m.hasMatch())
                state.tabs[m.captured(1).toInt()] = QPoint(m.captured(2).toInt(), m.captured(3).toInt());
        } else {
            state.fields[key] = value;
        }
    }
    return state;
}

ItemState WindowState::Item(int type) const
{
    auto it = items.find(type);
    return it == items.end() ? ItemState{} : it->second;
}

QPoint WindowState::Control(int id) const
{
    auto it = controls.find(id);
    return it == controls.end() ? QPoint(-1, -1) : it->second;
}

QPoint WindowState::ListItem(int id, int index) const
{
    auto it = listItems.find(QStringLiteral("%1.%2").arg(id).arg(index));
    return it == listItems.end() ? QPoint(-1, -1) : it->second;
}

QPoint WindowState::Tab(int item) const
{
    auto it = tabs.find(item);
    return it == tabs.end() ? QPoint(-1, -1) : it->second;
}

QString WindowState::Field(const QString& key) const
{
    auto it = fields.find(key);
    return it == fields.end() ? QString() : it->second;
}

QPoint WindowState::Point(const QString& key) const
{
    const QStringList parts = Field(key).split(QLatin1Char(','));
    return parts.size() == 2 ? QPoint(parts[0].toInt(), parts[1].toInt()) : QPoint(-1, -1);
}

void ProgramUnderXvfb::SetUp()
{
    if (XvfbDisplay::FindServer().isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_TRUE(m_xvfb.Start(kScreenWidth, kScreenHeight, 151)) << "Xvfb did not start";
    const std::string socket = "/tmp/tarvo-e2e-" + std::to_string(getpid()) + "-" + std::to_string(g_sockets++)
        + ".sock";
    std::string error;
    ASSERT_TRUE(m_sim.Start(TARVO_MOUSESIM_PATH, socket, error)) << error;
    ASSERT_TRUE(m_home.isValid());
}

void ProgramUnderXvfb::TearDown()
{
    if (m_program.state() != QProcess::NotRunning) {
        m_program.terminate();
        if (!m_program.waitForFinished(5000))
            m_program.kill();
        m_program.waitForFinished(2000);
    }
    m_sim.Stop();
}

QProcessEnvironment ProgramUnderXvfb::Environment() const
{
    const QString run = m_home.path() + QStringLiteral("/run");
    QDir().mkpath(run);
    QFile::setPermissions(run, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_xvfb.Display());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path() + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.path() + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), run);
    env.insert(QStringLiteral("TARVO_PROGRAM_DIR"), QStringLiteral(TARVO_BINARY_DIR));
    env.insert(QStringLiteral("TARVO_HIDAPI_LIBRARY"), QStringLiteral(TARVO_HIDSIM_LIBRARY));
    env.insert(QStringLiteral("TARVO_SIM_SOCKET"), QString::fromStdString(m_sim.SocketPath()));
    env.insert(QStringLiteral("TARVO_STATE_PROBE"), QStringLiteral("1"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
    env.remove(QStringLiteral("LC_ALL"));
    env.remove(QStringLiteral("LC_MESSAGES"));
    env.remove(QStringLiteral("TARVO_DEBUG"));
    return env;
}

void ProgramUnderXvfb::StartProgram(const QStringList& arguments)
{
    m_program.setProcessEnvironment(Environment());
    m_program.setProcessChannelMode(QProcess::SeparateChannels);
    m_program.start(QStringLiteral(TARVO_PROGRAM_PATH), arguments);
    ASSERT_TRUE(m_program.waitForStarted(5000));
}

std::vector<std::string> ProgramUnderXvfb::Sim(const std::string& command)
{
    std::vector<std::string> lines;
    std::string error;
    EXPECT_TRUE(m_sim.Command(command, &lines, &error)) << command << ": " << error;
    return lines;
}

bool ProgramUnderXvfb::WaitForQuietLink()
{
    size_t before = SIZE_MAX;
    for (int i = 0; i < 40; ++i) {
        std::vector<std::string> lines;
        if (!m_sim.Command("log", &lines, nullptr))
            return false;
        if (lines.size() == before)
            return true;
        before = lines.size();
        QThread::msleep(300);
        Drain();
    }
    return false;
}

bool ProgramUnderXvfb::WaitFor(const std::function<bool(const WindowState&)>& done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (true) {
        Drain();
        if (m_hasState && done(m_state))
            return true;
        if (timer.elapsed() > ms || m_program.state() != QProcess::Running)
            return false;
        m_program.waitForReadyRead(20);
    }
}

void ProgramUnderXvfb::Drain()
{
    // Without an event loop QProcess reads its pipes only inside a wait; a
    // test busy with the simulator would otherwise leave the program blocked
    // on a full pipe.
    for (int i = 0; i < 64 && m_program.state() == QProcess::Running && m_program.waitForReadyRead(0); ++i) {}
    m_buffer += m_program.readAllStandardOutput();
    qsizetype end;
    while ((end = m_buffer.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(m_buffer.left(end));
        m_buffer.remove(0, end + 1);
        if (line.startsWith(QStringLiteral("tarvo: state "))) {
            m_state = WindowState::Parse(line);
            m_lastLine = line;
            m_hasState = true;
        } else if (line.startsWith(QStringLiteral("tarvo: "))) {
            m_probeLines.push_back(line.mid(7));
        }
    }
}

void ProgramUnderXvfb::Click(const QPoint& point)
{
    EXPECT_TRUE(XTestClick(m_xvfb.Display().toLocal8Bit().constData(), point.x(), point.y()));
}

void ProgramUnderXvfb::Drag(const QPoint& from, const QPoint& to)
{
    EXPECT_TRUE(XTestDrag(m_xvfb.Display().toLocal8Bit().constData(), from.x(), from.y(), to.x(), to.y(), 10));
}

void ProgramUnderXvfb::Type(const std::string& text)
{
    EXPECT_TRUE(XTestType(m_xvfb.Display().toLocal8Bit().constData(), text.c_str()));
}

void ProgramUnderXvfb::Key(const char* keysym)
{
    EXPECT_TRUE(XTestKey(m_xvfb.Display().toLocal8Bit().constData(), keysym));
}

void ProgramUnderXvfb::KeyWith(const char* modifier, const char* keysym)
{
    const char* const modifiers[] = {modifier, nullptr};
    EXPECT_TRUE(XTestKey(m_xvfb.Display().toLocal8Bit().constData(), keysym, modifiers));
}

QImage ProgramUnderXvfb::Capture(const QString& name)
{
    QThread::msleep(400); // let the server finish the last paint
    const QString path = QStringLiteral(TARVO_BINARY_DIR "/") + name;
    QProcess import;
    import.setProcessEnvironment(Environment());
    import.start(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path});
    if (!import.waitForFinished(30000) || import.exitCode() != 0)
        return {};
    QImage shot(path);
    if (!shot.isNull()) {
        shot = shot.copy(WindowRect());
        shot.save(path);
    }
    return shot;
}

bool ProgramUnderXvfb::HaveImport()
{
    return !QStandardPaths::findExecutable(QStringLiteral("import")).isEmpty();
}

QJsonObject ProgramUnderXvfb::MouseState(const std::string& model)
{
    const std::vector<std::string> lines = Sim("state " + model);
    return lines.size() == 1 ? QJsonDocument::fromJson(QByteArray::fromStdString(lines[0])).object() : QJsonObject();
}

bool ProgramUnderXvfb::WaitForMouse(const std::string& model, const std::function<bool(const QJsonObject&)>& done)
{
    for (int i = 0; i < 200; ++i) {
        if (done(MouseState(model)))
            return true;
        QThread::msleep(20);
        Drain();
    }
    return false;
}

int64_t ProgramUnderXvfb::MonotonicMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

std::vector<std::string> ProgramUnderXvfb::LoggedReports(const std::string& kind, const std::string& prefix)
{
    std::vector<std::string> matching;
    for (const std::string& line : Sim("log")) {
        // "<µs> <kind> <path> <hex, lower case>"
        const size_t first = line.find(' ');
        if (first == std::string::npos || line.compare(first + 1, kind.size() + 1, kind + " ") != 0)
            continue;
        const std::string hex = line.substr(line.rfind(' ') + 1);
        if (hex.compare(0, prefix.size(), prefix) == 0)
            matching.push_back(hex);
    }
    return matching;
}
