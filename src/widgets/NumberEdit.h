#pragma once

#include "widgets/MEdit.h"

// A number field with step buttons. Typing commits with kNotifyEditCommit; a
// step button changes the value within the range and sends kNotifyClick.
class NumberEdit : public MEdit {
public:
    explicit NumberEdit(QWidget* parent = nullptr);
    QString GetClassName() const override { return QStringLiteral("NumberEdit"); }
    void SetRange(int32_t minimum, int32_t maximum);
    void SetStep(int32_t step) { m_step = step > 0 ? step : 1; }
    int32_t GetMinimum() const { return m_min; }
    int32_t GetMaximum() const { return m_max; }
    // The buttons' rectangles in control coordinates (up, down).
    QRect GetUpRect() const;
    QRect GetDownRect() const;

protected:
    int32_t EditorRightMargin() const override { return 26; }
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Step(int32_t direction);
    int32_t m_min = 0;
    int32_t m_max = 100;
    int32_t m_step = 1;
    int32_t m_pressedButton = 0;
};
