#pragma once

#include <QString>
#include <QStringList>

class MControl;
class QWidget;

// Creates controls by class name ("MButton", "DPIControl", ...).
class ControlFactory {
public:
    // A new control of that class under `parent`; null for an unknown name.
    static MControl* Create(const QString& className, QWidget* parent);
    static QStringList ClassNames();
};
