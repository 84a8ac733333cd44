#pragma once

#include "widgets/WidgetTypes.h"

#include <cstdint>

// Window messages posted to the main window, by the tray icon, other
// processes, the dialogs and the pages.
namespace AppMessages {
constexpr uint32_t kTray = kWmUser + 666;           // 1690, lParam = mouse message
constexpr uint32_t kQuit = kWmUser + 667;           // 1691, ends the program with lParam kQuitKey
constexpr uint32_t kUpdateResult = kWmUser + 668;   // 1692, wParam subject, lParam outcome
constexpr uint32_t kProfileAction = kWmUser + 681;  // 1705, wParam kind, lParam value
constexpr uint32_t kMacroListMenu = kWmUser + 685;  // 1709, lParam 101 copy / 102 delete
constexpr uint32_t kMacroEventEdit = kWmUser + 686; // 1710
constexpr uint32_t kMacroEventEdit2 = kWmUser + 687; // 1711
constexpr uint32_t kLanguageChanged = kWmUser + 998; // 2022

// The only lParam with which message kQuit ends the program.
constexpr intptr_t kQuitKey = 610;

// kProfileAction kinds.
constexpr uintptr_t kProfileChosen = 0;
constexpr uintptr_t kProfileImport = 1;
constexpr uintptr_t kProfileExport = 2;

// kWmCommand ids of the tray menu.
constexpr uintptr_t kCommandExit = 100;
constexpr uintptr_t kCommandSettings = 102;
} // namespace AppMessages
