#include "driver.hpp"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <utility>

namespace gui {

void Check(bool condition, const std::string& what) {
    if (!condition) throw Failure(what);
}

void CheckEq(const std::string& actual, const std::string& expected, const std::string& what) {
    if (actual != expected)
        throw Failure(what + ": got \"" + actual + "\", expected \"" + expected + "\"");
}

void Note(const std::string& text) {
    std::printf("  %s\n", text.c_str());
    std::fflush(stdout);
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (done()) return true;
        if (GetTickCount64() >= end) return false;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(20);
    }
}

namespace {

struct Search {
    DWORD pid;
    const std::string* caption;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window)) return TRUE;
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text); // the caption, kept by the system
    if (*search->caption != text) return TRUE;
    search->found = window;
    return FALSE;
}

} // namespace

HWND FindTopWindow(DWORD pid, const std::string& caption) {
    Search search{pid, &caption, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitTopWindow(DWORD pid, const std::string& caption, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(pid, caption)) != nullptr; }, timeoutMs);
    Check(found != nullptr, "no window \"" + caption + "\" appeared");
    return found;
}

void WaitGone(HWND window, DWORD timeoutMs, const std::string& what) {
    Check(WaitUntil([&] { return !IsWindow(window); }, timeoutMs), what + " is still there");
}

std::string TextOf(HWND window) {
    char text[4096] = {}; // room for the help text
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_NORMAL, 60000, &copied);
    return text;
}

std::string ItemText(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    Check(item != nullptr, "no item " + std::to_string(id));
    return TextOf(item);
}

void SetItemText(HWND dialog, int id, const std::string& text) {
    Check(SetDlgItemTextA(dialog, id, text.c_str()) != FALSE,
          "cannot set item " + std::to_string(id));
}

void Click(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    Check(button != nullptr, "no button " + std::to_string(id));
    PostMessageA(button, BM_CLICK, 0, 0);
}

std::string ClassOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

BoxInfo DescribeBox(HWND box) {
    BoxInfo info;
    info.box = box;
    char caption[512] = {};
    GetWindowTextA(box, caption, sizeof caption);
    info.caption = caption;
    info.owner = GetWindow(box, GW_OWNER);
    info.topmost = (GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::string cls = ClassOf(child);
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        if (_stricmp(cls.c_str(), "Button") == 0) info.buttons.push_back(GetDlgCtrlID(child));
        if (_stricmp(cls.c_str(), "Static") == 0) {
            if ((style & SS_TYPEMASK) == SS_ICON) {
                info.hasIcon = info.hasIcon || SendMessageA(child, STM_GETICON, 0, 0) != 0;
            } else if (GetDlgCtrlID(child) == 0xFFFF) {
                info.text = TextOf(child);
            }
        }
    }
    return info;
}

std::function<void(HWND)> Press(int id) {
    return [id](HWND window) { Click(window, id); };
}

Responder::Responder(std::string caption, std::function<void(HWND)> act)
    : caption_(std::move(caption)), act_(std::move(act)) {
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

Responder::~Responder() {
    Seen();
}

const BoxInfo& Responder::Seen() {
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    return seen_;
}

DWORD WINAPI Responder::Run(void* param) {
    auto* self = static_cast<Responder*>(param);
    HWND box = nullptr;
    const ULONGLONG end = GetTickCount64() + 20000;
    while (!(box = FindTopWindow(GetCurrentProcessId(), self->caption_)) && GetTickCount64() < end)
        Sleep(20);
    if (!box) return 0;
    self->seen_ = DescribeBox(box);
    self->act_(box);
    return 0;
}

void Screenshot(std::initializer_list<HWND> windows, const std::string& name) {
    const char* dir = std::getenv("GUI_SHOT_DIR");
    if (!dir || !*dir) return;
    RECT rect{};
    for (HWND window : windows) {
        RECT one{};
        GetWindowRect(window, &one);
        UnionRect(&rect, &rect, &one);
    }
    const std::string base = std::string(dir) + "\\";
    DeleteFileA((base + "shot.done").c_str());
    {
        std::ofstream request(base + "shot.tmp");
        request << name << " " << rect.right - rect.left << " " << rect.bottom - rect.top << " "
                << rect.left << " " << rect.top << "\n";
    }
    MoveFileA((base + "shot.tmp").c_str(), (base + "shot.req").c_str());
    const bool taken = WaitUntil(
        [&] { return GetFileAttributesA((base + "shot.done").c_str()) != INVALID_FILE_ATTRIBUTES; },
        30000);
    DeleteFileA((base + "shot.done").c_str());
    Check(taken, "the screenshot " + name + " was not taken");
}

HWND PickerNameBox(HWND picker) {
    // Explorer-style pickers name it cmb13 (a combo box), old-style ones edt1.
    if (HWND box = GetDlgItem(picker, 0x047C)) return box;
    return GetDlgItem(picker, 0x0480);
}

} // namespace gui
