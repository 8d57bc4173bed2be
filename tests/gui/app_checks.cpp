// ChpImportDialog.exe as a user meets it: started as a program, driven through its windows.
#include <string>

#include "app/win/help.hpp"
#include "app_process.hpp"
#include "checks.hpp"
#include "res/resource_ids.h"

namespace gui {
namespace {

constexpr const char* kCompletionCaption = "Zuvan Project File Created:";
constexpr const char* kAbortCaption = "User Input Required";
constexpr const char* kAbortQuestion = "Not Finished Importing! Abort ?";
constexpr DWORD kLong = 120000; // an import under a loaded machine

std::string WithExtension(const std::string& path, const std::string& extension) {
    const std::size_t slash = path.find_last_of("\\/");
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path + extension;
    return path.substr(0, dot) + extension;
}

bool IsGone(HWND window) {
    return !IsWindow(window) || !IsWindowVisible(window);
}

void CheckNoBox(DWORD pid, const char* caption) {
    Check(FindTopWindow(pid, caption) == nullptr, std::string("unexpected box ") + caption);
}

// The live dialog's controls, in tab order, are those of the template.
void CheckLiveControls(HWND dialog) {
    HWND child = GetWindow(dialog, GW_CHILD);
    for (const ExpectedControl& want : kControls) {
        Check(child != nullptr, "the dialog has too few controls");
        const std::string which = "control " + std::to_string(want.id);
        Check(static_cast<WORD>(GetDlgCtrlID(child)) == static_cast<WORD>(want.id), which);
        const char* cls = want.classAtom == ctl::kButton ? "Button"
                          : want.classAtom == ctl::kEdit ? "Edit"
                                                         : "Static";
        Check(_stricmp(ClassOf(child).c_str(), cls) == 0, which + " is a " + ClassOf(child));
        CheckEq(TextOf(child), want.text, which + " text");
        Check(IsWindowVisible(child) != FALSE, which + " is hidden");
        child = GetWindow(child, GW_HWNDNEXT);
    }
    Check(child == nullptr, "the dialog has more controls than its template");
    Check(SendDlgItemMessageA(dialog, IDC_PATH, EM_GETLIMITTEXT, 0, 0) == 255,
          "the path field takes more than 255 characters");
    Check(SendDlgItemMessageA(dialog, IDC_ZUVAN, BM_GETCHECK, 0, 0) == BST_UNCHECKED,
          "the check box starts checked");
}

void CloseBox(HWND dialog) {
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); // what the close box sends
}

// Fills in the path, sets "Make it Zuvan Compatible" and presses Import!.
void StartZuvanImport(HWND dialog, const std::string& project) {
    SetItemText(dialog, IDC_PATH, project);
    Click(dialog, IDC_ZUVAN);
    Check(WaitUntil(
              [&] {
                  return SendDlgItemMessageA(dialog, IDC_ZUVAN, BM_GETCHECK, 0, 0) == BST_CHECKED;
              },
              5000),
          "the check box did not take the click");
    Click(dialog, IDC_IMPORT);
}

// Once message 2 is done, between two steps: freezes the program and photographs it.
void ShotDuringImport(App& app, const std::string& name) {
    HWND dialog = app.Dialog();
    bool midway = false;
    WaitUntil(
        [&] {
            if (FindTopWindow(app.Pid(), kCompletionCaption)) return true;
            return midway = ItemText(dialog, IDC_FILENUMBER) == "2";
        },
        kLong);
    if (midway) {
        app.Frozen([&] { Screenshot({dialog}, name); });
        Note("screenshot " + name + " taken during the import");
    } else {
        Note("the import ended before " + name + " could be taken");
    }
}

// Every fixed text of the dialog (labels and buttons) fits its control at the display's scale.
// Measured with the font the dialog makes from its template, made again here: this process is
// DPI-aware as the program is, so both see the same scale.
void CheckTextsFit(HWND dialog) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    HFONT font = CreateFontA(-MulDiv(kFontPoints, dpi, 72), 0, 0, 0, FW_DONTCARE, FALSE, FALSE,
                             FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH, kFontName);
    HGDIOBJ previous = SelectObject(screen, font);
    const int edge = GetSystemMetrics(SM_CXEDGE);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::string text = TextOf(child);
        const bool button = _stricmp(ClassOf(child).c_str(), "Button") == 0;
        if (text.empty() || (!button && _stricmp(ClassOf(child).c_str(), "Static") != 0)) continue;
        SIZE size{};
        GetTextExtentPoint32A(screen, text.c_str(), static_cast<int>(text.size()), &size);
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        int needed = size.cx;
        if (button)
            needed += (style & BS_TYPEMASK) == BS_AUTOCHECKBOX
                          ? GetSystemMetrics(SM_CXMENUCHECK) + 2 * edge // the box and its gap
                          : 4 * edge;                                   // the button's frame
        RECT client{};
        GetClientRect(child, &client);
        Check(needed <= client.right && size.cy <= client.bottom,
              "\"" + text + "\" needs " + std::to_string(needed) + " x " + std::to_string(size.cy) +
                  " px at " + std::to_string(dpi) + " dpi; its control has " +
                  std::to_string(client.right) + " x " + std::to_string(client.bottom));
    }
    SelectObject(screen, previous);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
}

