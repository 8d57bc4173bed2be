#pragma once
#include "app/win/win32.hpp"

#include <string>

namespace chpimport::win {

// Whether the help system would find `helpFile`: beside the program, in the current
// folder, the system folders or the PATH.
bool FindHelpFile(const std::string& helpFile);

// The program's own help text (the resource "HELPTEXT" of `instance`).
std::string OwnHelpText(HINSTANCE instance);

// Shows the program's own help in an information box owned by `owner`.
void ShowOwnHelp(HWND owner, HINSTANCE instance);

inline constexpr const char* kOwnHelpCaption = "Import .chp project - Help";

} // namespace chpimport::win
