#pragma once
#include "app/win/win32.hpp"

namespace chpimport::win {

// Runs the dialog from the named template modally, owned by `owner`, and returns its
// result. When the dialog can't be created, first shows string `errorStringId` in a
// system-modal stop box with the system's default caption.
INT_PTR RunModalDialog(DLGPROC dialogProc, HINSTANCE instance, const char* templateName, HWND owner,
                       UINT errorStringId);

} // namespace chpimport::win
