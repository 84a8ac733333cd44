#pragma once

#include "widgets/MButton.h"

// A colour swatch. Swatches with the same group name exclude each other; a
// click checks it and notifies.
class CColorButton : public MButton {
public:
    explicit CColorButton(QWidget* parent = nullptr) : MButton(parent) {}
    QString GetClassName() const override { return QStringLiteral("CColorButton"); }
    void SetColor(uint32_t bgr) { m_bgr = bgr; update(); }
    uint32_t GetColor() const { return m_bgr; } // 0x00BBGGRR
    void SetGroupName(const QString& group) { m_group = group; }
    QString GetGroupName() const { return m_group; }
    void SetCheck(bool checked) override;

protected:
    void OnClicked() override;
    void paintEvent(QPaintEvent* event) override;

private:
    uint32_t m_bgr = 0;
    QString m_group;
};
