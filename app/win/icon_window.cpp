#include "app/win/icon_window.hpp"

namespace chpimport::win {
namespace {

// The class has no extra bytes; each window keeps its bitmap in its user data.
HBITMAP BitmapOf(HWND window) {
    return reinterpret_cast<HBITMAP>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void Paint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HBITMAP bitmap = BitmapOf(window);
    if (dc && bitmap) {
        BITMAP info{};
        GetObjectA(bitmap, sizeof info, &info);
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ previous = SelectObject(source, bitmap);
        BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
        SelectObject(source, previous);
        DeleteDC(source);
    }
    EndPaint(window, &paint);
}

} // namespace

LRESULT CALLBACK IconWinProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: {
        auto module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(LoadBitmapA(module, "BITMAP1")));
        return 0;
    }
    case WM_DESTROY:
        if (HBITMAP bitmap = BitmapOf(window)) DeleteObject(bitmap);
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        return 0;
    case WM_PAINT:
        Paint(window);
        return DefWindowProcA(window, message, wParam, lParam);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace chpimport::win
