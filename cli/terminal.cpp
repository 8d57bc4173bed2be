#include "cli/terminal.hpp"

#include <iostream>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace chpimport::cli {

bool IsTerminal(const std::ostream& stream) {
    int fd = &stream == &std::cout ? 1 : &stream == &std::cerr ? 2 : -1;
    if (fd < 0) return false;
#ifdef _WIN32
    return _isatty(fd) != 0;
#else
    return isatty(fd) != 0;
#endif
}

} // namespace chpimport::cli
