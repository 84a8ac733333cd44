#pragma once

#include <QString>

// Class-name queries shared by windows and controls.
class MObject {
public:
    virtual ~MObject() = default;
    virtual QString GetClassName() const = 0;
    bool IsClass(const QString& name) const { return GetClassName() == name; }
};
