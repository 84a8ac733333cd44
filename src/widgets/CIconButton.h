#pragma once

#include "widgets/MButton.h"

// A button with a background, an icon and a title (profile, record).
class CIconButton : public MButton {
public:
    explicit CIconButton(QWidget* parent = nullptr) : MButton(parent) {}
    QString GetClassName() const override { return QStringLiteral("CIconButton"); }
    void SetIconImage(const QString& file);
    QString GetIconImage() const { return m_icon; }

protected:
    void AddPictures(std::vector<MRender::PictureRequest>& pictures) const override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_icon;
};
