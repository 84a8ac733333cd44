#pragma once

#include <cstdint>

// Windows virtual-key codes of keys as the window system reports them. On X11
// (and on Wayland through xkb) Qt's native virtual key of a key event is the
// keysym, which already follows the keyboard layout and the Shift state: the
// shifted symbols of the number and punctuation keys map to the key that
// carries them on a US layout, as Windows reports the key, not the symbol.
namespace NativeKeys {

// The virtual key of `keysym`; left and right modifiers stay apart (160..165,
// 91, 92) and the keypad keeps its own codes (96..111; its Enter is Enter).
// 0 for keysyms without a virtual key.
int VirtualKeyOfKeySym(uint32_t keysym);

} // namespace NativeKeys
