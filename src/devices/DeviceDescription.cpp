#include "devices/DeviceDescription.h"

#include "devices/AppConfig.h"
#include "devices/DevicesLog.h"
#include "language/InterfaceText.h"
#include "platform/DataFile.h"
#include "platform/LenientNumber.h"
#include "xml/XmlDocument.h"

namespace {

QString Attribute(const XmlDocument& doc, const char* name)
{
    return doc.GetAttribute(QString::fromLatin1(name));
}

bool HasModel(const std::vector<ModelEntry>& models, int32_t deviceType)
{
    for (const ModelEntry& model : models) {
        if (model.deviceType == deviceType)
            return true;
    }
    return false;
}

}

int32_t DeviceDescription::ResolveDeviceType(int32_t stored, const std::vector<ModelEntry>& models)
{
    if (models.empty())
        return stored < 1 ? kDefaultDeviceType : stored;
    if (stored >= 1 && HasModel(models, stored))
        return stored;
    // A type no model has (a settings file of another version, a hand edit)
    // would leave the program on a nameless model with a database under an
    // empty name and no device ever shown; a real model is the better start.
    if (HasModel(models, kDefaultDeviceType))
        return kDefaultDeviceType;
    return models.front().deviceType;
}

QString DeviceDescription::FirmwareModelCode(int32_t deviceType)
{
    static const char* const kCodes[] = { "heron", "egret", "egretv2", "plover" };
    if (deviceType < 101 || deviceType > 108)
        return {};
    const int32_t index = deviceType - 101;
    QString code = QString::fromLatin1(kCodes[index / 2]);
    if (deviceType % 2 == 0)
        code += QStringLiteral("-3311");
    return code;
}

QString DeviceDescription::FilePath(const QString& programFolder, const QString& deviceAttr)
{
    return programFolder + QStringLiteral("device/") + deviceAttr + QStringLiteral(".xml");
}

void DeviceDescription::SplitRect(const QString& rect, int32_t& x1, int32_t& x2, int32_t& y)
{
    const qsizetype first = rect.indexOf(QLatin1Char('#'));
    if (first < 0) {
        x1 = 0;
        x2 = 0;
        y = LenientNumber::Decimal(rect);
        return;
    }
    x1 = LenientNumber::Decimal(rect.left(first));
    const QString rest = rect.mid(first + 1);
    const qsizetype second = rest.indexOf(QLatin1Char('#'));
    if (second < 0) {
        // "x1#x2" with no y: y is 0.
        x2 = LenientNumber::Decimal(rest);
        y = 0;
        return;
    }
    x2 = LenientNumber::Decimal(rest.left(second));
    y = LenientNumber::Decimal(rest.mid(second + 1));
}

void DeviceDescription::SelectModel(int32_t deviceType, const std::vector<ModelEntry>& models)
{
    m_deviceType = deviceType;
    m_name.clear();
    m_deviceAttr.clear();
    for (const ModelEntry& model : models) {
        if (model.deviceType == deviceType) {
            m_name = model.name;
            m_deviceAttr = model.deviceAttr;
            break;
        }
    }
    m_firmwareModel = FirmwareModelCode(deviceType);
}

bool DeviceDescription::LoadFile(const QString& path)
{
    XmlDocument doc;
    const bool loaded = doc.LoadFile(path);
    return Apply(doc, loaded, path);
}

bool DeviceDescription::LoadBytes(QByteArrayView bytes)
{
    XmlDocument doc;
    const bool loaded = doc.LoadBytes(bytes);
    return Apply(doc, loaded, QStringLiteral("(in memory)"));
}

bool DeviceDescription::Apply(XmlDocument& doc, bool loaded, const QString& path)
{
    m_sections = 0;
    m_error.clear();
    if (!loaded) {
        m_error = doc.DocumentText().isEmpty()
            ? QStringLiteral("description cannot be read: %1").arg(path)
            : QStringLiteral("description is not well formed: %1 (%2)").arg(path, doc.ResultText().left(200));
        DevicesDebugLine(m_error);
        return false;
    }
    if (!doc.FindNext(QStringLiteral("mouse")) || !doc.StepIn()) {
        m_error = QStringLiteral("description has no \"mouse\" root: %1").arg(path);
        DevicesDebugLine(m_error);
        return false;
    }
    if (doc.FindNext(QStringLiteral("image_file"))) {
        const QString image = Attribute(doc, "mouse_img");
        if (DataFile::IsPlainName(image)) {
            m_picture = QStringLiteral("device/") + image;
            m_sections |= kPictureSection;
        } else {
            DevicesDebugLine(QStringLiteral("mouse_img \"%1\" is no plain file name: picture kept").arg(image));
        }
    }
    if (doc.FindNext(QStringLiteral("menu"))) {
        m_lighting = LenientNumber::Decimal(Attribute(doc, "light")) == 1;
        m_sections |= kLightingSection;
    }
    if (doc.FindNext(QStringLiteral("mouse_key"))) {
        m_markers.clear();
        m_defaultKeys.clear();
        if (doc.StepIn()) {
            while (doc.FindNext(QStringLiteral("key"))) {
                const int32_t keyValue = LenientNumber::Decimal(Attribute(doc, "key_value"));
                const QString funcDesc = Attribute(doc, "func_desc");
                MouseMarker marker;
                marker.labelText = LenientNumber::Decimal(funcDesc);
                marker.label = InterfaceText::Get(marker.labelText);
                marker.keyValue = keyValue;
                marker.side = LenientNumber::Decimal(Attribute(doc, "direction"));
                int32_t x1 = 0;
                int32_t x2 = 0;
                int32_t y = 0;
                SplitRect(Attribute(doc, "rect"), x1, x2, y);
                marker.start = QPoint(x1, y);
                marker.end = QPoint(x2, y);
                m_markers.push_back(marker);

                KeyAssignment key;
                key.key_code = keyValue;
                key.layout_value = keyValue;
                key.layout_desc = Attribute(doc, "name");
                key.macro_type = LenientNumber::Decimal(Attribute(doc, "func_type"));
                key.macro_value = LenientNumber::Decimal(Attribute(doc, "func_value"));
                key.macro_desc = funcDesc;
                m_defaultKeys.push_back(key);
            }
            doc.StepOut();
        }
        m_sections |= kButtonSection;
    }
    return true;
}
