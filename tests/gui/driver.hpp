#pragma once
// Helpers of the GUI test driver: it runs under Wine (or Windows) beside ChpImportDialog.exe,
// finds windows, drives them with real window messages and checks what they show.
#include "app/win/win32.hpp"

#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

namespace chpimport::win {}

namespace gui {

namespace win = chpimport::win;

// A failed check; the driver reports it and exits with status 1.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void Check(bool condition, const std::string& what);
void CheckEq(const std::string& actual, const std::string& expected, const std::string& what);
void Note(const std::string& text); // progress on stdout

// Polls `done` every 20 ms, handling this thread's messages meanwhile; false on timeout.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);

// The visible top-level window of process `pid` with this caption (any class), or null.
HWND FindTopWindow(DWORD pid, const std::string& caption);
HWND WaitTopWindow(DWORD pid, const std::string& caption, DWORD timeoutMs);
void WaitGone(HWND window, DWORD timeoutMs, const std::string& what);

// Item texts through WM_GETTEXT / WM_SETTEXT, which also work across processes.
std::string ItemText(HWND dialog, int id);
void SetItemText(HWND dialog, int id, const std::string& text);
// A button press as a posted BM_CLICK: never waits for what the press starts.
void Click(HWND dialog, int id);
std::string ClassOf(HWND window);
std::string TextOf(HWND window); // WM_GETTEXT

// What a message box shows: its text and caption, its owner, whether it has an icon and
// is topmost (system-modal boxes are).
struct BoxInfo {
    HWND box = nullptr;
    std::string caption;
    std::string text;
    HWND owner = nullptr;
    bool hasIcon = false;
    bool topmost = false;
    std::vector<int> buttons; // ids of its push buttons
};
BoxInfo DescribeBox(HWND box);

// Answers a window of this process from a second thread while this one is inside the
// window's modal loop: waits for the top-level window with `caption`, records it, and
// runs `act` on it (pressing a button, filling in the picker...).
class Responder {
public:
    Responder(std::string caption, std::function<void(HWND)> act);
    ~Responder();
    Responder(const Responder&) = delete;
    Responder& operator=(const Responder&) = delete;
    const BoxInfo& Seen(); // joins the thread; `box` is null when the window never came

private:
    static DWORD WINAPI Run(void* self);
    std::string caption_;
    std::function<void(HWND)> act_;
    HANDLE thread_ = nullptr;
    BoxInfo seen_;
};

// Presses the button `id` of `window` (for Responder).
std::function<void(HWND)> Press(int id);

// Where the screenshot watcher of run_gui_tests.sh listens (GUI_SHOT_DIR), if anywhere.
// Asks it for a PNG of `window` named `name` and waits until it is written.
// The picture covers all the given windows.
void Screenshot(std::initializer_list<HWND> windows, const std::string& name);

// The picker's file name box (the Explorer-style dialog's combo box or an old-style edit).
HWND PickerNameBox(HWND picker);

} // namespace gui
