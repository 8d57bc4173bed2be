#include "app/win/program_window.hpp"

#include "res/resource_ids.h"

namespace chpimport::win {

void ShowAsProgramWindow(HWND window, HINSTANCE instance) {
    // Shared icons: the system keeps them, and frees them with the program.
    const auto load = [&](int widthMetric, int heightMetric) {
        return reinterpret_cast<LPARAM>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_PROGRAM),
                                                   IMAGE_ICON, GetSystemMetrics(widthMetric),
                                                   GetSystemMetrics(heightMetric), LR_SHARED));
    };
    SendMessageA(window, WM_SETICON, ICON_BIG, load(SM_CXICON, SM_CYICON));
    SendMessageA(window, WM_SETICON, ICON_SMALL, load(SM_CXSMICON, SM_CYSMICON));
    SetWindowLongPtrA(window, GWL_EXSTYLE,
                      GetWindowLongPtrA(window, GWL_EXSTYLE) | WS_EX_APPWINDOW);
}

} // namespace chpimport::win
