#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/file.hpp"
#include "base/path.hpp"

namespace chpimport {

// What lies beneath the file layer: the real disk, or a file system held in memory. File and
// the functions beside it check paths, inject test faults and then hand each operation to the
// file system in use, so one implementation never sees another's quirks.

// One open file. The results mean what File's do; an operation that fails sets HadError.
class FileStream {
public:
    virtual ~FileStream() = default;
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
    virtual bool Seek(std::int64_t offset, int origin) = 0;
    virtual std::int64_t Tell() = 0;
    virtual std::int64_t Size() = 0;
    // Hands buffered data to the system.
    virtual bool Flush() = 0;
    // Flushes, then waits until the file's data are on the disk.
    virtual bool Sync() = 0;
    virtual bool Close() = 0;
    virtual bool HadError() const = 0;
};

enum class PathKind { None, File, Folder };

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Null with `error` set (an errno value) when the file can't be opened; EISDIR for a
    // folder, whatever the mode.
    virtual std::unique_ptr<FileStream> Open(const std::string& path, OpenMode mode,
                                             std::size_t bufferBytes, int& error) = 0;
    // Deletes a file or an empty folder.
    virtual bool Remove(const std::string& path) = 0;
    // Replaces `to` in one step. `writeThrough`: the new name is on the disk when it returns,
    // where the system can do that as part of the rename (otherwise SyncFolder does it).
    virtual bool Rename(const std::string& from, const std::string& to, bool writeThrough) = 0;
    // Waits until the data of the closed file `path` are on the disk.
    virtual bool SyncFile(const std::string& path) = 0;
    // Waits until the folder's entries (the names created, renamed or deleted in it) are on
    // the disk.
    virtual bool SyncFolder(const std::string& path) = 0;
    virtual PathKind Kind(const std::string& path) = 0;
    virtual bool SameFile(const std::string& a, const std::string& b) = 0;
    // The names in a folder, in no particular order; false when it can't be read.
    virtual bool List(const std::string& folder, std::vector<std::string>& names) = 0;
    // Creates one folder in an existing one; false when it exists or can't be made.
    virtual bool CreateFolder(const std::string& path) = 0;
    // How it reads paths.
    virtual PathRules Rules() const { return kSystemPathRules; }
};

// The disk, through the C library and the system's own calls.
FileSystem& DiskFileSystem();

// The file system every file operation goes to: the disk unless a test or a fuzz harness
// chose another. Not to be changed while files are open.
FileSystem& ActiveFileSystem();
// Test-only: `system` serves every file operation from now on; nullptr returns to the disk.
void UseFileSystem(FileSystem* system);

// From now on `system` serves `folder` and every path inside it (as the program spells them,
// the folder's own spelling first), whatever file system serves the rest; until UnmountFolder.
void MountFolder(const std::string& folder, FileSystem& system);
void UnmountFolder(const std::string& folder);

} // namespace chpimport
