#pragma once

#include "widgets/WidgetTypes.h"

#include <QString>

// One entry of a popup menu: choosing it posts `message` with the two
// parameters to the menu's owner window. An empty text is a separator.
struct MenuItem {
    QString text;
    uint32_t message = kWmCommand;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};
