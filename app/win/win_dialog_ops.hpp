#pragma once
#include "app/win/win32.hpp"

#include "app/dialog_ops.hpp"
#include "app/win/shell_state.hpp"

namespace chpimport::win {

// The dialog operations of the import session on a real dialog window: each is one
// user-interface call on that window.
class WinDialogOps final : public DialogOps {
public:
    // `instance` holds the string table and the help text; `pickerBuffer` receives the
    // picker's path and keeps it between picks.
    WinDialogOps(HWND dialog, HINSTANCE instance, PickerBuffer& pickerBuffer)
        : dialog_(dialog), instance_(instance), pickerBuffer_(pickerBuffer) {}

    void SetItemText(int id, const std::string& text) override;
    void SetItemNumber(int id, unsigned value) override;
    std::string GetItemText(int id) override;
    bool IsChecked(int id) override;
    void SetChecked(int id, bool checked) override;
    void StartTimer(int id, unsigned milliseconds) override;
    void StopTimer(int id) override;
    void PostCommand(int id) override;
    void Repaint() override;
    void ShowWaitCursor() override;
    void ShowArrowCursor() override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;
    void Inform(const std::string& text, const std::string& caption) override;
    void EndDialog(int result) override;
    void DestroyDialog() override;
    void OpenHelp(const std::string& helpFile, unsigned context) override;
    PickerResult ShowOpenFilePicker(const PickerRequest& request) override;
    void ShowError(const std::string& text, const std::string& caption) override;
    std::string LoadString(int id, std::size_t capacity) override;
    bool IsWindow() override;

private:
    HWND dialog_;
    HINSTANCE instance_;
    PickerBuffer& pickerBuffer_;
};

} // namespace chpimport::win
