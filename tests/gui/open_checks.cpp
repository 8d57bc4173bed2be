// Projects handed to ChpImportDialog.exe the ways Windows offers besides its picker: files
// dropped on the dialog, a path on the program's command line, a file opened by its type.
#include <cstring>
#include <string>
#include <vector>

#include <shlobj.h>

#include "app/win/import_dialog_proc.hpp"
#include "app/win/shell_state.hpp"
#include "app_process.hpp"
#include "checks.hpp"
#include "res/resource_ids.h"

namespace gui {
namespace {

// A drop as Explorer makes it: an HDROP (DROPFILES and the names, each ended by a NUL,
// then one more) posted with WM_DROPFILES; the receiver frees it.
void DropFiles(HWND window, const std::vector<std::string>& files) {
    std::size_t size = sizeof(DROPFILES) + 1;
    for (const std::string& file : files) size += file.size() + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    Check(memory != nullptr, "no memory for a drop");
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->pt = POINT{40, 40};
    char* name = reinterpret_cast<char*>(drop + 1);
    for (const std::string& file : files) {
        std::memcpy(name, file.c_str(), file.size() + 1);
        name += file.size() + 1;
    }
    GlobalUnlock(memory);
    Check(PostMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0) != FALSE,
          "WM_DROPFILES was not posted");
}

// The dialog shows `path` as a pick in the picker shows it: the path, the project's name,
// its message count, and no error. Nothing is imported.
void CheckShown(HWND dialog, const std::string& path, int count, const std::string& how) {
    Check(WaitUntil([&] { return ItemText(dialog, IDC_PATH) == path; }, 10000),
          how + ": the path field shows \"" + ItemText(dialog, IDC_PATH) + "\"");
    CheckEq(ItemText(dialog, IDC_MSGCOUNT), std::to_string(count), how + ": # Msgs");
    Check(ItemText(dialog, IDC_PROJECT).size() > 1, how + ": no project name");
    Check(ItemText(dialog, IDC_CHIPTYPE).size() > 1, how + ": no chip type");
    Check(ItemText(dialog, IDC_STATUS) != "Invalid CHP file", how + ": shown as invalid");
    WaitUntil([] { return false; }, 500); // time for an import that must not start
    CheckEq(ItemText(dialog, IDC_FILENUMBER), "", how + ": an import started");
}

void CheckShownInvalid(HWND dialog, const std::string& how) {
    Check(WaitUntil([&] { return ItemText(dialog, IDC_STATUS) == "Invalid CHP file"; }, 10000),
          how + ": no \"Invalid CHP file\" in the status line");
    for (int id : {IDC_PATH, IDC_PROJECT, IDC_CHIPTYPE})
        CheckEq(ItemText(dialog, id), " ", how + ": item " + std::to_string(id));
}

void CloseAndCheckExit(App& app) {
    PostMessageA(app.Dialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
    app.CheckEndsWithMinusOne(10000);
}

} // namespace

void CheckDrop(const std::string& exe, const std::string& workDir, const std::string& project,
               const std::string& invalid, int count) {
    {
        App app(exe, workDir);
        const LONG_PTR style = GetWindowLongPtrA(app.Dialog(), GWL_EXSTYLE);
        Check((style & WS_EX_ACCEPTFILES) != 0, "the program's dialog takes no dropped files");
        Check((style & WS_EX_APPWINDOW) != 0, "the program's dialog has no taskbar button");
        CloseAndCheckExit(app);
    }
    // Wine hands a drop's HDROP to the window's own process only (as its X11 driver does
    // with a drop from the desktop): the program's dialog procedure, run in this process.
    HINSTANCE instance = GetModuleHandleA(nullptr);
    win::gShell.instance = instance;
    HWND dialog = CreateDialogParamA(instance, "DIALOG_1", nullptr, win::ImportDialogProc, 0);
    Check(dialog != nullptr, "cannot create DIALOG_1");
    // (Wine answers WM_GETICON only within the window's process.)
    Check(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0) != 0 &&
              SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0) != 0,
          "the dialog has no icon of its own");
    Note("the dialog: the program's icon, a taskbar button, takes dropped files");
    DropFiles(dialog, {project, invalid});
    CheckShown(dialog, project, count, "two files dropped");
    Note("two files dropped: the first shown as a pick shows it, nothing imported");
    DropFiles(dialog, {invalid});
    CheckShownInvalid(dialog, "an invalid file dropped");
    Note("an invalid file dropped: \"Invalid CHP file\", fields blanked");
    DestroyWindow(dialog);
    win::ReleaseImportDialog();
}

void CheckStartPath(const std::string& exe, const std::string& projectDir, const std::string& name,
                    const std::string& invalid, int count) {
    {
        // A name relative to the folder the program starts in: shown as the full path,
        // which keeps naming the file when the picker moves the current folder.
        App app(exe, projectDir, name);
        HWND dialog = app.Dialog();
        CheckShown(dialog, projectDir + "\\" + name, count, "started with " + name);
        Note("started with " + name + ": shown as " + ItemText(dialog, IDC_PATH));
        CloseAndCheckExit(app);
    }
    App app(exe, projectDir, invalid);
    CheckShownInvalid(app.Dialog(), "started with an invalid file");
    Note("started with an invalid file: \"Invalid CHP file\", fields blanked");
    CloseAndCheckExit(app);
}

void CheckOpenedByType(const std::string& project, int count) {
    App app = App::Attach();
    CheckShown(app.Dialog(), project, count, "opened by its file type");
    Note("opened by its file type: shown as " + ItemText(app.Dialog(), IDC_PATH));
    CloseAndCheckExit(app);
}

} // namespace gui
