#pragma once
#include <string>

namespace chpimport::cli {

// A path or a text from a project file as UTF-8, for output that must be UTF-8 (JSON). The
// tool holds paths in the system's own encoding: UTF-8 on Linux, taken as it is; on
// Windows the active code page, converted. What still isn't UTF-8 is the caller's to
// replace.
std::string ToUtf8(const std::string& native);

} // namespace chpimport::cli
