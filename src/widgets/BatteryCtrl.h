#pragma once

#include "widgets/MControl.h"

// The battery gauge: level 0..100 and a status (1 charging, 2 full; other
// values discharging). Three images: the outline, the fill and the charge mark.
class BatteryCtrl : public MControl {
public:
    explicit BatteryCtrl(QWidget* parent = nullptr) : MControl(parent) {}
    QString GetClassName() const override { return QStringLiteral("BatteryCtrl"); }
    void SetBatteryInfo(int32_t level, int32_t status);
    int32_t GetLevel() const { return m_level; }
    int32_t GetStatus() const { return m_status; }
    void SetBatteryImages(const QString& outline, const QString& fill, const QString& charge);

protected:
    void AddPictures(std::vector<MRender::PictureRequest>& pictures) const override;
    void paintEvent(QPaintEvent* event) override;

private:
    int32_t m_level = 0;
    int32_t m_status = 0;
    QString m_outline = QStringLiteral("icon/icon_battery_bkg.png");
    QString m_fill = QStringLiteral("icon/icon_batteryvalue.png");
    QString m_charge = QStringLiteral("icon/icon_charge.png");
};
