#pragma once

#include "widgets/MArea.h"

// An image (backgrounds, bands, logos, the mouse picture). Drawn nine-sliced
// by default; SetShowMode changes that.
class MPicture : public MArea {
public:
    explicit MPicture(QWidget* parent = nullptr);
    QString GetClassName() const override { return QStringLiteral("MPicture"); }
    // Size of one frame of the image; 0 when there is none.
    int32_t GetImageWidth() const;
    int32_t GetImageHeight() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
