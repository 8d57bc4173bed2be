#pragma once
#include "app/win/win32.hpp"

namespace chpimport::win {

// Makes `window` the program's window for the shell: the program's icon (IDI_PROGRAM of
// `instance`) in its caption, the taskbar and Alt+Tab, at the sizes the system draws them,
// and a taskbar button of its own, which an owned window otherwise lacks (the dialog's
// owner, the main window, is never shown).
void ShowAsProgramWindow(HWND window, HINSTANCE instance);

} // namespace chpimport::win
