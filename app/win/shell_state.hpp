#pragma once
#include "app/win/win32.hpp"

#include <array>
#include <string>

namespace chpimport::win {

// The picker's file-name buffer: it keeps the last chosen path until the next pick. The
// picker is told it holds 255 characters; the rest is room the old program always had.
using PickerBuffer = std::array<char, 2048>;

// The Windows program's process-wide values.
struct ShellState {
    HINSTANCE instance = nullptr; // the program's module, for loading resources
    PickerBuffer pickerBuffer{};
    std::string startPath; // the project the program was started with, shown at the start
};

extern ShellState gShell;

} // namespace chpimport::win
