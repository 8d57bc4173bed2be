#include <iostream>

#include "cli/cli.hpp"
#include "cli/terminal.hpp"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    // The same bytes on every platform: no CR added to the console's line ends.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    const chpimport::cli::ConsoleCodePage codePage;
    chpimport::cli::Args args(argv + 1, argv + argc);
    return chpimport::cli::Run(args, {std::cout, std::cerr});
}
