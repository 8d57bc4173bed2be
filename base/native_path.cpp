#include "base/native_path.hpp"

#ifdef _WIN32
#include <windows.h>
#endif

namespace chpimport {

#ifdef _WIN32

std::filesystem::path ToFsPath(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int wide = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring converted(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, converted.data(), wide);
    return std::filesystem::path(std::move(converted));
}

std::optional<std::string> FromFsPath(const std::filesystem::path& path) {
    const std::wstring& wide = path.native();
    if (wide.empty()) return std::string();
    // No "best fit": a character the code page lacks must not become a look-alike, which
    // would name another file. (UTF-8 as the code page holds every character and takes
    // neither the flag nor the question.)
    const UINT codePage = GetACP();
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL lossy = FALSE;
    BOOL* askLossy = codePage == CP_UTF8 ? nullptr : &lossy;
    const int size = static_cast<int>(wide.size());
    const int narrow =
        WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, nullptr, askLossy);
    if (narrow <= 0 || lossy) return std::nullopt;
    std::string converted(static_cast<std::size_t>(narrow), '\0');
    WideCharToMultiByte(CP_ACP, flags, wide.data(), size, converted.data(), narrow, nullptr,
                        nullptr);
    return converted;
}

#else

std::filesystem::path ToFsPath(std::string_view text) {
    return std::filesystem::path(std::string(text));
}

std::optional<std::string> FromFsPath(const std::filesystem::path& path) {
    return path.native();
}

#endif

std::string JoinPath(std::string_view folder, std::string_view name) {
    // Both parts are narrow text already, so the whole has a narrow form too.
    return FromFsPath(ToFsPath(folder) / ToFsPath(name)).value_or(std::string());
}

} // namespace chpimport
