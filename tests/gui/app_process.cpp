#include "app_process.hpp"

#include <utility>

namespace gui {

App::App(const std::string& exe, const std::string& workDir, const std::string& argument) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + exe + "\"";
    if (!argument.empty()) commandLine += " \"" + argument + "\"";
    Check(CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                         workDir.c_str(), &startup, &process_) != FALSE,
          "cannot start " + exe);
    pid_ = process_.dwProcessId;
    FindDialog();
}

App App::Attach() {
    App app;
    HWND dialog = nullptr;
    WaitUntil([&] { return (dialog = FindWindowA("#32770", kDialogCaption)) != nullptr; }, 30000);
    Check(dialog != nullptr, "no import dialog to attach to");
    GetWindowThreadProcessId(dialog, &app.pid_);
    app.FindDialog();
    return app;
}

App::App(App&& other) noexcept
    : process_(std::exchange(other.process_, {})), pid_(std::exchange(other.pid_, 0)),
      dialog_(std::exchange(other.dialog_, nullptr)) {}

App::~App() {
    if (process_.hProcess) {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(process_.hProcess, 99);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
}

void App::FindDialog() {
    dialog_ = WaitTopWindow(pid_, kDialogCaption, 30000);
    Check(ClassOf(dialog_) == "#32770", "the import window is not a dialog");
}

DWORD App::WaitExit(DWORD timeoutMs) {
    Check(process_.hProcess != nullptr, "an attached program's exit code is its starter's");
    Check(WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0,
          "ChpImportDialog.exe did not end");
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

void App::CheckEndsWithMinusOne(DWORD timeoutMs) {
    if (!process_.hProcess) { // attached: the starter checks the code; wait for the end here
        WaitGone(dialog_, timeoutMs, "the import dialog");
        return;
    }
    const DWORD code = WaitExit(timeoutMs);
    Check(code == static_cast<DWORD>(-1),
          "exit code " + std::to_string(static_cast<int>(code)) + ", expected -1");
}

void App::Frozen(const std::function<void()>& during) {
    Check(process_.hThread != nullptr, "cannot freeze an attached program");
    SuspendThread(process_.hThread);
    try {
        during();
    } catch (...) {
        ResumeThread(process_.hThread);
        throw;
    }
    ResumeThread(process_.hThread);
}

} // namespace gui
