#include "devices/AppConfig.h"

#include "devices/DevicesLog.h"
#include "hid/HidDeviceList.h"
#include "language/InterfaceText.h"
#include "platform/DataFile.h"
#include "language/TextIds.h"
#include "platform/LenientNumber.h"
#include "xml/XmlDocument.h"

namespace {

QString Attribute(const XmlDocument& doc, const char* name)
{
    return doc.GetAttribute(QString::fromLatin1(name));
}

// "device/<image>" inside the skin folder; empty (no picture) for a name that
// would reach outside it.
QString ImagePath(const QString& image, int32_t deviceType)
{
    if (!DataFile::IsPlainName(image)) {
        if (!image.isEmpty())
            DevicesDebugLine(QStringLiteral("image \"%1\" of device type %2 is no plain file name: no picture")
                    .arg(image)
                    .arg(deviceType));
        return {};
    }
    return QStringLiteral("device/") + image;
}

}

AppConfig::AppConfig()
    : m_version(QString::fromUtf16(kDefaultVersion))
{
}

QString AppConfig::FilePath(const QString& programFolder)
{
    return programFolder + QStringLiteral("config.xml");
}

const ModelEntry* AppConfig::FindModel(int32_t deviceType) const
{
    for (const ModelEntry& model : m_models) {
        if (model.deviceType == deviceType)
            return &model;
    }
    return nullptr;
}

QString AppConfig::VersionLabel() const
{
    return QStringLiteral("%1: v%2").arg(InterfaceText::Get(TextIds::kVersionWord), m_version);
}

bool AppConfig::Load(const QString& path, HidDeviceList* hid)
{
    XmlDocument doc;
    const bool loaded = doc.LoadFile(path);
    return Apply(doc, loaded, path, hid);
}

bool AppConfig::LoadBytes(QByteArrayView bytes, HidDeviceList* hid)
{
    XmlDocument doc;
    const bool loaded = doc.LoadBytes(bytes);
    return Apply(doc, loaded, QStringLiteral("(in memory)"), hid);
}

bool AppConfig::Apply(XmlDocument& doc, bool loaded, const QString& path, HidDeviceList* hid)
{
    m_models.clear();
    m_modes.clear();
    m_error.clear();
    m_version = QString::fromUtf16(kDefaultVersion);
    if (hid)
        hid->ClearSupportedDevices();

    if (!loaded) {
        // A half-read file must not register half the models: start-up goes
        // on with none, as if the file were missing.
        m_error = doc.DocumentText().isEmpty()
            ? QStringLiteral("config.xml cannot be read: %1").arg(path)
            : QStringLiteral("config.xml is not well formed: %1 (%2)").arg(path, doc.ResultText().left(200));
        DevicesDebugLine(m_error);
        return false;
    }
    if (!doc.FindNext(QStringLiteral("config")) || !doc.StepIn()) {
        m_error = QStringLiteral("config.xml has no \"config\" root: %1").arg(path);
        DevicesDebugLine(m_error);
        return false;
    }
    if (doc.FindNext(QStringLiteral("device")) && doc.StepIn()) {
        while (doc.FindNext(QStringLiteral("mouse"))) {
            ModelEntry entry;
            entry.name = Attribute(doc, "name");
            entry.deviceType = LenientNumber::Decimal(Attribute(doc, "device_type"));
            entry.deviceAttr = Attribute(doc, "device_attr");
            entry.imagePath = ImagePath(Attribute(doc, "image"), entry.deviceType);
            m_models.push_back(entry);
            if (!doc.StepIn())
                continue; // an empty "mouse": listed, never recognised
            while (doc.FindNext(QStringLiteral("mode"))) {
                entry.mode = LenientNumber::Decimal(Attribute(doc, "value"));
                entry.vendorId = LenientNumber::Hex(Attribute(doc, "vid"));
                entry.productId = LenientNumber::Hex(Attribute(doc, "pid"));
                entry.interfacePattern = Attribute(doc, "hid_interface");
                m_modes.push_back(entry);
                if (hid)
                    hid->AddSupportedDevice(entry.vendorId, entry.productId, QString(), entry.deviceType, entry.mode);
            }
            doc.StepOut();
        }
        doc.StepOut();
    }
    // Sibling order: "software" is found only after "device".
    if (doc.FindNext(QStringLiteral("software"))) {
        // An empty version would label the window "v" and defeat the update
        // check's comparison; the built-in one is the better guess.
        const QString version = Attribute(doc, "version").trimmed();
        if (!version.isEmpty())
            m_version = version;
        // "website", "store", "upgrade" and "copyright" carry nothing the
        // program uses: the update addresses are fixed elsewhere.
    }
    return true;
}
