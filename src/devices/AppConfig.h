#pragma once

#include "devices/ModelEntry.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <vector>

class HidDeviceList;
class XmlDocument;

// config.xml: the supported models, the USB identities under which each can
// appear, and the software's version. Read once at start-up; nothing writes it.
class AppConfig {
public:
    static constexpr char16_t kDefaultVersion[] = u"1.0.10";

    AppConfig();

    // Empties both lists (and the transport's supported table when hid is
    // given), then reads the file. Each "mode" is registered with the
    // transport as it is read. True when the file was read, is well formed
    // and has its "config" root; otherwise the lists stay empty, the version
    // stays "1.0.10" and LastError() says why.
    bool Load(const QString& path, HidDeviceList* hid);
    // The same for the file's bytes already in memory.
    bool LoadBytes(QByteArrayView bytes, HidDeviceList* hid);

    // One entry per "mouse", in file order, mode fields at their initial values.
    const std::vector<ModelEntry>& Models() const { return m_models; }
    // One entry per "mode", in file order across all models.
    const std::vector<ModelEntry>& Modes() const { return m_modes; }
    // The first model of that device type, or null.
    const ModelEntry* FindModel(int32_t deviceType) const;

    const QString& SoftwareVersion() const { return m_version; }
    // "<text 17>: v<version>", the main window's version label.
    QString VersionLabel() const;
    const QString& LastError() const { return m_error; }

    // "<program folder>config.xml"
    static QString FilePath(const QString& programFolder);


private:
    bool Apply(XmlDocument& doc, bool loaded, const QString& path, HidDeviceList* hid);

    std::vector<ModelEntry> m_models;
    std::vector<ModelEntry> m_modes;
    QString m_version;
    QString m_error;
};
