#pragma once

// Real input on an X display through the XTEST extension, as a user makes it.
// Kept apart: Xlib's macros (None, Bool, Status) clash with GoogleTest and Qt.

// A left click at a screen point.
bool XTestClick(const char* display, int x, int y);
// A press, a move to (toX, toY) in `steps` steps, and a release.
bool XTestDrag(const char* display, int fromX, int fromY, int toX, int toY, int steps);
// Types `text` (ASCII letters, digits, punctuation and blanks) key by key.
bool XTestType(const char* display, const char* text);
// Presses and releases one key by its X keysym name ("Return", "Tab",
// "Control_L", "a"), with the modifiers named in `modifiers` ("Control_L",
// "Shift_L", ...; null for none) held around it.
bool XTestKey(const char* display, const char* keysymName, const char* const* modifiers = nullptr);
