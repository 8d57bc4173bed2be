#include "app/win/run_modal_dialog.hpp"

#include <cstdint>

#include "base/limits.hpp"

namespace chpimport::win {

INT_PTR RunModalDialog(DLGPROC dialogProc, HINSTANCE instance, const char* templateName, HWND owner,
                       UINT errorStringId) {
    const INT_PTR result = DialogBoxParamA(instance, templateName, owner, dialogProc, 0);
    if (static_cast<std::int16_t>(result) == -1) {
        char text[kMaxText + 1] = {};
        LoadStringA(instance, errorStringId, text, sizeof text);
        MessageBoxA(nullptr, text, nullptr, MB_ICONSTOP | MB_SYSTEMMODAL);
    }
    return result;
}

} // namespace chpimport::win
