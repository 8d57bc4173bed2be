#pragma once
#include "app/win/win32.hpp"

#include <string>

namespace chpimport::win {

// The ways Windows hands the program a file to open, besides its picker.

// The first file of a drop on a window (WM_DROPFILES); a drop of several files gives the
// first of them. The drop is released. Names arrive in the active code page, as every
// path the program handles.
std::string TakeFirstDroppedFile(HDROP drop);

// The file the program was started with (`ChpImportDialog.exe X.CHP`: also what dropping a
// file on the program's icon and "Open with" do), as a full path so that it keeps naming
// the same file when the picker moves the current folder; "" without one. Arguments are
// those of the C library's argv, in the active code page.
std::string StartPath(int argc, char** argv);

} // namespace chpimport::win
