#pragma once
#include "app/win/win32.hpp"

namespace chpimport::win {

// The import dialog's window procedure. WM_INITDIALOG makes the dialog's objects (its
// DialogOps, the converter, a private working folder and the one ImportDialog); every
// event then goes through ImportDlgProc.
INT_PTR CALLBACK ImportDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Releases the dialog's objects once the dialog run has returned: open files are flushed
// and closed as they stand, and the working folder is removed.
void ReleaseImportDialog();

} // namespace chpimport::win
