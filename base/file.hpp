#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace chpimport {

// Every file the core opens goes through this small layer, so that the same code runs on
// Linux and Windows and tests can make any single operation fail as a full or broken disk
// would.

enum class IoOp { Open, Read, Write, Seek, Rename, Close, Remove };

// Test-only fault injection: when a hook is set it is asked before every operation of the
// layer; answering true makes that operation fail.
using IoFaultHook = bool (*)(IoOp op, void* context);
void SetIoFaultHook(IoFaultHook hook, void* context);

// Test-only, for failures in mid-operation: when a hook is set it is asked before every read
// and write how many of its `count` bytes may move; fewer makes that operation move them and
// come up short, as a disk that fills up or a file that breaks part-way through one would.
using IoLimitHook = std::size_t (*)(IoOp op, std::size_t count, void* context);
void SetIoLimitHook(IoLimitHook hook, void* context);

enum class OpenMode {
    Read,            // an existing file, for reading
    ReadWrite,       // an existing file, for reading and writing
    Create,          // created or truncated, for writing
    CreateReadWrite, // created or truncated, for reading and writing
    Append,          // created if missing, every write at the end
};

class File {
public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // `bufferBytes` 0 keeps the C library's default buffer.
    static File Open(const std::string& path, OpenMode mode, std::size_t bufferBytes = 0);

    bool IsOpen() const { return fp_ != nullptr; }
    explicit operator bool() const { return IsOpen(); }

    // Bytes moved. Fewer than asked means end of file or an error (see HadError).
    std::size_t Read(void* buffer, std::size_t count);
    std::size_t Write(const void* buffer, std::size_t count);
    // origin is SEEK_SET, SEEK_CUR or SEEK_END. False on failure, position unchanged.
    bool Seek(std::int64_t offset, int origin);
    std::int64_t Tell();
    // Length of the file in bytes, or -1; the position is kept.
    std::int64_t Size();
    bool Flush();
    // Flushes and closes; false when either failed. Closing a closed file is harmless.
    bool Close();
    bool HadError() const { return error_; }
    // Why Open failed, as an errno value (EISDIR for a folder, EIO for an injected fault);
    // 0 for a file that opened.
    int OpenErrno() const { return openErrno_; }

private:
    enum class LastOp { None, Read, Write };
    void SwitchTo(LastOp op);

    std::FILE* fp_ = nullptr;
    char* buffer_ = nullptr;
    bool error_ = false;
    int openErrno_ = 0;
    LastOp last_ = LastOp::None;
};

// Why a file could not be opened, in a few words for messages: "it is a folder, not a file",
// or the system's own reason ("No such file or directory", "Permission denied"...).
std::string OpenFailureText(const File& failed);

// Deletes a file; false when it could not be deleted (or did not exist).
bool RemoveFile(const std::string& path);
// Renames `from` to `to`, replacing an existing `to` in one step.
bool RenameFile(const std::string& from, const std::string& to);
bool IsRegularFile(const std::string& path);
bool IsDirectory(const std::string& path);
// True when both paths name one existing file (through links and different spellings).
bool IsSameFile(const std::string& a, const std::string& b);

} // namespace chpimport
