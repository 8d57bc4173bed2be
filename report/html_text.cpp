#include "report/html_text.hpp"

#include <algorithm>
#include <filesystem>

#include "base/file_system.hpp"
#include "base/native_path.hpp"

namespace chpimport::report {
namespace {

// The length of the valid UTF-8 sequence at the start of `s` (of a character above
// U+007F), or 0.
std::size_t Utf8Length(std::string_view s) {
    const auto b0 = static_cast<unsigned char>(s[0]);
    std::size_t n = b0 >= 0xF0 && b0 <= 0xF4 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC2 && b0 < 0xE0 ? 2 : 0;
    if (n == 0 || s.size() < n) return 0;
    for (std::size_t i = 1; i < n; ++i)
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 0;
    const auto b1 = static_cast<unsigned char>(s[1]);
    // No overlong forms, surrogates or code points past U+10FFFF.
    if ((b0 == 0xE0 && b1 < 0xA0) || (b0 == 0xED && b1 >= 0xA0) || (b0 == 0xF0 && b1 < 0x90) ||
        (b0 == 0xF4 && b1 >= 0x90))
        return 0;
    return n;
}

} // namespace

std::string EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const char c = text.front();
        const auto u = static_cast<unsigned char>(c);
        std::size_t used = 1;
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            if (u < 0x20 || u == 0x7F) {
                out += '?';
            } else if (u < 0x80) {
                out += c;
            } else if ((used = Utf8Length(text)) > 0) {
                out.append(text.substr(0, used));
            } else {
                used = 1;
                out += static_cast<char>(0xC0 | (u >> 6)); // Latin-1 as UTF-8
                out += static_cast<char>(0x80 | (u & 0x3F));
            }
        }
        text.remove_prefix(used);
    }
    return out;
}

std::string EncodeUrlPath(std::string_view path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : path) {
        const auto u = static_cast<unsigned char>(c);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '-' || c == '.' || c == '_' ||
                           c == '~';
        if (plain) {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 0xF];
        }
    }
    return out;
}

namespace {

// RelativePath for Windows paths where the program's own paths are POSIX ones (the browser
// page): with the drives alike and taken off, and "/" between the parts, POSIX and Windows
// relate two absolute paths the same way.
std::string RelativeWindowsPath(std::string from, std::string to) {
    auto drive = [](std::string& path) {
        std::replace(path.begin(), path.end(), '\\', '/');
        std::string letter;
        if (path.size() >= 2 && path[1] == ':') {
            letter = path.substr(0, 1);
            path.erase(0, 2);
            if (letter[0] >= 'a' && letter[0] <= 'z') letter[0] = static_cast<char>(letter[0] - 32);
        }
        return letter;
    };
    if (drive(from) != drive(to) || from.empty() || from[0] != '/' || to.empty() || to[0] != '/')
        return "";
    namespace fs = std::filesystem;
    const fs::path relative =
        fs::path(to).lexically_normal().lexically_relative(fs::path(from).lexically_normal());
    return relative.empty() ? "" : relative.generic_string();
}

} // namespace

std::string RelativePath(const std::string& fromFolder, const std::string& target) {
    if (kSystemPathRules == PathRules::Posix && ActiveFileSystem().Rules() == PathRules::Windows)
        return RelativeWindowsPath(fromFolder, target);
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path from = fs::absolute(ToFsPath(fromFolder), ec).lexically_normal();
    if (ec) return "";
    const fs::path to = fs::absolute(ToFsPath(target), ec).lexically_normal();
    if (ec) return "";
    const fs::path relative = to.lexically_relative(from);
    if (relative.empty()) return "";
    // Browsers read a link's percent-encoded bytes as UTF-8, whatever the system's code page.
    const std::u8string text = relative.generic_u8string();
    return std::string(text.begin(), text.end());
}

} // namespace chpimport::report
