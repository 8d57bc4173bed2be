// The Windows pieces of ChpImportDialog.exe run in this process, each on a real window: the
// dialog operations on a dialog made from DIALOG_1 (the driver carries the program's
// resources), the launcher, the converter's boxes, the help and the bitmap window.
#include <string>
#include <vector>

#include "app/win/help.hpp"
#include "app/win/icon_window.hpp"
#include "app/win/run_modal_dialog.hpp"
#include "app/win/shell_window.hpp"
#include "app/win/win_dialog_ops.hpp"
#include "app/win/win_message_sink.hpp"
#include "checks.hpp"
#include "driver.hpp"
#include "res/resource_ids.h"

namespace gui {
namespace {

using chpimport::PickerRequest;
using chpimport::PickerResult;

// What the dialog under test was sent, kept in its DWLP_USER slot.
struct Received {
    std::vector<std::pair<WPARAM, LPARAM>> commands;
    std::vector<WPARAM> timers;
};

INT_PTR CALLBACK RecordingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        return TRUE;
    }
    auto* received = reinterpret_cast<Received*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (!received) return FALSE;
    if (message == WM_COMMAND) received->commands.emplace_back(wParam, lParam);
    if (message == WM_TIMER) received->timers.push_back(wParam);
    return message == WM_COMMAND || message == WM_TIMER;
}

INT_PTR CALLBACK EndAtOnceProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) EndDialog(dialog, 7);
    return FALSE;
}

void Pump(DWORD ms) {
    WaitUntil([] { return false; }, ms);
}

void CheckItems(chpimport::DialogOps& ops) {
    ops.SetItemText(IDC_PATH, "C:\\chip\\DEMO.CHP");
    CheckEq(ops.GetItemText(IDC_PATH), "C:\\chip\\DEMO.CHP", "text round trip");
    const std::string longText(300, 'p');
    ops.SetItemText(IDC_PATH, longText);
    CheckEq(ops.GetItemText(IDC_PATH), longText.substr(0, 255), "text read at most 255");
    ops.SetItemNumber(IDC_MSGCOUNT, 4000000000u);
    CheckEq(ops.GetItemText(IDC_MSGCOUNT), "4000000000", "numbers are unsigned");
    ops.SetChecked(IDC_ZUVAN, true);
    Check(ops.IsChecked(IDC_ZUVAN), "check box set");
    ops.SetChecked(IDC_ZUVAN, false);
    Check(!ops.IsChecked(IDC_ZUVAN), "check box cleared");
    CheckEq(ops.LoadString(IDS_BUFFERSMALL, 128), "Buffer too small", "string 3");
    CheckEq(ops.LoadString(IDS_ERROR, 128), "Error", "string 2");
    CheckEq(ops.LoadString(IDS_NOLAUNCH, 5), "Coul", "a string cut to its capacity");
    CheckEq(ops.LoadString(99, 128), "", "a missing string");
    CheckEq(ops.LoadString(IDS_ERROR, 0), "", "no room at all");
    Check(ops.IsWindow(), "the dialog is a window");
    Note("items, check box, strings");
}

void CheckTimersAndCommands(chpimport::DialogOps& ops, Received& received) {
    Pump(50);
    received.commands.clear(); // the edits' change notifications
    ops.PostCommand(IDC_STEP_COMMAND);
    Check(received.commands.empty(), "the posted command ran at once");
    Check(WaitUntil([&] { return !received.commands.empty(); }, 5000), "no posted command");
    Check(received.commands.size() == 1 && received.commands[0].first == IDC_STEP_COMMAND &&
              received.commands[0].second == 0,
          "the posted command is WM_COMMAND 200, 0");

    ops.StopTimer(ID_STATUS_TIMER); // not running: harmless
    ops.StartTimer(ID_STEP_TIMER, 50);
    Check(WaitUntil([&] { return received.timers.size() >= 2; }, 5000), "the timer doesn't tick");
    for (WPARAM id : received.timers) Check(id == ID_STEP_TIMER, "a tick with another id");
    ops.StopTimer(ID_STEP_TIMER);
    Pump(50);
    received.timers.clear();
    Pump(300);
    Check(received.timers.empty(), "ticks after the timer was stopped");
    Note("posted command, timer ticks, timer stopped");
}

