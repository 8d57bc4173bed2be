#pragma once
#include <iosfwd>

namespace chpimport::cli {

// Whether the stream is the process's standard output or error and that is a terminal.
bool IsTerminal(const std::ostream& stream);

// The terminal behind a stream, ready for a live line: one redrawn in place with "\r" and
// cleared to its end with the escape sequence ESC [ K. A Windows console takes escape
// sequences only in virtual-terminal mode, which this switches on for its lifetime (and
// back off after) where the console has it. Live() is false where the line can't be drawn:
// the stream is redirected, or the console is too old for the mode; progress is then
// written as plain lines.
class LiveTerminal {
public:
    explicit LiveTerminal(const std::ostream& stream);
    ~LiveTerminal();
    LiveTerminal(const LiveTerminal&) = delete;
    LiveTerminal& operator=(const LiveTerminal&) = delete;

    bool Live() const { return live_; }

private:
    bool live_ = false;
#ifdef _WIN32
    void* console_ = nullptr; // the console whose mode is restored, if it was changed
    unsigned long savedMode_ = 0;
#endif
};

// For its lifetime, the process's console shows text in the active code page, which the
// paths and everything else the tool prints are in; a Windows console shows its own OEM code
// page otherwise, where "Größe" reads "Gr÷▀e". Nothing to do without a console or elsewhere.
class ConsoleCodePage {
public:
    ConsoleCodePage();
    ~ConsoleCodePage();
    ConsoleCodePage(const ConsoleCodePage&) = delete;
    ConsoleCodePage& operator=(const ConsoleCodePage&) = delete;

private:
    unsigned saved_ = 0; // the console's own code page, restored at the end; 0: unchanged
};

} // namespace chpimport::cli
