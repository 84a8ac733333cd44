#pragma once

#include "widgets/MButton.h"

// A check box with a title. Its image has eight states: the four button
// states unchecked, then the same checked. A click flips it and notifies.
class CCheckButton : public MButton {
public:
    explicit CCheckButton(QWidget* parent = nullptr);
    QString GetClassName() const override { return QStringLiteral("CCheckButton"); }

protected:
    void OnClicked() override;
    void paintEvent(QPaintEvent* event) override;
    // Draws the box or the radio mark; shared with CRadioButton.
    void PaintMark(QPainter& painter, const QRect& box, bool round);
};
