#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_system.hpp"

namespace chpimport {

// A file system held in memory, for tests and fuzzing: thousands of files a second without a
// system call, and a record of every operation as the disk would receive it. It keeps the
// disk's rules as the file layer meets them: folders must exist before files go in them, a
// file opened for reading can't be written, a seek may pass the end (a write there fills the
// gap with zeros), open files keep their data through a rename or a delete, a folder is
// deleted only when empty, names are compared as the system whose path rules it keeps does (the
// program's own unless told otherwise; Windows ignores letter case and the dots and blanks that end
// a name, a path may start with a drive, and an open file can't be deleted or renamed). Relative
// paths start from a current folder of its own, at first the root "/". A file grows to at most
// kMaxFileBytes: a write beyond comes up short, as on a full disk.
class MemoryFileSystem final : public FileSystem {
public:
    static constexpr std::uint64_t kMaxFileBytes = 64u << 20;

    // One operation that changes what the disk holds, in the order the system received it.
    struct Event {
        enum class Kind {
            CreateFile,   // `path` made a new, empty file `file`
            Truncate,     // `file` cut to nothing
            Write,        // `bytes` written into `file` at `offset`
            SyncFile,     // `file`'s data on the disk
            Rename,       // `path` renamed `to`
            Remove,       // `path` deleted
            CreateFolder, // `path` made a new folder
            SyncFolder,   // the entries of the folder `path` on the disk
        };
        Kind kind;
        std::string path;
        std::string to;
        std::uint64_t file = 0; // a file's identity: it stays with the data through renames
        std::uint64_t offset = 0;
        std::string bytes;
    };

    // What a path holds: a folder, or a file with its identity and data.
    struct Node {
        bool folder = false;
        std::uint64_t file = 0;
        std::string data;
    };

    explicit MemoryFileSystem(PathRules rules = kSystemPathRules);
    ~MemoryFileSystem() override;

    // Relative paths start from here from now on (an existing folder; false otherwise).
    bool SetCurrentFolder(const std::string& path);
    // Every event from now on is added to `journal`; nullptr stops the record.
    void Record(std::vector<Event>* journal);
    // Everything the file system holds, by full path (the root "/" left out).
    std::map<std::string, Node> Tree() const;

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
    PathRules Rules() const override { return rules_; }

    // How a system compares an absolute path: as it is, or ignoring letter case on Windows.
    static std::string Key(const std::string& path, PathRules rules = kSystemPathRules);

private:
    class Stream;
    struct Inode {
        std::uint64_t id;
        std::string data;
        int openStreams = 0; // Windows can't delete or rename a file that is open
    };
    struct Entry {
        std::string path;            // as spelled when it was made
        std::shared_ptr<Inode> file; // null for a folder
    };
    struct Resolved {
        std::string key;         // how the system compares it
        std::string path;        // absolute, "." and ".." resolved (on Windows; else the key)
        bool folderOnly = false; // spelled with a separator at its end
        const std::string& Path() const { return path.empty() ? key : path; }
    };

    bool Resolve(const std::string& raw, Resolved& out, int& error) const;
    const Entry* Find(std::string_view key) const;
    bool Busy(const std::shared_ptr<Inode>& file) const;
    bool Windows() const { return rules_ == PathRules::Windows; }
    bool HasChildren(const std::string& key) const;
    // A new file's data: a deleted file's storage when one is kept, else empty.
    std::string FreshData();
    // Keeps the storage of a file that has just lost its last name, unless a stream still
    // reads or writes it.
    void Recycle(std::shared_ptr<Inode>& file);
    // Adds the event `make` gives to the record, if there is one.
    template <class Make>
    void Note(Make make) {
        if (journal_ != nullptr) journal_->push_back(make());
    }

    const PathRules rules_;
    mutable std::mutex mutex_;
    std::map<std::string, Entry, std::less<>> entries_;
    std::string current_ = "/";
    std::uint64_t nextId_ = 1;
    std::vector<Event>* journal_ = nullptr;
    // Cleared storage of deleted files. The working files of one message are made and
    // deleted in every step, often on two threads: without this, each step would grow them
    // again from nothing, and the C library hand the memory back to the system in between.
    std::vector<std::string> spare_;
};

} // namespace chpimport
