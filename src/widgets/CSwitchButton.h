#pragma once

#include "widgets/MButton.h"

// An on/off switch drawn with two images; a click flips it and notifies.
class CSwitchButton : public MButton {
public:
    explicit CSwitchButton(QWidget* parent = nullptr);
    QString GetClassName() const override { return QStringLiteral("CSwitchButton"); }
    void SetSwitchImages(const QString& offImage, const QString& onImage);

protected:
    void AddPictures(std::vector<MRender::PictureRequest>& pictures) const override;
    void OnClicked() override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_offImage;
    QString m_onImage;
};
