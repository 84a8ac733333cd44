#include "app/CtlRequestHandler.h"

#include "app/DeviceMainDlg.h"
#include "ctl/CtlChannel.h"
#include "ctl/CtlDirect.h"
#include "ctl/CtlEdits.h"
#include "ctl/CtlExitCode.h"
#include "ctl/CtlHost.h"
#include "devices/DeviceRegistry.h"

#include <algorithm>
#include <utility>

CtlRequestHandler::CtlRequestHandler(DeviceMainDlg& window, Post post)
    : m_window(window)
    , m_post(std::move(post))
{}

void CtlRequestHandler::Handle(const QString& line, std::function<void(const QByteArray&)> reply)
{
    const CtlChannel::Request request = CtlChannel::DecodeRequest(line);
    auto answer = [reply](const CtlOutcome& outcome, bool json) {
        reply(CtlChannel::EncodeAnswer(CtlChannel::FromOutcome(outcome, json)));
    };
    CtlOutcome refused;
    refused.code = kCtlBadArguments;
    refused.error = request.error;
    if (!request.error.isEmpty())
        return answer(refused, request.json);

    const std::vector<ModelEntry> models = m_window.Registry().Models();
    const int32_t type = m_window.CurrentDeviceType();
    const auto current = std::find_if(
        models.begin(), models.end(), [type](const ModelEntry& model) { return model.deviceType == type; });
    const CtlCommand& command = request.command;
    if (!command.model.isEmpty()) {
        const ModelEntry* named = CtlDirect::FindModel(models, command.model);
        if (!named) {
            refused.error
                = QStringLiteral("unknown model \"%1\" (one of %2)").arg(command.model, CtlDirect::ModelNames(models));
            return answer(refused, request.json);
        }
        if (current == models.end() || named->deviceType != type) {
            refused.code = kCtlNoDevice;
            refused.error = QStringLiteral("the Tarvo window works on %1; choose %2 there first")
                                .arg(current == models.end() ? QStringLiteral("no model") : current->name, named->name);
            return answer(refused, request.json);
        }
    }
    const QString modelName = current == models.end() ? QString() : current->name;
    const bool reachable = m_window.IsReachableNow();
    if (current == models.end() || (command.Changes() && !reachable)) {
        refused.code = kCtlDeviceError;
        refused.error = QStringLiteral("%1 does not answer the Tarvo window; nothing was changed")
                            .arg(modelName.isEmpty() ? QStringLiteral("the mouse") : modelName);
        return answer(refused, request.json);
    }

    DeviceMainDlg& window = m_window;
    CtlGuestHost host(
        window, [&window](int32_t profile) { return window.MakeProfileCurrent(profile); },
        [&window] { return window.Description(); });
    if (command.kind == CtlCommand::Kind::Show && !reachable)
        return answer(CtlEdits::ShowStored(host, modelName), request.json);
    CtlOutcome outcome = CtlEdits::Apply(command, host, modelName);
    // The pages show a change at once, as if it had been made on them.
    const bool changed = command.kind != CtlCommand::Kind::Show && command.kind != CtlCommand::Kind::ProfileExport
        && command.kind != CtlCommand::Kind::MacroExport;
    if (outcome.code == kCtlOk && changed)
        window.ReloadPagesNow(DeviceEvents::kButtonPage | DeviceEvents::kMacroPage | DeviceEvents::kDpiPerformancePage);
    // As the restore button: the mouse is read afresh after its reset.
    if (outcome.code == kCtlOk && command.kind == CtlCommand::Kind::Reset)
        window.Worker().ResetLoaded();
    if (outcome.code != kCtlOk || host.Tasks().empty())
        return answer(outcome, request.json);
    const bool json = request.json;
    Post post = m_post;
    window.Worker().QueueBatch(
        host.Tasks(), [post, outcome, json, answer, modelName](DeviceWorker::BatchOutcome sent) mutable {
            if (sent == DeviceWorker::BatchOutcome::Dropped) {
                outcome.code = kCtlDeviceError;
                outcome.error = QStringLiteral(
                    "the Tarvo window is pairing a receiver; the change is stored and not sent");
            } else if (sent == DeviceWorker::BatchOutcome::Unanswered) {
                outcome.code = kCtlDeviceError;
                outcome.error = QStringLiteral("%1 did not acknowledge the change; it is stored and goes to the mouse "
                                               "the next time Tarvo writes to it")
                                    .arg(modelName);
            }
            // Answered from the interface thread, where the socket lives; a
            // window closed meanwhile leaves tarvoctl to its time-out.
            post([answer, outcome, json] { answer(outcome, json); });
        });
}
