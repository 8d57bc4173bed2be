#pragma once
#include "app/win/win32.hpp"

namespace chpimport::win {

inline constexpr const char* kIconClass = "ISD_ICON";

// The window procedure of the class "ISD_ICON": shows the bitmap BITMAP1 of the window's
// module at the top-left corner of its client area, at its own size.
LRESULT CALLBACK IconWinProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace chpimport::win
