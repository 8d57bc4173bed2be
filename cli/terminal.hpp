#pragma once
#include <iosfwd>

namespace chpimport::cli {

// Whether the stream is the process's standard output or error and that is a terminal.
bool IsTerminal(const std::ostream& stream);

} // namespace chpimport::cli
