#pragma once

#include "widgets/MControl.h"

// A progress bar over 0..upper end (100 by default), with its percentage.
class MProgress : public MControl {
public:
    explicit MProgress(QWidget* parent = nullptr) : MControl(parent) {}
    QString GetClassName() const override { return QStringLiteral("MProgress"); }
    void SetProgress(int32_t value);
    int32_t GetProgress() const { return m_value; }
    void SetMaxRange(int32_t upper);
    int32_t GetMaxRange() const { return m_max; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int32_t m_value = 0;
    int32_t m_max = 100;
};
