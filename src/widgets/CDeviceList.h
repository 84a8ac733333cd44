#pragma once

#include "widgets/MListBase.h"

// The device list of the home page: one card per model, keyed by device
// type, with a connection state per mode (0 cable, 1 receiver; state 1 is
// connected), firmware version and battery. A click selects the model and
// sends kNotifyClick (parameter = device type).
class CDeviceList : public MListBase {
public:
    explicit CDeviceList(QWidget* parent = nullptr);
    QString GetClassName() const override { return QStringLiteral("CDeviceList"); }
    // Adds a model card; `image` is the model's picture. Returns the index.
    int32_t AddDevice(int32_t deviceType, const QString& name, const QString& image);
    void SetAllDeviceState(int32_t state);
    bool SetDeviceState(int32_t deviceType, int32_t mode, int32_t state);
    bool SetDeviceVersion(int32_t deviceType, const QString& version);
    bool SetDeviceBattery(int32_t deviceType, int32_t status, int32_t level);
    // Selects the model; false (selection cleared) when no card has that type.
    bool SetSelectDevice(int32_t deviceType);
    // The selected model's device type; 0 without a selection.
    int32_t GetSelectDevice() const;
    int32_t GetDeviceState(int32_t deviceType, int32_t mode) const; // -1 unknown
    // The mode descriptions (mode 0 cable, 1 receiver) and their icon strip.
    void SetModeText(int32_t mode, const QString& text);
    void SetModeImage(const QString& file) { m_modeImage = file; update(); }
    // The cards' pictures at the size drawn and the mode icons, to decode
    // ahead (MRender::Prefetch) for the list that appears with the first
    // mouse; not the list's own background, so that a window that never sees
    // a mouse does not keep it.
    std::vector<MRender::PictureRequest> CardPictures() const;

protected:
    void AddPictures(std::vector<MRender::PictureRequest>& pictures) const override;
    void OnItemClicked(int32_t index, const QPoint& point) override;
    void PaintItem(QPainter& painter, const QRect& rect, int32_t index, bool selected, bool hovered) override;

private:
    static QRect PictureRect(const QRect& card);
    ListItem* FindDevice(int32_t deviceType);
    QString m_modeText[2] = {QStringLiteral("Wired"), QStringLiteral("2.4G wireless")};
    QString m_modeImage = QStringLiteral("device_mode.png");
};
