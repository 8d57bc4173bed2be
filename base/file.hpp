#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace chpimport {

// Every file the core opens goes through this small layer, so that the same code runs on
// Linux and Windows and tests can make any single operation fail as a full or broken disk
// would.

enum class IoOp { Open, Read, Write, Seek, Rename, Close, Remove, Sync };

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

class FileStream;

class File {
public:
    File();
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // `bufferBytes` 0 keeps the C library's default buffer.
    static File Open(const std::string& path, OpenMode mode, std::size_t bufferBytes = 0);

    bool IsOpen() const { return stream_ != nullptr; }
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
    // Flushes, then waits until the file's data are on the disk, where a power cut can't
    // take them any more.
    bool Sync();
    // Flushes and closes; false when either failed. Closing a closed file is harmless.
    bool Close();
    bool HadError() const { return error_; }
    // Why Open failed, as an errno value (EISDIR for a folder, EIO for an injected fault);
    // 0 for a file that opened.
    int OpenErrno() const { return openErrno_; }

private:
    std::unique_ptr<FileStream> stream_;
    bool error_ = false;
    int openErrno_ = 0;
};

// Why a file could not be opened, in a few words for messages: "it is a folder, not a file",
// or the system's own reason ("No such file or directory", "Permission denied"...).
std::string OpenFailureText(const File& failed);

// Deletes a file; false when it could not be deleted (or did not exist).
bool RemoveFile(const std::string& path);
// Renames `from` to `to`, replacing an existing `to` in one step.
bool RenameFile(const std::string& from, const std::string& to);
class FolderSyncs;

// Makes the complete, closed file `fresh` the file `path` in one step that a crash of the
// process or of the machine can't cut in two: `fresh` reaches the disk before the rename that
// makes it current, and (without `later`) the rename before this returns. Afterwards `path` is the
// old file or the new one, complete, whenever the power goes. False when any step failed: `path`
// may then be either (and `fresh` is left for the caller to remove). With `later`, the rename is
// only handed to the system: `later` waits for the folder, once for all the files renamed into it,
// and until then a power cut may find the old file (never a part of the new one). A crash of the
// process alone finds the new file at once.
bool ReplaceDurably(const std::string& fresh, const std::string& path,
                    FolderSyncs* later = nullptr);

// Folders whose new entries reach the disk together: an import renames its files into one or
// two folders, and one wait per folder at its end costs far less than one per file. What is
// still pending when it goes is synced then.
class FolderSyncs {
public:
    FolderSyncs() = default;
    ~FolderSyncs() { SyncAll(); }
    FolderSyncs(const FolderSyncs&) = delete;
    FolderSyncs& operator=(const FolderSyncs&) = delete;

    void Add(const std::string& folder);
    // Waits until the entries of every folder added are on the disk; false when any failed.
    bool SyncAll();

private:
    std::vector<std::string> folders_;
};
bool IsRegularFile(const std::string& path);
bool IsDirectory(const std::string& path);
// True when both paths name one existing file (through links and different spellings).
bool IsSameFile(const std::string& a, const std::string& b);
// The names of a folder's entries ("." and ".." left out), in no particular order; false
// when the folder can't be read.
bool ListFolder(const std::string& folder, std::vector<std::string>& names);
// Creates a folder inside an existing one; false when it exists already or can't be made.
bool CreateFolder(const std::string& path);

} // namespace chpimport
