#pragma once

#include "widgets/MButton.h"

// A small "?" whose title is the help text, shown as its tooltip.
class CHelpButton : public MButton {
public:
    explicit CHelpButton(QWidget* parent = nullptr) : MButton(parent) {}
    QString GetClassName() const override { return QStringLiteral("CHelpButton"); }
    void SetTitle(const QString& text) override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
