#include "ctl/CtlProgram.h"

#include "ctl/CtlArguments.h"
#include "ctl/CtlExitCode.h"
#include "ctl/DeviceInventory.h"
#include "ctl/InventoryOutput.h"
#include "devices/AppConfig.h"
#include "hid/HidDeviceList.h"
#include "platform/BuildInfo.h"
#include "platform/Paths.h"

#include <QLockFile>
#include <QTextStream>

#include <chrono>
#include <thread>

namespace {

int List(const CtlArguments& arguments, QTextStream& out, QTextStream& err, const CtlProgram::Context& context)
{
    HidDeviceList& hid = context.hid ? *context.hid : HidDeviceList::Instance();
    const QString programFolder = context.programFolder.isEmpty() ? Paths::ProgramFolder() : context.programFolder;
    AppConfig config;
    if (!config.Load(AppConfig::FilePath(programFolder), &hid)) {
        err << "tarvoctl: " << config.LastError() << "\n";
        return kCtlCannotRun;
    }
    const QString runtime = context.runtimeFolder.isEmpty() ? Paths::RuntimeFolder() : context.runtimeFolder;
    // Two programs writing to one mouse would take each other's replies.
    const DeviceInventory::Access access = CtlProgram::WindowRunning(runtime) ? DeviceInventory::Access::ListOnly
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

} // namespace

QString CtlProgram::VersionText()
{
    return QStringLiteral("tarvoctl %1\n").arg(BuildInfo::Version());
}

QString CtlProgram::HelpText()
{
    return QStringLiteral("Usage: tarvoctl [--json] COMMAND\n"
                          "       tarvoctl --help | --version\n"
                          "Tarvo's command line for Heron, Egret and Plover gaming mice and their receivers.\n"
                          "\n"
                          "Commands:\n"
                          "  list         every supported model and how it is attached: by cable or\n"
                          "               receiver, online or not, firmware versions and battery;\n"
                          "               one this user may not open shows as \"permission denied\"\n"
                          "\n"
                          "Options:\n"
                          "  --json       print JSON for scripts instead of lines for people\n"
                          "  --version    print the version and exit\n"
                          "  -h, --help   print this help and exit\n"
                          "\n"
                          "While a Tarvo window runs, it alone drives the mice: list then shows what is\n"
                          "attached without opening it.\n"
                          "\n"
                          "Exit codes:\n"
                          "  0  done\n"
                          "  1  Tarvo's own files (config.xml) are missing or broken\n"
                          "  2  bad arguments; nothing was done\n"
                          "  3  no device: no mouse or receiver of ours is attached\n"
                          "  4  device error: attached, but it could not be opened (for \"permission\n"
                          "     denied\", install the udev rule 70-tarvo.rules and plug it in again)\n"
                          "     or it failed\n");
}

bool CtlProgram::WindowRunning(const QString& runtimeFolder)
{
    QString folder = runtimeFolder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    QLockFile lock(folder + Paths::ApplicationName() + QStringLiteral(".lock"));
    // As the window judges a lock: stale only when its process is gone.
    lock.setStaleLockTime(0);
    if (lock.tryLock(0))
        return false; // released again by the destructor
    return lock.error() == QLockFile::LockFailedError;
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
    switch (parsed.command) {
    case CtlArguments::Command::Help:
        out << HelpText();
        return kCtlOk;
    case CtlArguments::Command::Version:
        out << VersionText();
        return kCtlOk;
    case CtlArguments::Command::List:
        return List(parsed, out, err, context);
    case CtlArguments::Command::None:
        break;
    }
    err << "tarvoctl: no command given (try tarvoctl --help)\n";
    return kCtlBadArguments;
}
