#pragma once

#include "widgets/MControlFont.h"

// The connection status: a dot and the status text. State 0 shows the dot
// dimmed (not reachable); any other state lights it.
class CDeviceState : public MControlFont {
public:
    explicit CDeviceState(QWidget* parent = nullptr) : MControlFont(parent) {}
    QString GetClassName() const override { return QStringLiteral("CDeviceState"); }
    void SetState(int32_t state) { m_state = state; update(); }
    int32_t GetState() const { return m_state; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int32_t m_state = 0;
};