void DismissCompletion(App& app, const std::string& zpf) {
    HWND box = WaitTopWindow(app.Pid(), kCompletionCaption, kLong);
    const BoxInfo info = DescribeBox(box);
    CheckEq(info.text, zpf, "completion box text");
    Check(info.owner == app.Dialog(), "the completion box is not owned by the dialog");
    Click(box, IDOK);
    WaitGone(box, 10000, "the completion box");
}

} // namespace

void CheckOpenAndClose(const std::string& exe, const std::string& workDir) {
    App app(exe, workDir);
    CheckLiveControls(app.Dialog());
    Note("dialog controls as in the template");
    CloseBox(app.Dialog());
    app.CheckEndsWithMinusOne(10000);
    Note("close box on an idle dialog: ended with -1");
}

void CheckCloseAttached() {
    App app = App::Attach();
    CloseBox(app.Dialog());
    app.CheckEndsWithMinusOne(10000);
}

void CheckInvalidPath(const std::string& exe, const std::string& workDir,
                      const std::string& missing) {
    App app(exe, workDir);
    HWND dialog = app.Dialog();
    SetItemText(dialog, IDC_PATH, missing);
    Click(dialog, IDC_IMPORT);
    Check(WaitUntil([&] { return ItemText(dialog, IDC_STATUS) == "Invalid CHP file"; }, 10000),
          "no \"Invalid CHP file\" in the status line");
    const ULONGLONG shown = GetTickCount64();
    for (int id : {IDC_PATH, IDC_PROJECT, IDC_CHIPTYPE})
        CheckEq(ItemText(dialog, id), " ", "item " + std::to_string(id));
    Check(WaitUntil([&] { return ItemText(dialog, IDC_STATUS) == " "; }, 10000),
          "the status line was not cleared");
    const ULONGLONG shownFor = GetTickCount64() - shown;
    Check(shownFor >= 1500, "the status line cleared after " + std::to_string(shownFor) + " ms");
    Note("invalid path: status shown, fields blanked, cleared after ~" +
         std::to_string((shownFor + 50) / 100 * 100) + " ms");
    CloseBox(dialog);
    app.CheckEndsWithMinusOne(10000);
}

void CheckImport(const std::string& exe, const std::string& workDir, const std::string& project,
                 int count) {
    App app(exe, workDir);
    HWND dialog = app.Dialog();
    StartZuvanImport(dialog, project);
    ShotDuringImport(app, "gui-import.png");

    const std::string zpf = WithExtension(project, ".zpf");
    Screenshot({dialog, WaitTopWindow(app.Pid(), kCompletionCaption, kLong)}, "gui-complete.png");
    const std::string number = std::to_string(count);
    CheckEq(ItemText(dialog, IDC_FILENUMBER), number, "File Number after completion");
    CheckEq(ItemText(dialog, IDC_MSGCOUNT), number, "# Msgs");
    const std::string wav = ItemText(dialog, IDC_FILENAME);
    Check(wav.size() > 4 && _stricmp(wav.c_str() + wav.size() - 4, ".wav") == 0,
          "File Name shows " + wav);
    DismissCompletion(app, zpf);
    Click(dialog, IDC_OK);
    app.CheckEndsWithMinusOne(10000);
    Note("import: completion box \"" + zpf + "\", OK, ended with -1");
}

void CheckScaled(const std::string& exe, const std::string& workDir, const std::string& project,
                 int count, const std::string& shot) {
    App app(exe, workDir, project);
    HWND dialog = app.Dialog();
    Check(WaitUntil([&] { return ItemText(dialog, IDC_MSGCOUNT) == std::to_string(count); }, 10000),
          "the project given on the command line is not shown");
    CheckTextsFit(dialog);
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    RECT rect{};
    GetWindowRect(dialog, &rect);
    Note("at " + std::to_string(dpi) + " dpi the dialog is " +
         std::to_string(rect.right - rect.left) + " x " + std::to_string(rect.bottom - rect.top) +
         " px and every text fits");
    StartZuvanImport(dialog, project);
    ShotDuringImport(app, shot);
    DismissCompletion(app, WithExtension(project, ".zpf"));
    Click(dialog, IDC_OK);
    app.CheckEndsWithMinusOne(10000);
}

