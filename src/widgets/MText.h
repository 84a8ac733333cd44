#pragma once

#include "widgets/MControlFont.h"

// A label; long texts wrap.
class MText : public MControlFont {
public:
    explicit MText(QWidget* parent = nullptr) : MControlFont(parent) {}
    QString GetClassName() const override { return QStringLiteral("MText"); }

protected:
    void paintEvent(QPaintEvent* event) override;
};
