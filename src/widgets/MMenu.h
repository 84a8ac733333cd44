#pragma once

#include "widgets/MenuItem.h"

#include <QPoint>
#include <vector>

class MPopupList;

// Popup menus ("Menu Window"): choosing an item posts its message to the owner.
class MMenu {
public:
    static MPopupList* Track(WindowHandle owner, const std::vector<MenuItem>& items, const QPoint& screenPos);
};
