#pragma once

#include "widgets/MArea.h"

// A page container: transparent, shown and hidden as a whole.
class MTabLayout : public MArea {
public:
    explicit MTabLayout(QWidget* parent = nullptr) : MArea(parent) {}
    QString GetClassName() const override { return QStringLiteral("MTabLayout"); }
};
