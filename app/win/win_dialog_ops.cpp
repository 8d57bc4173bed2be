#include "app/win/win_dialog_ops.hpp"

#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "app/win/help.hpp"
#include "base/limits.hpp"

namespace chpimport::win {

void WinDialogOps::SetItemText(int id, const std::string& text) {
    SetDlgItemTextA(dialog_, id, text.c_str());
}

void WinDialogOps::SetItemNumber(int id, unsigned value) {
    SetDlgItemInt(dialog_, id, value, FALSE);
}

std::string WinDialogOps::GetItemText(int id) {
    char text[kMaxText + 1] = {};
    GetDlgItemTextA(dialog_, id, text, sizeof text);
    return text;
}

bool WinDialogOps::IsChecked(int id) {
    return IsDlgButtonChecked(dialog_, id) == BST_CHECKED;
}

void WinDialogOps::SetChecked(int id, bool checked) {
    CheckDlgButton(dialog_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void WinDialogOps::StartTimer(int id, unsigned milliseconds) {
    SetTimer(dialog_, static_cast<UINT_PTR>(id), milliseconds, nullptr);
}

void WinDialogOps::StopTimer(int id) {
    KillTimer(dialog_, static_cast<UINT_PTR>(id));
}

void WinDialogOps::PostCommand(int id) {
    PostMessageA(dialog_, WM_COMMAND, static_cast<WPARAM>(id), 0);
}

void WinDialogOps::Repaint() {
    UpdateWindow(dialog_);
}

void WinDialogOps::ShowWaitCursor() {
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
}

void WinDialogOps::ShowArrowCursor() {
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

bool WinDialogOps::AskYesNo(const std::string& text, const std::string& caption) {
    return MessageBoxA(dialog_, text.c_str(), caption.c_str(), MB_YESNO) == IDYES;
}

void WinDialogOps::Inform(const std::string& text, const std::string& caption) {
    MessageBoxA(dialog_, text.c_str(), caption.c_str(), MB_OK);
}

void WinDialogOps::EndDialog(int result) {
    ::EndDialog(dialog_, result);
}

void WinDialogOps::DestroyDialog() {
    DestroyWindow(dialog_);
}

void WinDialogOps::OpenHelp(const std::string& helpFile, unsigned context) {
    // The WinHelp viewer is gone from current Windows (and absent under Wine): only ask it
    // when the help file is there, and show our own text when it can't.
    if (FindHelpFile(helpFile) && WinHelpA(dialog_, helpFile.c_str(), HELP_CONTEXT, context))
        return;
    ShowOwnHelp(dialog_, instance_);
}

PickerResult WinDialogOps::ShowOpenFilePicker(const PickerRequest& request) {
    // The name box starts with the initial name; an empty one clears the last path.
    const std::size_t room = std::min<std::size_t>(request.bufferSize, pickerBuffer_.size());
    std::fill(pickerBuffer_.begin(), pickerBuffer_.end(), '\0');
    if (room > 0) request.initialName.copy(pickerBuffer_.data(), room - 1);

    std::vector<char> filter(request.filter.begin(), request.filter.end());
    filter.resize(filter.size() + 2, '\0'); // the picker reads up to a double NUL
    char fileTitle[kMaxText + 1] = {};

    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = request.hasOwner ? dialog_ : nullptr;
    ofn.lpstrFilter = filter.data();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = pickerBuffer_.data();
    ofn.nMaxFile = static_cast<DWORD>(room);
    ofn.lpstrFileTitle = fileTitle;
    ofn.nMaxFileTitle = sizeof fileTitle;
    ofn.lpstrDefExt = request.defaultExtension.empty() ? nullptr : request.defaultExtension.c_str();
    ofn.Flags = OFN_PATHMUSTEXIST | OFN_SHOWHELP;

    PickerResult result;
    if (GetOpenFileNameA(&ofn)) {
        result.kind = PickerResult::Kind::Chosen;
        result.path.assign(pickerBuffer_.data(), strnlen(pickerBuffer_.data(), room));
        return result;
    }
    result.extendedError = CommDlgExtendedError();
    result.kind =
        result.extendedError == 0 ? PickerResult::Kind::Cancelled : PickerResult::Kind::Failed;
    return result;
}

void WinDialogOps::ShowError(const std::string& text, const std::string& caption) {
    MessageBoxA(dialog_, text.c_str(), caption.c_str(), MB_OK | MB_ICONSTOP);
}

std::string WinDialogOps::LoadString(int id, std::size_t capacity) {
    if (capacity == 0) return {};
    std::vector<char> text(capacity, '\0');
    const int length = LoadStringA(instance_, static_cast<UINT>(id), text.data(),
                                   static_cast<int>(std::min<std::size_t>(capacity, 0x7FFF)));
    return std::string(text.data(), length > 0 ? static_cast<std::size_t>(length) : 0);
}

bool WinDialogOps::IsWindow() {
    return ::IsWindow(dialog_) != FALSE;
}

} // namespace chpimport::win
