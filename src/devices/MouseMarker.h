#pragma once

#include <QPoint>
#include <QString>

#include <cstdint>

// One button marker on the mouse picture. Points are in pixels of the mouse
// picture with (0, 0) at its top-left corner; the window adds the picture's
// position inside the mouse picture control before handing them to it.
struct MouseMarker {
    QString label;          // interface text labelText, looked up at load time
    int32_t labelText = 0;  // "func_desc"
    int32_t keyValue = 0;   // button number
    int32_t side = 0;       // 0: label left of start, otherwise right of end
    QPoint start;           // (x1, y)
    QPoint end;             // (x2, y)
};
