#pragma once

#include "widgets/MControlFont.h"

// A push button: a click sends kNotifyClick. Its skin image has four states
// (normal, hover, pressed, disabled). The check state is used by the
// checkable buttons derived from it; setting it from code never notifies.
class MButton : public MControlFont {
public:
    explicit MButton(QWidget* parent = nullptr);
    QString GetClassName() const override { return QStringLiteral("MButton"); }
    bool DrawsHover() const override { return true; }
    virtual void SetCheck(bool checked);
    bool GetCheck() const { return m_checked; }

protected:
    // A completed click (press and release inside). Default: notify.
    virtual void OnClicked();
    virtual void PaintFace(QPainter& painter);
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QColor TitleColor() const;

    bool m_checked = false;
};
