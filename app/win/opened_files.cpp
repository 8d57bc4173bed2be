#include "app/win/opened_files.hpp"

#include <shellapi.h>

namespace chpimport::win {

std::string TakeFirstDroppedFile(HDROP drop) {
    std::string path;
    if (DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
        const UINT length = DragQueryFileA(drop, 0, nullptr, 0);
        path.resize(length + 1);
        path.resize(DragQueryFileA(drop, 0, path.data(), length + 1));
    }
    DragFinish(drop);
    return path;
}

std::string StartPath(int argc, char** argv) {
    if (argc < 2 || argv[1] == nullptr || argv[1][0] == '\0') return {};
    const char* given = argv[1];
    const DWORD needed = GetFullPathNameA(given, 0, nullptr, nullptr);
    if (needed == 0) return given;
    std::string full(needed, '\0');
    const DWORD length = GetFullPathNameA(given, needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return given;
    full.resize(length);
    return full;
}

} // namespace chpimport::win