void CheckBoxes(chpimport::DialogOps& ops, HWND dialog) {
    for (bool yes : {true, false}) {
        Responder answer("Question", Press(yes ? IDYES : IDNO));
        Check(ops.AskYesNo("Go on?", "Question") == yes, "AskYesNo's answer");
        const BoxInfo& box = answer.Seen();
        CheckEq(box.text, "Go on?", "question text");
        Check(box.owner == dialog && !box.hasIcon && box.buttons.size() == 2,
              "yes/no box: owned by the dialog, no icon, two buttons");
    }
    {
        Responder answer("Done", Press(IDOK));
        ops.Inform("C:\\chip\\DEMO.zpf", "Done");
        const BoxInfo& box = answer.Seen();
        Check(box.owner == dialog && !box.hasIcon && box.buttons.size() == 1, "inform box");
    }
    {
        Responder answer("Trouble", Press(IDOK));
        ops.ShowError("Buffer too small", "Trouble");
        Check(answer.Seen().hasIcon && answer.Seen().owner == dialog, "error box has a stop icon");
    }
    {
        Responder answer(win::kOwnHelpCaption, Press(IDOK));
        ops.OpenHelp("no-such-file.hlp", 1);
        CheckEq(answer.Seen().text, win::OwnHelpText(GetModuleHandleA(nullptr)),
                "help without a help file");
    }
    Note("yes/no, inform, error and help boxes");
}

