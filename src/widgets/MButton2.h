#pragma once

#include "widgets/MButton.h"

// The accent-filled button for a dialog's main action.
class MButton2 : public MButton {
public:
    explicit MButton2(QWidget* parent = nullptr);
    QString GetClassName() const override { return QStringLiteral("MButton2"); }

protected:
    void PaintFace(QPainter& painter) override;
};
