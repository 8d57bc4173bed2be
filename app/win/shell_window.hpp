#pragma once
#include "app/win/win32.hpp"

namespace chpimport::win {

inline constexpr const char* kMainClass = "DIZ2Ivu";

// Registers "DIZ2Ivu" (the hidden main window) and "ISD_ICON" (the bitmap window).
void RegisterShellClasses(HINSTANCE instance);

// The hidden main window's procedure: its creation runs the import dialog and then ends
// the process with exit code -1, however the dialog ended.
LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace chpimport::win
