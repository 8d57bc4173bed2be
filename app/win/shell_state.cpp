#include "app/win/shell_state.hpp"

namespace chpimport::win {

ShellState gShell;

} // namespace chpimport::win
