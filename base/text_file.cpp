#include "base/text_file.hpp"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace chpimport {

std::unique_ptr<TextFile> TextFile::Create(const std::string& path) {
    File file = File::Open(path, OpenMode::Create, 16 * 1024);
    if (!file) return nullptr;
    return std::unique_ptr<TextFile>(new TextFile(std::move(file)));
}

std::unique_ptr<TextFile> TextFile::Append(const std::string& path) {
    File file = File::Open(path, OpenMode::Append, 16 * 1024);
    if (!file) return nullptr;
    return std::unique_ptr<TextFile>(new TextFile(std::move(file)));
}

bool TextFile::Write(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return file_.Write(out.data(), out.size()) == out.size() && !file_.HadError();
}

bool TextFile::Printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int needed = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (needed < 0) {
        va_end(again);
        return false;
    }
    std::vector<char> text(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(text.data(), text.size(), format, again);
    va_end(again);
    return Write(std::string_view(text.data(), static_cast<std::size_t>(needed)));
}

} // namespace chpimport
