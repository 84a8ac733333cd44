#include "devices/AppConfig.h"

#include "devices/DevicesLog.h"
#include "hid/HidDeviceList.h"
#include "language/InterfaceText.h"
#include "platform/UserSettings.h"
#include "xml/XmlDocument.h"

#include <climits>

namespace {

QString Attribute(const XmlDocument& doc, const char* name)
{
    return doc.GetAttribute(QString::fromLatin1(name));
}

int HexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
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

int32_t AppConfig::ParseDecimal(const QString& text)
{
    return UserSettings::ParseDecimal(text);
}

int32_t AppConfig::ParseHex(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    // "0x" counts as a prefix only when a hex digit follows, so "0x" alone is 0.
    if (i + 2 < n && text.at(i) == QLatin1Char('0')
        && (text.at(i + 1) == QLatin1Char('x') || text.at(i + 1) == QLatin1Char('X'))
        && HexDigit(text.at(i + 2).unicode()) >= 0)
        i += 2;
    long long value = 0;
    for (; i < n; ++i) {
        const int digit = HexDigit(text.at(i).unicode());
        if (digit < 0)
            break;
        value = value * 16 + digit;
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int32_t>(value);
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
    return QStringLiteral("%1: v%2").arg(InterfaceText::Get(kVersionWordText), m_version);
}

bool AppConfig::Load(const QString& path, HidDeviceList* hid)
{
    m_models.clear();
    m_modes.clear();
    m_error.clear();
    m_version = QString::fromUtf16(kDefaultVersion);
    if (hid)
        hid->ClearSupportedDevices();

    XmlDocument doc;
    if (!doc.LoadFile(path)) {
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
            entry.deviceType = ParseDecimal(Attribute(doc, "device_type"));
            entry.deviceAttr = Attribute(doc, "device_attr");
            entry.imagePath = QStringLiteral("device/") + Attribute(doc, "image");
            m_models.push_back(entry);
            if (!doc.StepIn())
                continue; // an empty "mouse": listed, never recognised
            while (doc.FindNext(QStringLiteral("mode"))) {
                entry.mode = ParseDecimal(Attribute(doc, "value"));
                entry.vendorId = ParseHex(Attribute(doc, "vid"));
                entry.productId = ParseHex(Attribute(doc, "pid"));
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
