#include "base/text_file.hpp"

#include <cstdarg>
#include <cstdio>

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

namespace {

std::optional<std::string> FormatArgs(const char* format, va_list args) {
    va_list again;
    va_copy(again, args);
    const int needed = std::vsnprintf(nullptr, 0, format, args);
    if (needed < 0) {
        va_end(again);
        return std::nullopt;
    }
    std::string text(static_cast<std::size_t>(needed), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    return text;
}

} // namespace

std::optional<std::string> FormatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::optional<std::string> text = FormatArgs(format, args);
    va_end(args);
    return text;
}

bool TextFile::Printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::optional<std::string> text = FormatArgs(format, args);
    va_end(args);
    return text && Write(*text);
}

} // namespace chpimport
