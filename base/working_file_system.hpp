#pragma once
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/file_system.hpp"
#include "base/memory_file_system.hpp"

namespace chpimport {

// The files of a private working folder ("tmp.wav", "tmp1.wav"), held in memory while they are
// small: a message's working files are created, read and deleted within one step, and on the
// disk each of them costs a new inode, a few dozen system calls and a deletion (on an ext4
// disk, finding free inodes for new files took a quarter of an import's time). A file that grows
// past `spillBytes` moves to the disk beneath, to the same path, and stays there until deleted or
// recreated, so a message of any length imports as before. One stream per file at a time, as the
// import opens them.
class WorkingFileSystem final : public FileSystem {
public:
    static constexpr std::uint64_t kSpillBytes = 16u << 20;

    // `folder`: the working folder, which exists on the disk; its files and folders are served
    // from here.
    explicit WorkingFileSystem(const std::string& folder, std::uint64_t spillBytes = kSpillBytes);

    std::unique_ptr<FileStream> Open(const std::string& path, OpenMode mode,
                                     std::size_t bufferBytes, int& error) override;
    bool Remove(const std::string& path) override;
    bool Rename(const std::string& from, const std::string& to, bool writeThrough) override;
    bool SyncFile(const std::string& path) override;
    bool SyncFolder(const std::string& path) override;
    PathKind Kind(const std::string& path) override;
    bool SameFile(const std::string& a, const std::string& b) override;
    bool List(const std::string& folder, std::vector<std::string>& names) override;
    bool CreateFolder(const std::string& path) override;

private:
    class Stream;
    bool OnDisk(const std::string& path) const;
    // Moves the file a stream holds in memory to the disk; the stream goes on there.
    std::unique_ptr<FileStream> Spill(const std::string& path, FileStream& inMemory,
                                      std::size_t bufferBytes);

    MemoryFileSystem memory_;
    std::uint64_t spillBytes_;
    std::set<std::string> onDisk_; // keys of the files moved to the disk
};

} // namespace chpimport
