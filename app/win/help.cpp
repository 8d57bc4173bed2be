#include "app/win/help.hpp"

namespace chpimport::win {

bool FindHelpFile(const std::string& helpFile) {
    if (helpFile.empty()) return false;
    char found[MAX_PATH];
    const DWORD length = SearchPathA(nullptr, helpFile.c_str(), nullptr, MAX_PATH, found, nullptr);
    return length > 0 && length < MAX_PATH;
}

std::string OwnHelpText(HINSTANCE instance) {
    HRSRC resource = FindResourceA(instance, "HELPTEXT", MAKEINTRESOURCEA(10)); // RT_RCDATA
    if (!resource) return {};
    HGLOBAL loaded = LoadResource(instance, resource);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return {};
    return std::string(static_cast<const char*>(bytes), SizeofResource(instance, resource));
}

void ShowOwnHelp(HWND owner, HINSTANCE instance) {
    std::string text = OwnHelpText(instance);
    if (text.empty()) text = "No help is available.";
    MessageBoxA(owner, text.c_str(), kOwnHelpCaption, MB_OK | MB_ICONINFORMATION);
}

} // namespace chpimport::win
