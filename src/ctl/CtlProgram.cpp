#include "ctl/CtlProgram.h"

#include "ctl/CtlArguments.h"
#include "ctl/CtlChannel.h"
#include "ctl/CtlDirect.h"
#include "ctl/CtlExitCode.h"
#include "ctl/CtlVocabulary.h"
#include "ctl/DeviceInventory.h"
#include "ctl/InventoryOutput.h"
#include "devices/AppConfig.h"
#include "hid/HidDeviceList.h"
#include "language/InterfaceText.h"
#include "language/Language.h"
#include "platform/BuildInfo.h"
#include "platform/Locale.h"
#include "platform/Paths.h"
#include "platform/StaleLock.h"
#include "platform/UserSettings.h"

#include <QFileInfo>
#include <QLockFile>
#include <QTextStream>

#include <chrono>
#include <optional>
#include <thread>

namespace {

QString Folder(QString folder)
{
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

int List(const CtlArguments& arguments, const AppConfig& config, HidDeviceList& hid, bool windowRunning,
    QTextStream& out, QTextStream& err, const CtlProgram::Context& context)
{
    // Two programs writing to one mouse would take each other's replies.
    const DeviceInventory::Access access = windowRunning ? DeviceInventory::Access::ListOnly
                                                         : DeviceInventory::Access::OpenDevices;
    const Inventory inventory = DeviceInventory::Gather(hid, config.Models(), access, context.statusRetryMs,
        [](int32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); });

    if (arguments.json)
        out << QString::fromUtf8(InventoryOutput::Json(inventory));
    else
        out << InventoryOutput::Text(inventory);
    out.flush();
    if (inventory.windowRunning) {
        err << "tarvoctl: a Tarvo window is running and drives the mice; their state, firmware and battery are "
               "shown there\n";
    }
    for (const QString& problem : InventoryOutput::Problems(inventory))
        err << "tarvoctl: " << problem << "\n";
    return InventoryOutput::ExitCode(inventory);
}

// A list of names as lines under the help's second column.
QString Wrapped(const QString& names)
{
    const QString indent(19, QLatin1Char(' '));
    QString text = indent;
    qsizetype column = 0;
    for (const QString& name : names.split(QStringLiteral(", "))) {
        if (column > 0 && column + name.size() + 2 > 58) {
            text += QStringLiteral(",\n") + indent;
            column = 0;
        } else if (column > 0) {
            text += QStringLiteral(", ");
            column += 2;
        }
        text += name;
        column += name.size();
    }
    return text + QLatin1Char('\n');
}

int Print(const CtlChannel::Answer& answer, QTextStream& out, QTextStream& err)
{
    out << answer.out;
    out.flush();
    if (!answer.err.isEmpty()) {
        for (const QString& line : answer.err.split(QLatin1Char('\n')))
            err << "tarvoctl: " << line << "\n";
    }
    return answer.code;
}

int RunCommand(CtlArguments arguments, QTextStream& out, QTextStream& err, const CtlProgram::Context& context)
{
    HidDeviceList& hid = context.hid ? *context.hid : HidDeviceList::Instance();
    const QString programFolder = context.programFolder.isEmpty() ? Paths::ProgramFolder() : context.programFolder;
    AppConfig config;
    if (!config.Load(AppConfig::FilePath(programFolder), &hid)) {
        err << "tarvoctl: " << config.LastError() << "\n";
        return kCtlCannotRun;
    }
    // A window runs elsewhere: it is given the file as seen from here.
    if (!arguments.command.path.isEmpty()) {
        arguments.command.path = QFileInfo(arguments.command.path).absoluteFilePath();
        arguments.command.words.last() = arguments.command.path;
    }
    const QString runtime = Folder(context.runtimeFolder.isEmpty() ? Paths::RuntimeFolder() : context.runtimeFolder);

    // Held until the command is done: another tarvoctl waits, and a window
    // starting meanwhile waits before it opens anything.
    QLockFile deviceLock(CtlProgram::DeviceLockPath(runtime));
    deviceLock.setStaleLockTime(0);
    if (!deviceLock.tryLock(context.lockWaitMs)) {
        err << "tarvoctl: another tarvoctl is still busy with the mice (" << CtlProgram::DeviceLockPath(runtime)
            << ")\n";
        return kCtlDeviceError;
    }
    const bool windowRunning = CtlProgram::WindowRunning(runtime);
    if (arguments.command.kind == CtlCommand::Kind::List)
        return List(arguments, config, hid, windowRunning, out, err, context);

    if (windowRunning) {
        // The window drives the mouse; it makes the change as its pages would.
        deviceLock.unlock();
        const std::optional<CtlChannel::Answer> answer = CtlChannel::Send(runtime + Paths::ApplicationName(),
            CtlChannel::EncodeRequest(arguments.command, arguments.json), context.windowTimeoutMs);
        if (!answer) {
            err << "tarvoctl: a Tarvo window is running but did not answer; nothing was changed by tarvoctl\n";
            return kCtlDeviceError;
        }
        return Print(*answer, out, err);
    }

    CtlDirect::Setup setup;
    setup.hid = &hid;
    setup.models = config.Models();
    if (context.dataFolder.isEmpty()) {
        Paths::PrepareDataFolder();
        setup.dataFolder = Paths::DataFolder();
    } else {
        setup.dataFolder = Folder(context.dataFolder);
        Paths::MakePath(setup.dataFolder + QStringLiteral("db/"));
    }
    setup.timings = context.timings;
    setup.programFolder = Folder(programFolder);
    // Profile names are interface texts, in the language the window uses.
    Language::SetCurrent(UserSettings::ChooseStartupLanguage(Paths::SettingsFilePath(), Locale::UserInterfaceLcid()));
    InterfaceText::SetProgramFolder(programFolder);
    const CtlOutcome outcome = CtlDirect::Run(arguments.command, setup);
    hid.CloseAll();
    return Print(CtlChannel::FromOutcome(outcome, arguments.json), out, err);
}

} // namespace

