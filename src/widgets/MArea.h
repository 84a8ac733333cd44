#pragma once

#include "widgets/MControlFont.h"

// A control that holds other controls (pass it as the parent to
// MDialog::CreateControl); hiding it hides them.
class MArea : public MControlFont {
public:
    explicit MArea(QWidget* parent = nullptr) : MControlFont(parent) {}
};
