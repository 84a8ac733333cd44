#pragma once

#include "widgets/CCheckButton.h"

// A radio button. Buttons of one window with the same group name exclude
// each other; checking one (by a click or from code) unchecks the others.
// Only the clicked button notifies.
class CRadioButton : public CCheckButton {
public:
    explicit CRadioButton(QWidget* parent = nullptr) : CCheckButton(parent) {}
    QString GetClassName() const override { return QStringLiteral("CRadioButton"); }
    void SetGroupName(const QString& group) { m_group = group; }
    QString GetGroupName() const { return m_group; }
    void SetCheck(bool checked) override;

protected:
    void OnClicked() override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_group;
};
