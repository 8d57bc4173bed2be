#include "cli/text_encoding.hpp"

#ifdef _WIN32
#include <windows.h>
#endif

namespace chpimport::cli {

std::string ToUtf8(const std::string& native) {
#ifdef _WIN32
    if (native.empty() || GetACP() == CP_UTF8) return native;
    const int size = static_cast<int>(native.size());
    const int wide = MultiByteToWideChar(CP_ACP, 0, native.data(), size, nullptr, 0);
    if (wide <= 0) return native;
    std::wstring text(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, native.data(), size, text.data(), wide);
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return native;
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
#else
    return native;
#endif
}

} // namespace chpimport::cli
