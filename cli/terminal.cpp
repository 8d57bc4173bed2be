#include "cli/terminal.hpp"

#include <iostream>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace chpimport::cli {
namespace {

int DescriptorOf(const std::ostream& stream) {
    return &stream == &std::cout ? 1 : &stream == &std::cerr ? 2 : -1;
}

} // namespace

bool IsTerminal(const std::ostream& stream) {
    const int fd = DescriptorOf(stream);
    if (fd < 0) return false;
#ifdef _WIN32
    return _isatty(fd) != 0;
#else
    return isatty(fd) != 0;
#endif
}

#ifdef _WIN32

LiveTerminal::LiveTerminal(const std::ostream& stream) {
    // Only a console has a mode: a file, a pipe or NUL (which _isatty calls a terminal)
    // gets plain lines.
    const int fd = DescriptorOf(stream);
    if (fd < 0) return;
    HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    DWORD mode = 0;
    if (console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &mode)) return;
    if (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) {
        live_ = true;
        return;
    }
    // Windows before 10 refuses the flag: its console would print the sequence as text.
    if (!SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) return;
    live_ = true;
    console_ = console;
    savedMode_ = mode;
}

LiveTerminal::~LiveTerminal() {
    if (console_ != nullptr) SetConsoleMode(static_cast<HANDLE>(console_), savedMode_);
}

ConsoleCodePage::ConsoleCodePage() {
    const UINT own = GetConsoleOutputCP(); // 0 without a console
    if (own != 0 && own != GetACP() && SetConsoleOutputCP(GetACP())) saved_ = own;
}

ConsoleCodePage::~ConsoleCodePage() {
    if (saved_ != 0) SetConsoleOutputCP(saved_);
}

#else

LiveTerminal::LiveTerminal(const std::ostream& stream) : live_(IsTerminal(stream)) {}

LiveTerminal::~LiveTerminal() = default;

ConsoleCodePage::ConsoleCodePage() = default;

ConsoleCodePage::~ConsoleCodePage() = default;

#endif

} // namespace chpimport::cli
