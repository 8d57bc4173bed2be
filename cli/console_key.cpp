#include "cli/console_key.hpp"

#include <cstdio>

#ifdef _WIN32
#include <conio.h>
#include <io.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

namespace chpimport::cli {

int ReadConsoleKey() {
#ifdef _WIN32
    if (_isatty(_fileno(stdin))) return _getche();
    const int c = std::getchar();
    return c == EOF ? -1 : c;
#else
    unsigned char c = 0;
    if (!isatty(STDIN_FILENO)) return read(STDIN_FILENO, &c, 1) == 1 ? c : -1;
    termios saved{};
    if (tcgetattr(STDIN_FILENO, &saved) != 0) return -1;
    termios raw = saved;
    raw.c_lflag &= static_cast<tcflag_t>(~ICANON); // one key, no Enter; echo stays on
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    const bool got = read(STDIN_FILENO, &c, 1) == 1;
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    return got ? c : -1;
#endif
}

} // namespace chpimport::cli
