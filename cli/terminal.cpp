#include "cli/terminal.hpp"

#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <conio.h>
#include <io.h>
#else
#include <termios.h>
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

int ReadConsoleKey() {
    std::cout.flush();
#ifdef _WIN32
    if (_isatty(_fileno(stdin))) return _getche();
    int c = std::getchar();
    return c == EOF ? -1 : c;
#else
    if (!isatty(STDIN_FILENO)) {
        int c = std::getchar();
        return c == EOF ? -1 : c;
    }
    // One key, without waiting for Enter; Ctrl+C arrives as its code (3), as on a DOS
    // console, instead of as a signal.
    termios saved{};
    if (tcgetattr(STDIN_FILENO, &saved) != 0) return -1;
    termios raw = saved;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ISIG));
    raw.c_lflag |= ECHO;
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    unsigned char key = 0;
    ssize_t got = read(STDIN_FILENO, &key, 1);
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    return got == 1 ? key : -1;
#endif
}

} // namespace chpimport::cli
