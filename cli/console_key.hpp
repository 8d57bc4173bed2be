#pragma once

namespace chpimport::cli {

// One keystroke from the console, echoed, without waiting for Enter: its code, or -1 when
// there is no console input. Without a terminal, the next byte of standard input.
int ReadConsoleKey();

} // namespace chpimport::cli
