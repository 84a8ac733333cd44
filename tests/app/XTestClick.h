#pragma once

// A real left click at a screen point of an X display, through XTEST. Kept
// apart: Xlib's macros (None, Bool, Status) clash with GoogleTest and Qt.
bool XTestClick(const char* display, int x, int y);
