#pragma once

#include "widgets/MArea.h"

// A raised panel with rounded corners.
class CRoundArea : public MArea {
public:
    explicit CRoundArea(QWidget* parent = nullptr) : MArea(parent) {}
    QString GetClassName() const override { return QStringLiteral("CRoundArea"); }
    void SetRadius(int32_t radius) { m_radius = radius; update(); }
    // A 0x00BBGGRR fill instead of the theme's panel colour.
    void SetBackColor(uint32_t bgr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int32_t m_radius = 10;
    bool m_customColor = false;
    uint32_t m_bgr = 0;
};