QString CtlProgram::VersionText()
{
    return QStringLiteral("tarvoctl %1\n").arg(BuildInfo::Version());
}

QString CtlProgram::HelpText()
{
    QString settings;
    for (const CtlVocabulary::SettingName& entry : CtlVocabulary::Settings()) {
        if (entry.setting == CtlVocabulary::Setting::DeepSleep) {
            settings += QStringLiteral("                 %1, one of\n").arg(QString::fromLatin1(entry.name))
                + Wrapped(CtlVocabulary::ValuesOf(entry.setting));
        } else if (entry.setting != CtlVocabulary::Setting::Dpi) {
            settings += QStringLiteral("                 %1: %2\n")
                            .arg(QString::fromLatin1(entry.name), CtlVocabulary::ValuesOf(entry.setting));
        }
    }
    return QStringLiteral("Usage: tarvoctl [--json] [--model MODEL] COMMAND\n"
                          "       tarvoctl --help | --version\n"
                          "Tarvo's command line for Heron, Egret and Plover gaming mice and their receivers.\n"
                          "\n"
                          "Commands:\n"
                          "  list           every supported model and how it is attached: by cable or\n"
                          "                 receiver, online or not, firmware versions and battery;\n"
                          "                 one this user may not open shows as \"permission denied\"\n"
                          "  show [MODEL]   the settings of the mouse's current profile and what each\n"
                          "                 button does, as `button N` takes it; for a mouse that does\n"
                          "                 not answer, the settings stored for it (exit 0, a note on\n"
                          "                 stderr, \"mouse_answered\": false in --json)\n"
                          "  set dpi LEVEL VALUE\n"
                          "                 DPI level 1-6 to VALUE (50 up to 26000 or 12000 by model,\n"
                          "                 rounded down to a step of 50); makes it the current level\n"
                          "  set SETTING VALUE\n"
                          "%1"
                          "  button N FUNCTION\n"
                          "                 what button N does (1 is the one after the left button;\n"
                          "                 the left button keeps its click), FUNCTION one of:\n"
                          "                 mouse NAME, one of\n"
                          "%2"
                          "                 key [MODIFIER+]...KEY: modifiers ctrl, shift, alt, win;\n"
                          "                   keys as the key list names them (a, f5, num-enter, ...)\n"
                          "                 media NAME, one of\n"
                          "%3"
                          "                 shortcut NAME, one of\n"
                          "%4"
                          "                 dpi: switches DPI levels; disable: does nothing\n"
                          "  profile N      switch to profile N (1-4) and send all its settings\n"
                          "  profile export FILE | profile import FILE\n"
                          "                 the current profile to or from a file; an import is sent\n"
                          "  macro export MACRO FILE | macro import FILE\n"
                          "                 a macro (its name, or its place in the list: 1, 2, ...) to a\n"
                          "                 file, or a file as a new macro\n"
                          "  reset          the current profile and the mouse back to factory settings\n"
                          "\n"
                          "Options:\n"
                          "  --model MODEL  the model to work on (heron-pro, 101, ...); needed when\n"
                          "                 several are attached\n"
                          "  --json         print JSON for scripts instead of lines for people\n"
                          "  --version      print the version and exit\n"
                          "  -h, --help     print this help and exit\n"
                          "\n"
                          "A change is stored in the mouse's current profile, as the Tarvo window stores\n"
                          "it, and sent to the mouse; tarvoctl exits when the mouse acknowledged it.\n"
                          "While a Tarvo window runs, it alone drives the mice: every command but list\n"
                          "is handed to it, and list shows what is attached without opening it.\n"
                          "\n"
                          "Exit codes:\n"
                          "  0  done\n"
                          "  1  Tarvo's own files (config.xml) are missing or broken\n"
                          "  2  bad arguments (or a file that cannot be read or written); nothing was done\n"
                          "  3  no device: no mouse or receiver of ours is attached\n"
                          "  4  device error: attached, but it could not be opened (for \"permission\n"
                          "     denied\", install the udev rule 70-tarvo.rules and plug it in again),\n"
                          "     it did not answer or acknowledge, or its settings could not be stored\n")
        .arg(settings, Wrapped(CtlVocabulary::NamesOf(CtlVocabulary::MouseFunctions())),
            Wrapped(CtlVocabulary::NamesOf(CtlVocabulary::MediaKeys())),
            Wrapped(CtlVocabulary::NamesOf(CtlVocabulary::Shortcuts())));
}