void CheckPicker(chpimport::DialogOps& ops, HWND dialog, const std::string& scratch) {
    PickerRequest request;
    request.filter = std::string("chp Files(*.CHP)\0*.chp\0", 24) + '\0';
    request.defaultExtension = "chp";
    request.initialName = "START.CHP";
    std::string nameAtStart, typeShown;
    // Typed without its extension: the default one is added as the file exists (an Open
    // picker leaves a name it can't find as typed).
    const std::string typed = scratch + "\\picked";
    HANDLE file = CreateFileA((typed + ".chp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    Check(file != INVALID_HANDLE_VALUE, "cannot create a file to pick");
    CloseHandle(file);
    {
        Responder pick("Open", [&](HWND picker) {
            nameAtStart = TextOf(PickerNameBox(picker));
            typeShown = TextOf(GetDlgItem(picker, 0x0470)); // cmb1, the file types
            SendMessageA(PickerNameBox(picker), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(typed.c_str()));
            Click(picker, IDOK);
        });
        const PickerResult result = ops.ShowOpenFilePicker(request);
        Check(pick.Seen().owner == dialog, "the picker is owned by the dialog");
        CheckEq(nameAtStart, "START.CHP", "the picker's initial name");
        CheckEq(typeShown, "chp Files(*.CHP)", "the picker's file type");
        Check(result.kind == PickerResult::Kind::Chosen, "the picker's choice");
        Check(_stricmp(result.path.c_str(), (typed + ".chp").c_str()) == 0,
              "picked " + result.path);
    }
    request.initialName.clear();
    request.hasOwner = false;
    {
        Responder pick("Open", [&](HWND picker) {
            nameAtStart = TextOf(PickerNameBox(picker));
            Click(picker, IDCANCEL);
        });
        const PickerResult result = ops.ShowOpenFilePicker(request);
        Check(pick.Seen().owner == nullptr, "a picker without owner");
        CheckEq(nameAtStart, "", "an empty initial name clears the last path");
        Check(result.kind == PickerResult::Kind::Cancelled && result.extendedError == 0,
              "a cancelled pick");
    }
    {
        const std::string tooLong =
            scratch + "\\" + std::string(253 - scratch.size(), 'x') + ".chp";
        Responder pick("Open", [&](HWND picker) {
            SendMessageA(PickerNameBox(picker), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(tooLong.c_str()));
            Click(picker, IDOK);
        });
        const PickerResult result = ops.ShowOpenFilePicker(request);
        Check(result.kind == PickerResult::Kind::Failed &&
                  result.extendedError == chpimport::kPickerBufferTooSmall,
              "a 258-character name: FNERR_BUFFERTOOSMALL");
    }
    Note("open-file picker: choice with default extension, cancel, buffer too small");
}

void CheckLauncherAndSink() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    {
        Responder answer("Error", Press(IDOK)); // the system's default caption
        const INT_PTR result =
            win::RunModalDialog(RecordingProc, instance, "NO_SUCH_DIALOG", nullptr, IDS_NOLAUNCH);
        const BoxInfo& box = answer.Seen();
        Check(result == -1, "RunModalDialog's result for a missing template");
        CheckEq(box.text, "Could Not Launch Dialog", "launcher's failure text");
        Check(box.owner == nullptr && box.topmost && box.hasIcon,
              "the launcher's box: no owner, system-modal, stop icon");
    }
    Check(win::RunModalDialog(EndAtOnceProc, instance, "DIALOG_1", nullptr, IDS_NOLAUNCH) == 7,
          "RunModalDialog returns the dialog's result");
    Check(FindTopWindow(GetCurrentProcessId(), "Error") == nullptr, "a box after a good run");

    win::WinMessageSink sink;
    Responder answer("ERROR", Press(IDOK));
    const int pressed =
        sink.ShowMessage("Cannot open tmp.wav", "ERROR",
                         chpimport::kMbOk | chpimport::kMbIconStop | chpimport::kMbSystemModal);
    const BoxInfo& box = answer.Seen();
    Check(pressed == IDOK, "the sink returns the answer");
    Check(box.owner == nullptr && box.topmost && box.hasIcon, "the converter's ERROR box");
    Note("launcher failure box, launcher result, converter's ERROR box");
}

void CheckIconWindow() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    win::RegisterShellClasses(instance);
    HWND window = CreateWindowExA(0, win::kIconClass, "", WS_POPUP | WS_VISIBLE, 0, 0, 450, 100,
                                  nullptr, nullptr, instance, nullptr);
    Check(window != nullptr, "no ISD_ICON window");
    UpdateWindow(window);
    Pump(200);
    HBITMAP bitmap = LoadBitmapA(instance, "BITMAP1");
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    for (POINT p : {POINT{0, 0}, POINT{60, 38}, POINT{200, 20}, POINT{410, 76}})
        Check(GetPixel(screen, p.x, p.y) == GetPixel(memory, p.x, p.y),
              "bitmap pixel " + std::to_string(p.x) + "," + std::to_string(p.y));
    Check(GetPixel(screen, 430, 50) == GetSysColor(COLOR_WINDOW), "beside the bitmap");
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(bitmap);
    ReleaseDC(window, screen);
    DestroyWindow(window);
    Note("ISD_ICON paints BITMAP1 at its own size");
}

} // namespace

void CheckWindowsPieces(const std::string& scratch) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    Received received;
    HWND dialog = CreateDialogParamA(instance, "DIALOG_1", nullptr, RecordingProc,
                                     reinterpret_cast<LPARAM>(&received));
    Check(dialog != nullptr, "cannot create DIALOG_1");
    chpimport::win::PickerBuffer buffer{};
    chpimport::win::WinDialogOps ops(dialog, instance, buffer);
    CheckItems(ops);
    CheckTimersAndCommands(ops, received);
    CheckBoxes(ops, dialog);
    CheckPicker(ops, dialog, scratch);
    ops.DestroyDialog();
    Check(!IsWindow(dialog), "DestroyDialog left the window");
    CheckLauncherAndSink();
    CheckIconWindow();
}

} // namespace gui
