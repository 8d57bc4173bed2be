#include "app/win/import_dialog_proc.hpp"

#include <memory>
#include <optional>
#include <string>

#include "app/import_dialog.hpp"
#include "app/win/opened_files.hpp"
#include "app/win/program_window.hpp"
#include "app/win/shell_state.hpp"
#include "app/win/win_dialog_ops.hpp"
#include "app/win/win_message_sink.hpp"
#include "audio/resample/resampler.hpp"
#include "base/limits.hpp"
#include "base/work_dir.hpp"
#include "res/resource_ids.h"

namespace chpimport::win {
namespace {

// The converter asks the console for a channel; a windowed program has none, so the
// answer is a failed keystroke, which the converter reports.
int ReadNoKey() {
    return -1;
}

// The objects of one run of the import dialog.
class DialogContext {
public:
    explicit DialogContext(HWND dialog)
        : ops_(dialog, gShell.instance, gShell.pickerBuffer), converter_(messages_, ReadNoKey),
          work_(WorkDir::Create()),
          // Without a private folder the working files go to the current folder, where
          // they always went.
          logic_(ops_, converter_, messages_, work_ ? work_->Path() : std::string()) {}

    ImportDialog& Logic() { return logic_; }

private:
    WinDialogOps ops_;
    WinMessageSink messages_;
    SampleRateConverter converter_;
    std::optional<WorkDir> work_;
    ImportDialog logic_;
};

std::unique_ptr<DialogContext> gDialogContext;

DialogEvent EventOf(UINT message) {
    switch (message) {
    case WM_INITDIALOG:
        return DialogEvent::InitDialog;
    case WM_CLOSE:
        return DialogEvent::Close;
    case WM_COMMAND:
        return DialogEvent::Command;
    case WM_TIMER:
        return DialogEvent::Timer;
    default:
        return DialogEvent::Other;
    }
}

} // namespace

INT_PTR CALLBACK ImportDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        gDialogContext = std::make_unique<DialogContext>(dialog);
        // The path is read back as at most 255 characters: refuse typing more rather than
        // import a path cut short.
        SendDlgItemMessageA(dialog, IDC_PATH, EM_LIMITTEXT, kMaxText, 0);
        ShowAsProgramWindow(dialog, gShell.instance);
        DragAcceptFiles(dialog, TRUE);
    }
    if (!gDialogContext) return FALSE; // messages that come before WM_INITDIALOG
    if (message == WM_DROPFILES) {
        // A drop without a file (or one whose names can't be read) brings nothing to show.
        const std::string path = TakeFirstDroppedFile(reinterpret_cast<HDROP>(wParam));
        if (!path.empty()) gDialogContext->Logic().OnOpenProject(path);
        return TRUE;
    }
    // The command word (id and notification code) and the timer id are in wParam.
    const DialogEvent event = EventOf(message);
    const unsigned param = event == DialogEvent::Command || event == DialogEvent::Timer
                               ? static_cast<unsigned>(wParam)
                               : 0;
    const INT_PTR result = ImportDlgProc(gDialogContext->Logic(), event, param);
    // The project the program was started with, once the dialog has its start values.
    if (message == WM_INITDIALOG && !gShell.startPath.empty())
        gDialogContext->Logic().OnOpenProject(gShell.startPath);
    return result;
}

void ReleaseImportDialog() {
    gDialogContext.reset();
}

} // namespace chpimport::win
