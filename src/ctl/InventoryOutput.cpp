#include "ctl/InventoryOutput.h"

#include "ctl/CtlExitCode.h"
#include "hid/StatusReply.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// Each state's name in the JSON output and its words for people.
struct StateNames {
    ConnectionEntry::State state;
    const char* json;
    const char* human;
};
constexpr StateNames kStateNames[] = {
    {ConnectionEntry::State::Online, "online", "online"},
    {ConnectionEntry::State::MouseAway, "mouse_away", "attached, mouse not in reach"},
    {ConnectionEntry::State::NoAnswer, "no_answer", "attached, no answer"},
    {ConnectionEntry::State::Standby, "standby", "attached, standing by (commands go by cable)"},
    {ConnectionEntry::State::PermissionDenied, "permission_denied", "permission denied"},
    {ConnectionEntry::State::OpenFailed, "open_failed", "cannot be opened"},
    {ConnectionEntry::State::InUse, "in_use", "attached, in use by the Tarvo window"},
};

const StateNames& NamesOf(ConnectionEntry::State state)
{
    for (const StateNames& names : kStateNames) {
        if (names.state == state)
            return names;
    }
    return kStateNames[2]; // unreachable: every state has its row
}

QString HumanState(ConnectionEntry::State state)
{
    return QString::fromLatin1(NamesOf(state).human);
}

QJsonValue TextOrNull(const QString& text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

bool Opened(ConnectionEntry::State state)
{
    return state != ConnectionEntry::State::PermissionDenied && state != ConnectionEntry::State::OpenFailed;
}

} // namespace

QString InventoryOutput::StateName(ConnectionEntry::State state)
{
    return QString::fromLatin1(NamesOf(state).json);
}

QString InventoryOutput::ModeName(int32_t mode)
{
    return mode == 0 ? QStringLiteral("cable") : QStringLiteral("receiver");
}

QString InventoryOutput::Text(const Inventory& inventory)
{
    QString text;
    for (const ModelInventory& model : inventory.models) {
        const QString name = QStringLiteral("%1 (%2)").arg(model.model.name).arg(model.model.deviceType);
        if (model.connections.empty()) {
            text += name + QStringLiteral(": not attached\n");
            continue;
        }
        for (const ConnectionEntry& entry : model.connections) {
            QString line = QStringLiteral("%1: %2 %3").arg(name, ModeName(entry.mode), HumanState(entry.state));
            if (!entry.mouseFirmware.isEmpty())
                line += QStringLiteral(", firmware %1").arg(entry.mouseFirmware);
            if (!entry.receiverFirmware.isEmpty())
                line += QStringLiteral(", receiver firmware %1").arg(entry.receiverFirmware);
            if (entry.batteryLevel >= 0) {
                line += QStringLiteral(", battery %1%").arg(entry.batteryLevel);
                if (entry.batteryStatus == 1)
                    line += QStringLiteral(" (charging)");
                else if (entry.batteryStatus == 2)
                    line += QStringLiteral(" (full)");
            }
            if (!Opened(entry.state))
                line += QStringLiteral(" (%1)").arg(entry.path);
            text += line + QLatin1Char('\n');
        }
    }
    return text;
}

QByteArray InventoryOutput::Json(const Inventory& inventory)
{
    QJsonArray models;
    for (const ModelInventory& model : inventory.models) {
        QJsonArray connections;
        for (const ConnectionEntry& entry : model.connections) {
            QJsonObject connection;
            connection.insert(QStringLiteral("mode"), ModeName(entry.mode));
            connection.insert(QStringLiteral("state"), StateName(entry.state));
            connection.insert(QStringLiteral("path"), entry.path);
            connection.insert(QStringLiteral("product"), TextOrNull(entry.product));
            connection.insert(QStringLiteral("release"),
                entry.release != 0 ? QJsonValue(ReleaseVersionText(entry.release)) : QJsonValue(QJsonValue::Null));
            connection.insert(QStringLiteral("mouse_firmware"), TextOrNull(entry.mouseFirmware));
            connection.insert(QStringLiteral("receiver_firmware"), TextOrNull(entry.receiverFirmware));
            if (entry.batteryLevel >= 0) {
                connection.insert(QStringLiteral("battery"),
                    QJsonObject{{QStringLiteral("level"), entry.batteryLevel},
                        {QStringLiteral("status"), entry.batteryStatus}});
            } else {
                connection.insert(QStringLiteral("battery"), QJsonValue(QJsonValue::Null));
            }
            connection.insert(QStringLiteral("error"), TextOrNull(entry.failure));
            connections.append(connection);
        }
        QJsonObject object;
        object.insert(QStringLiteral("device_type"), model.model.deviceType);
        object.insert(QStringLiteral("name"), model.model.name);
        object.insert(QStringLiteral("device_attr"), model.model.deviceAttr);
        object.insert(QStringLiteral("connections"), connections);
        models.append(object);
    }
    QJsonObject root;
    root.insert(QStringLiteral("window_running"), inventory.windowRunning);
    root.insert(QStringLiteral("models"), models);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QStringList InventoryOutput::Problems(const Inventory& inventory)
{
    QStringList text;
    for (const ModelInventory& model : inventory.models) {
        for (const ConnectionEntry& entry : model.connections) {
            if (entry.state == ConnectionEntry::State::PermissionDenied) {
                text << QStringLiteral("%1 by %2: permission denied on %3; install the udev rule 70-tarvo.rules, then "
                                       "unplug the mouse or receiver and plug it in again")
                            .arg(model.model.name, ModeName(entry.mode), entry.path);
            } else if (entry.state == ConnectionEntry::State::OpenFailed) {
                text << QStringLiteral("%1 by %2: %3 cannot be opened%4")
                            .arg(model.model.name, ModeName(entry.mode), entry.path,
                                entry.failure.isEmpty() ? QString() : QStringLiteral(": ") + entry.failure);
            }
        }
    }
    return text;
}

int InventoryOutput::ExitCode(const Inventory& inventory)
{
    bool attached = false;
    for (const ModelInventory& model : inventory.models) {
        for (const ConnectionEntry& entry : model.connections) {
            if (Opened(entry.state))
                return kCtlOk;
            attached = true;
        }
    }
    return attached ? kCtlDeviceError : kCtlNoDevice;
}
