#pragma once

#include "widgets/MButton.h"

// A button drawn by its image alone (caption buttons, reset, browse); a title,
// when set, is drawn beside the image.
class CImageButton : public MButton {
public:
    explicit CImageButton(QWidget* parent = nullptr);
    QString GetClassName() const override { return QStringLiteral("CImageButton"); }

protected:
    void paintEvent(QPaintEvent* event) override;
};