void CheckAbort(const std::string& exe, const std::string& workDir, const std::string& project,
                bool answerYes) {
    App app(exe, workDir);
    HWND dialog = app.Dialog();
    StartZuvanImport(dialog, project);
    Click(dialog, IDC_OK);
    HWND question = WaitTopWindow(app.Pid(), kAbortCaption, kLong);
    const BoxInfo info = DescribeBox(question);
    CheckEq(info.text, kAbortQuestion, "abort question");
    Check(info.owner == dialog && !info.hasIcon, "the question is owned by the dialog, no icon");
    Check(info.buttons.size() == 2 && GetDlgItem(question, IDYES) && GetDlgItem(question, IDNO),
          "the question has Yes and No");

    if (answerYes) {
        Click(question, IDYES);
        // A completion that came meanwhile is shown as well and must be dismissed too.
        WaitUntil(
            [&] {
                if (HWND box = FindTopWindow(app.Pid(), kCompletionCaption)) Click(box, IDOK);
                return !IsWindow(dialog);
            },
            kLong);
        app.CheckEndsWithMinusOne(10000);
        Note("OK during an import, yes: ended with -1");
        return;
    }
    // The steps go on behind the question, up to the completion box.
    WaitTopWindow(app.Pid(), kCompletionCaption, kLong);
    Check(!IsGone(question), "the question went away by itself");
    Click(question, IDNO);
    Check(WaitUntil([&] { return IsGone(question); }, 10000), "the question stayed");
    Check(IsWindow(dialog) != FALSE, "No ended the dialog");
    DismissCompletion(app, WithExtension(project, ".zpf"));
    CheckNoBox(app.Pid(), kAbortCaption);
    Click(dialog, IDC_OK);
    app.CheckEndsWithMinusOne(10000);
    Note("OK during an import, no: the import went on to completion; OK ended with -1");
}

void CheckHelp(const std::string& exe, const std::string& workDir) {
    App app(exe, workDir);
    Click(app.Dialog(), IDC_HELPBTN);
    HWND box = WaitTopWindow(app.Pid(), win::kOwnHelpCaption, 20000);
    const BoxInfo info = DescribeBox(box);
    Check(info.text.find("Import!") != std::string::npos &&
              info.text.find(".zpf") != std::string::npos,
          "the help text: " + info.text);
    Check(info.owner == app.Dialog(), "the help box is not owned by the dialog");
    Screenshot({box}, "gui-help.png");
    Click(box, IDOK);
    WaitGone(box, 10000, "the help box");
    Click(app.Dialog(), IDC_OK);
    app.CheckEndsWithMinusOne(10000);
    Note("Help without tolvanex.hlp: our own help text");
}

void CheckBrowse(const std::string& exe, const std::string& workDir, const std::string& project,
                 int count) {
    App app(exe, workDir);
    HWND dialog = app.Dialog();
    auto openPicker = [&] {
        Click(dialog, IDC_BROWSE);
        HWND picker = WaitTopWindow(app.Pid(), "Open", 20000);
        Check(PickerNameBox(picker) != nullptr, "the picker has no name box");
        CheckEq(TextOf(PickerNameBox(picker)), "", "the picker's name box at start");
        HWND help = GetDlgItem(picker, 0x040E); // pshHelp
        Check(help && IsWindowVisible(help), "the picker has no Help button");
        return picker;
    };

    // A name typed without its extension gets the default one.
    HWND picker = openPicker();
    const std::string typed = WithExtension(project, "");
    SendMessageA(PickerNameBox(picker), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
    Click(picker, IDOK);
    WaitGone(picker, 20000, "the picker");
    Check(WaitUntil([&] { return ItemText(dialog, IDC_PATH) != ""; }, 10000), "no path chosen");
    const std::string chosen = ItemText(dialog, IDC_PATH);
    Check(_stricmp(chosen.c_str(), (typed + ".chp").c_str()) == 0, "Browse chose " + chosen);
    CheckEq(ItemText(dialog, IDC_MSGCOUNT), std::to_string(count), "# Msgs after Browse");
    Check(ItemText(dialog, IDC_PROJECT).size() > 1, "no project name after Browse");
    Note("Browse: " + chosen + " (default extension added)");

    // A name longer than the picker's buffer: "Buffer too small", and nothing changes.
    picker = openPicker();
    const std::string folder = project.substr(0, project.find_last_of('\\') + 1);
    const std::string tooLong = folder + std::string(258 - folder.size() - 4, 'x') + ".chp";
    SendMessageA(PickerNameBox(picker), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(tooLong.c_str()));
    Click(picker, IDOK);
    HWND error = WaitTopWindow(app.Pid(), "Error", 20000);
    const BoxInfo info = DescribeBox(error);
    CheckEq(info.text, "Buffer too small", "the picker's error");
    Check(info.hasIcon, "the error box has no stop icon");
    Click(error, IDOK);
    WaitGone(error, 10000, "the error box");
    CheckEq(ItemText(dialog, IDC_PATH), chosen, "path after a failed pick");
    Note("Browse with a 258-character name: \"Buffer too small\"");

    // Cancelled: nothing changes.
    picker = openPicker();
    Click(picker, IDCANCEL);
    WaitGone(picker, 20000, "the picker");
    CheckEq(ItemText(dialog, IDC_PATH), chosen, "path after a cancelled pick");
    CloseBox(dialog);
    app.CheckEndsWithMinusOne(10000);
    Note("Browse cancelled: nothing changed");
}

} // namespace gui
