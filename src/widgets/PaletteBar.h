#pragma once

#include "widgets/MControl.h"

class MSlider;

// The colour bar: hues from position 0 to kPositions. A click or drag moves
// the marker (and a bound slider, without the slider notifying) and sends
// kNotifyClick with the position when released.
class PaletteBar : public MControl {
public:
    static constexpr int32_t kPositions = 200;

    explicit PaletteBar(QWidget* parent = nullptr);
    QString GetClassName() const override { return QStringLiteral("PaletteBar"); }
    // The colour at a position as 0x00BBGGRR: the hue wheel at full
    // saturation and half lightness; positions outside 0..200 are clamped.
    static uint32_t PaletteHSLToRGB(int32_t position);
    void SetPosition(int32_t position);
    int32_t GetPosition() const { return m_position; }
    void BindSlider(MSlider* slider) { m_slider = slider; }
    int32_t PositionToX(int32_t position) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int32_t XToPosition(int32_t x) const;
    int32_t m_position = 0;
    bool m_dragging = false;
    MSlider* m_slider = nullptr;
};
