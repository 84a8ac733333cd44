#pragma once

#include "devices/ModelEntry.h"
#include "devices/MouseMarker.h"
#include "store/StoreRecords.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <vector>

class XmlDocument;

// The current model and what its description file (device/<device_attr>.xml)
// says about it: picture, lighting, buttons with their markers and factory
// assignments. A plain value: the registry guards it.
class DeviceDescription {
public:
    static constexpr int32_t kDefaultDeviceType = 101;

    // The device type the program works on for a stored "DeviceType": the
    // stored one when a model has it; 101 when it is below 1 or no model has
    // it; the first model's when no model has 101 either. With no models at
    // all, the stored type (or 101 below 1).
    static int32_t ResolveDeviceType(int32_t stored, const std::vector<ModelEntry>& models);

    // Model code of the firmware update addresses: "heron", "heron-3311",
    // "egret", ... for 101 to 108 (the even type is the "-3311" variant);
    // empty for any other type, which has no firmware check.
    static QString FirmwareModelCode(int32_t deviceType);

    // "<program folder>device/<deviceAttr>.xml"
    static QString FilePath(const QString& programFolder, const QString& deviceAttr);

    // "x1#x2#y" as decimal integers; without "#" x1 = x2 = 0 and y is the whole
    // text; a missing part reads 0. Values are not range-checked.
    static void SplitRect(const QString& rect, int32_t& x1, int32_t& x2, int32_t& y);

    // Makes deviceType current with the name and device attribute of its first
    // model (both empty when none has it), and chooses the firmware model.
    void SelectModel(int32_t deviceType, const std::vector<ModelEntry>& models);

    // Sections of a description file that were found and applied.
    enum Section : uint32_t {
        kPictureSection = 0x1,
        kLightingSection = 0x2,
        kButtonSection = 0x4,
    };
    // Reads the file. False when it cannot be read, is not well formed or has
    // no "mouse" root: then nothing changes. Otherwise each section found
    // replaces its part of the state and Sections() tells which did.
    bool LoadFile(const QString& path);
    // The same for the file's bytes already in memory.
    bool LoadBytes(QByteArrayView bytes);
    uint32_t Sections() const { return m_sections; }
    const QString& LastError() const { return m_error; }

    int32_t DeviceType() const { return m_deviceType; }
    const QString& Name() const { return m_name; }
    const QString& DeviceAttr() const { return m_deviceAttr; }
    const QString& FirmwareModel() const { return m_firmwareModel; }

    // "device/<mouse_img>", relative to the skin folder; empty before any picture.
    const QString& PictureName() const { return m_picture; }
    bool Lighting() const { return m_lighting; }
    const std::vector<MouseMarker>& Markers() const { return m_markers; }
    // One factory assignment per button, in file order.
    const std::vector<KeyAssignment>& DefaultKeys() const { return m_defaultKeys; }

private:
    bool Apply(XmlDocument& doc, bool loaded, const QString& path);

    int32_t m_deviceType = kDefaultDeviceType;
    QString m_name;
    QString m_deviceAttr;
    QString m_firmwareModel;

    QString m_picture;
    bool m_lighting = false;
    std::vector<MouseMarker> m_markers;
    std::vector<KeyAssignment> m_defaultKeys;
    uint32_t m_sections = 0;
    QString m_error;
};
