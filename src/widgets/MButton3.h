#pragma once

#include "widgets/MButton.h"

// A toggle chip (modifier keys): a click flips the check and notifies.
class MButton3 : public MButton {
public:
    explicit MButton3(QWidget* parent = nullptr) : MButton(parent) {}
    QString GetClassName() const override { return QStringLiteral("MButton3"); }

protected:
    void OnClicked() override;
    void PaintFace(QPainter& painter) override;
};
