#pragma once

#include "widgets/MArea.h"

// A plain area: a group frame with an optional caption, or a colour swatch
// (SetTransparent) such as a colour preview.
class CArea : public MArea {
public:
    explicit CArea(QWidget* parent = nullptr) : MArea(parent) {}
    QString GetClassName() const override { return QStringLiteral("CArea"); }
    // Fills the area with a 0x00BBGGRR colour; `transparency` 0 is opaque,
    // 255 invisible; `radius` rounds the corners.
    void SetTransparent(int32_t transparency, int32_t radius, uint32_t bgrColor);
    bool HasFill() const { return m_hasFill; }
    uint32_t GetFillColor() const { return m_fillBgr; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_hasFill = false;
    uint32_t m_fillBgr = 0;
    int32_t m_transparency = 0;
    int32_t m_radius = 0;
};
