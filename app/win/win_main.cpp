// ChpImportDialog.exe: the import dialog as a Windows program.
#include "app/win/win32.hpp"

#include <cstdlib>

#include "app/win/opened_files.hpp"
#include "app/win/shell_state.hpp"
#include "app/win/shell_window.hpp"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int) {
    using namespace chpimport::win;
    gShell.pickerBuffer.fill('\0');
    gShell.instance = instance;
    gShell.startPath = StartPath(__argc, __argv);
    if (!previous) RegisterShellClasses(instance);

    // Creating the main window runs the whole dialog and ends the process.
    HWND window =
        CreateWindowExA(0, kMainClass, "", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_HIDE);
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
