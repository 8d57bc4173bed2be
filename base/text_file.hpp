#pragma once
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/file.hpp"

namespace chpimport {

// printf's formatting into a string; nullopt when the format can't be applied.
std::optional<std::string> FormatText(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// A text file whose every line end is written as CR LF, on every platform: the table file
// and the debug log are Windows text-mode files, and we write the same bytes everywhere.
class TextFile {
public:
    // Creates (or truncates) the file; null when it can't be created.
    static std::unique_ptr<TextFile> Create(const std::string& path);
    // Opens the file for writing at its end (created when missing); null when it can't be.
    static std::unique_ptr<TextFile> Append(const std::string& path);

    // Writes `text` with each "\n" turned into "\r\n". False once any write has failed.
    bool Write(std::string_view text);
    bool Printf(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    bool Flush() {
        return file_.Flush();
    }
    // Flushes, then waits until the file's data are on the disk.
    bool Sync() {
        return file_.Sync();
    }
    bool Close() {
        return file_.Close();
    }
    bool HadError() const {
        return file_.HadError();
    }

private:
    explicit TextFile(File file) : file_(std::move(file)) {}
    File file_;
};

} // namespace chpimport
