#include "app/win/shell_window.hpp"

#include <cstdlib>

#include "app/win/icon_window.hpp"
#include "app/win/import_dialog_proc.hpp"
#include "app/win/run_modal_dialog.hpp"
#include "app/win/shell_state.hpp"
#include "res/resource_ids.h"

namespace chpimport::win {

void RegisterShellClasses(HINSTANCE instance) {
    WNDCLASSA main{};
    main.style = CS_HREDRAW | CS_VREDRAW;
    main.lpfnWndProc = WndProc;
    main.hInstance = instance;
    main.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    main.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    main.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    main.lpszClassName = kMainClass;
    RegisterClassA(&main);

    WNDCLASSA icon{};
    icon.lpfnWndProc = IconWinProc;
    icon.hInstance = instance;
    icon.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    icon.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    icon.lpszClassName = kIconClass;
    RegisterClassA(&icon);
}

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        RunModalDialog(ImportDialogProc, gShell.instance, "DIALOG_1", window, IDS_NOLAUNCH);
        ReleaseImportDialog();
        // The C library's exit flushes and closes every file stream still open.
        std::exit(-1);
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace chpimport::win
