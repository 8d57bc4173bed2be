#pragma once
#include "driver.hpp"
#include "expected_dialog.hpp"

namespace gui {

// A running ChpImportDialog.exe, started in `workDir` (where it writes debug.bid) with the
// command-line `argument` if one is given, or one that was started by someone else
// (attached to by its dialog). Killed if still running when the check ends.
class App {
public:
    App(const std::string& exe, const std::string& workDir, const std::string& argument = "");
    static App Attach();
    ~App();
    App(App&& other) noexcept;
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    HWND Dialog() const { return dialog_; }
    DWORD Pid() const { return pid_; }
    // The process's exit code once it has ended.
    DWORD WaitExit(DWORD timeoutMs);
    // Freezes the program while `during` runs (a screenshot of a step in progress).
    void Frozen(const std::function<void()>& during);
    // Checks the process ends within `timeoutMs` with exit code -1.
    void CheckEndsWithMinusOne(DWORD timeoutMs);

private:
    App() = default;
    void FindDialog();
    PROCESS_INFORMATION process_{};
    DWORD pid_ = 0;
    HWND dialog_ = nullptr;
};

} // namespace gui
