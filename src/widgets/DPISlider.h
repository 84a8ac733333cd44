#pragma once

#include "widgets/MSlider.h"

// The DPI slider: positions are steps; the label shows position x the
// display factor (50 DPI per step by default).
class DPISlider : public MSlider {
public:
    explicit DPISlider(QWidget* parent = nullptr);
    QString GetClassName() const override { return QStringLiteral("DPISlider"); }
    void SetDisplayFactor(int32_t factor) { m_factor = factor; update(); }

protected:
    QRect TrackRect() const override;
    void PaintValue(QPainter& painter) override;

private:
    int32_t m_factor = 50;
};