QString CtlProgram::DeviceLockPath(const QString& runtimeFolder)
{
    return Folder(runtimeFolder) + Paths::ApplicationName() + QStringLiteral(".devices.lock");
}

bool CtlProgram::WindowRunning(const QString& runtimeFolder)
{
    // Looked at, never taken: a window starting this very moment must not
    // find its lock held by tarvoctl and end, taking itself for a second start.
    return StaleLock::IsHeld(Folder(runtimeFolder) + Paths::ApplicationName() + QStringLiteral(".lock"));
}

int CtlProgram::Run(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    return Run(arguments, out, err, Context());
}

int CtlProgram::Run(const QStringList& arguments, QTextStream& out, QTextStream& err, const Context& context)
{
    const CtlArguments parsed = CtlArguments::Parse(arguments);
    if (!parsed.error.isEmpty()) {
        err << "tarvoctl: " << parsed.error << " (try tarvoctl --help)\n";
        return kCtlBadArguments;
    }
    switch (parsed.action) {
    case CtlArguments::Action::Help:
        out << HelpText();
        return kCtlOk;
    case CtlArguments::Action::Version:
        out << VersionText();
        return kCtlOk;
    case CtlArguments::Action::Run:
        return RunCommand(parsed, out, err, context);
    case CtlArguments::Action::None:
        break;
    }
    err << "tarvoctl: no command given (try tarvoctl --help)\n";
    return kCtlBadArguments;
}
