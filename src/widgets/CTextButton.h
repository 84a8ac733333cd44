#pragma once

#include "widgets/MButton.h"

// A text link.
class CTextButton : public MButton {
public:
    explicit CTextButton(QWidget* parent = nullptr);
    QString GetClassName() const override { return QStringLiteral("CTextButton"); }

protected:
    void paintEvent(QPaintEvent* event) override;
};
