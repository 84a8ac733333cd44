#pragma once

#include "widgets/MControl.h"

// A horizontal slider over 0..upper end. Dragging sends kNotifySliding for
// every new position and kNotifyClick when released (parameter = position).
class MSlider : public MControl {
public:
    explicit MSlider(QWidget* parent = nullptr);
    QString GetClassName() const override { return QStringLiteral("MSlider"); }
    void SetProgress(int32_t position); // clamped to the range
    int32_t GetProgress() const { return m_position; }
    void SetMaxRange(int32_t upper);
    int32_t GetMaxRange() const { return m_max; }
    void SetMinRange(int32_t lower);
    int32_t GetMinRange() const { return m_min; }
    // The x coordinate of a position, in control coordinates (for drags).
    int32_t PositionToX(int32_t position) const;
    int32_t XToPosition(int32_t x) const;

protected:
    virtual QRect TrackRect() const;
    virtual void PaintValue(QPainter&) {}
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    int32_t m_min = 0;
    int32_t m_max = 100;
    int32_t m_position = 0;
    bool m_dragging = false;
};
