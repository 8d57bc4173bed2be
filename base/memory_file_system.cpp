#include "base/memory_file_system.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace chpimport {
namespace {

// The C library's remove() deletes empty folders too, except on Windows.
bool RemovesFolders(PathRules rules) {
    return rules != PathRules::Windows;
}

bool IsAbsolute(std::string_view path, PathRules rules) {
    if (rules == PathRules::Windows && path.size() >= 2 && path[1] == ':')
        return true; // a drive: a folder under the root
    return !path.empty() && path[0] == '/';
}

// Deleted files whose storage is kept for new ones, and the largest storage kept.
constexpr std::size_t kSpareFiles = 4;
constexpr std::size_t kMostSpareBytes = std::size_t{8} << 20;

// The key prefix that every entry inside the folder `key` has.
std::string ChildPrefix(const std::string& key) {
    return key == "/" ? key : key + "/";
}

} // namespace

class MemoryFileSystem::Stream final : public FileStream {
public:
    Stream(MemoryFileSystem& owner, std::shared_ptr<Inode> inode, OpenMode mode)
        : owner_(owner), inode_(std::move(inode)),
          canRead_(mode == OpenMode::Read || mode == OpenMode::ReadWrite ||
                   mode == OpenMode::CreateReadWrite),
          canWrite_(mode != OpenMode::Read), append_(mode == OpenMode::Append) {
        ++inode_->openStreams;
    }
    ~Stream() override { Close(); }

    std::size_t Read(void* buffer, std::size_t count) override {
        std::lock_guard<std::mutex> lock(owner_.mutex_);
        if (!canRead_) {
            error_ = true;
            return 0;
        }
        const std::string& data = inode_->data;
        if (position_ >= data.size()) return 0;
        const std::size_t got =
            static_cast<std::size_t>(std::min<std::uint64_t>(count, data.size() - position_));
        std::memcpy(buffer, data.data() + position_, got);
        position_ += got;
        return got;
    }

    std::size_t Write(const void* buffer, std::size_t count) override {
        std::lock_guard<std::mutex> lock(owner_.mutex_);
        if (!canWrite_) {
            error_ = true;
            return 0;
        }
        std::string& data = inode_->data;
        if (append_) position_ = data.size();
        const std::uint64_t room = position_ < kMaxFileBytes ? kMaxFileBytes - position_ : 0;
        const auto put = static_cast<std::size_t>(std::min<std::uint64_t>(count, room));
        if (put < count) error_ = true;
        if (put == 0) return 0;
        if (position_ == data.size()) {
            data.append(static_cast<const char*>(buffer), put); // no zeros written first
        } else {
            if (position_ + put > data.size())
                data.resize(static_cast<std::size_t>(position_ + put));
            std::memcpy(data.data() + position_, buffer, put);
        }
        owner_.Note([&] {
            return Event{
                Event::Kind::Write, "",        "",
                inode_->id,         position_, std::string(static_cast<const char*>(buffer), put)};
        });
        position_ += put;
        return put;
    }

    bool Seek(std::int64_t offset, int origin) override {
        std::lock_guard<std::mutex> lock(owner_.mutex_);
        std::int64_t base = 0;
        if (origin == SEEK_CUR)
            base = static_cast<std::int64_t>(position_);
        else if (origin == SEEK_END)
            base = static_cast<std::int64_t>(inode_->data.size());
        else if (origin != SEEK_SET)
            return false;
        if (offset > 0 && base > INT64_MAX - offset) return false;
        if (base + offset < 0) return false;
        position_ = static_cast<std::uint64_t>(base + offset);
        return true;
    }

    std::int64_t Tell() override { return static_cast<std::int64_t>(position_); }

    std::int64_t Size() override {
        std::lock_guard<std::mutex> lock(owner_.mutex_);
        return static_cast<std::int64_t>(inode_->data.size());
    }

    bool Flush() override { return true; }

    bool Sync() override {
        std::lock_guard<std::mutex> lock(owner_.mutex_);
        owner_.Note([&] { return Event{Event::Kind::SyncFile, "", "", inode_->id, 0, {}}; });
        return true;
    }

    bool Close() override {
        std::lock_guard<std::mutex> lock(owner_.mutex_);
        if (!closed_) --inode_->openStreams;
        closed_ = true;
        return true;
    }
    bool HadError() const override { return error_; }

private:
    MemoryFileSystem& owner_;
    std::shared_ptr<Inode> inode_;
    const bool canRead_;
    const bool canWrite_;
    const bool append_;
    std::uint64_t position_ = 0;
    bool error_ = false;
    bool closed_ = false;
};

// Windows refuses to delete or rename a file that is open (the C library opens without
// sharing deletion).
bool MemoryFileSystem::Busy(const std::shared_ptr<Inode>& file) const {
    return Windows() && file && file->openStreams > 0;
}

MemoryFileSystem::MemoryFileSystem(PathRules rules) : rules_(rules) {
    entries_["/"] = Entry{"/", nullptr};
}

MemoryFileSystem::~MemoryFileSystem() = default;

std::string MemoryFileSystem::Key(const std::string& path, PathRules rules) {
    std::string key = path;
    if (rules == PathRules::Windows)
        for (char& c : key)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return key;
}

bool MemoryFileSystem::Resolve(const std::string& raw, Resolved& out, int& error) const {
    // The system's calls take the path up to its first NUL.
    std::string input(raw.c_str());
    if (Windows()) std::replace(input.begin(), input.end(), '\\', '/');
    if (input.empty()) {
        error = ENOENT;
        return false;
    }
    std::string& path = out.key;
    path.clear();
    if (!IsAbsolute(input, rules_) && current_ != "/") path = current_;
    path.reserve(path.size() + input.size() + 1);
    for (std::size_t at = 0; at <= input.size();) {
        std::size_t end = input.find('/', at);
        if (end == std::string_view::npos) end = input.size();
        std::string_view part(input.data() + at, end - at);
        at = end + 1;
        if (Windows()) {
            // Windows drops the dots and blanks that end a name, and takes ".." by the text
            // alone.
            if (part != "." && part != "..")
                while (!part.empty() && (part.back() == '.' || part.back() == ' '))
                    part.remove_suffix(1);
            if (part == "..") {
                path.erase(path.empty() ? 0 : path.rfind('/'));
                continue;
            }
        }
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            // POSIX goes back out of a folder only through one that exists.
            const Entry* folder = Find(path.empty() ? std::string_view("/") : path);
            if (folder == nullptr || folder->file) {
                error = folder == nullptr ? ENOENT : ENOTDIR;
                return false;
            }
            path.erase(path.empty() ? 0 : path.rfind('/'));
            continue;
        }
        path += '/';
        path += part;
    }
    if (path.empty()) path.push_back('/');
    if (Windows()) {
        out.path = path;
        out.key = Key(out.path, rules_);
    }
    // The name's folder must exist; folders are only made in folders that exist, and only
    // deleted once empty, so every folder above it exists too.
    const std::string& key = out.key;
    if (key != "/") {
        const std::size_t slash = key.rfind('/');
        const Entry* folder = Find(std::string_view(key).substr(0, slash == 0 ? 1 : slash));
        if (folder == nullptr || folder->file) {
            error = folder == nullptr ? ENOENT : ENOTDIR;
            return false;
        }
    }
    out.folderOnly = input.back() == '/';
    return true;
}

const MemoryFileSystem::Entry* MemoryFileSystem::Find(std::string_view key) const {
    auto it = entries_.find(key);
    return it == entries_.end() ? nullptr : &it->second;
}

bool MemoryFileSystem::HasChildren(const std::string& key) const {
    const std::string prefix = ChildPrefix(key);
    auto it = entries_.upper_bound(key);
    while (it != entries_.end() && it->first.compare(0, prefix.size(), prefix) != 0 &&
           it->first.compare(0, key.size(), key) == 0)
        ++it; // names that only start like the folder's ("/a b" after "/a")
    return it != entries_.end() && it->first.compare(0, prefix.size(), prefix) == 0;
}

bool MemoryFileSystem::SetCurrentFolder(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    Resolved r;
    int error = 0;
    if (!Resolve(path, r, error)) return false;
    const Entry* entry = Find(r.key);
    if (entry == nullptr || entry->file) return false;
    current_ = entry->path;
    return true;
}

void MemoryFileSystem::Record(std::vector<Event>* journal) {
    std::lock_guard<std::mutex> lock(mutex_);
    journal_ = journal;
}

std::map<std::string, MemoryFileSystem::Node> MemoryFileSystem::Tree() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::map<std::string, Node> tree;
    for (const auto& [key, entry] : entries_) {
        if (key == "/") continue;
        tree[entry.path] =
            entry.file ? Node{false, entry.file->id, entry.file->data} : Node{true, 0, {}};
    }
    return tree;
}

std::unique_ptr<FileStream> MemoryFileSystem::Open(const std::string& path, OpenMode mode,
                                                   std::size_t, int& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    Resolved r;
    if (!Resolve(path, r, error)) return nullptr;
    auto it = entries_.find(r.key);
    const bool creates = mode != OpenMode::Read && mode != OpenMode::ReadWrite;
    if (it != entries_.end() && !it->second.file) {
        error = EISDIR;
        return nullptr;
    }
    if (r.folderOnly) {
        error = it != entries_.end() ? ENOTDIR : creates ? EISDIR : ENOENT;
        return nullptr;
    }
    std::shared_ptr<Inode> inode;
    if (it == entries_.end()) {
        if (!creates) {
            error = ENOENT;
            return nullptr;
        }
        inode = std::make_shared<Inode>(Inode{nextId_++, FreshData()});
        entries_[r.key] = Entry{r.Path(), inode};
        Note([&] { return Event{Event::Kind::CreateFile, r.Path(), "", inode->id, 0, {}}; });
    } else {
        inode = it->second.file;
        if (mode == OpenMode::Create || mode == OpenMode::CreateReadWrite) {
            inode->data.clear();
            Note([&] {
                return Event{Event::Kind::Truncate, it->second.path, "", inode->id, 0, {}};
            });
        }
    }
    return std::make_unique<Stream>(*this, std::move(inode), mode);
}

bool MemoryFileSystem::Remove(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    Resolved r;
    int error = 0;
    if (!Resolve(path, r, error) || r.key == "/") return false;
    auto it = entries_.find(r.key);
    if (it == entries_.end() || (r.folderOnly && it->second.file)) return false;
    if (!it->second.file && (HasChildren(r.key) || !RemovesFolders(rules_))) return false;
    if (Busy(it->second.file)) return false;
    Note([&] { return Event{Event::Kind::Remove, it->second.path, "", 0, 0, {}}; });
    Recycle(it->second.file);
    entries_.erase(it);
    return true;
}

std::string MemoryFileSystem::FreshData() {
    if (spare_.empty()) return {};
    std::string data = std::move(spare_.back());
    spare_.pop_back();
    return data;
}

void MemoryFileSystem::Recycle(std::shared_ptr<Inode>& file) {
    if (!file || file.use_count() != 1 || spare_.size() >= kSpareFiles ||
        file->data.capacity() > kMostSpareBytes)
        return;
    file->data.clear();
    spare_.push_back(std::move(file->data));
}

bool MemoryFileSystem::Rename(const std::string& from, const std::string& to, bool) {
    std::lock_guard<std::mutex> lock(mutex_);
    Resolved source, target;
    int error = 0;
    if (!Resolve(from, source, error) || !Resolve(to, target, error)) return false;
    auto it = entries_.find(source.key);
    if (it == entries_.end() || source.key == "/" || target.key == "/") return false;
    const bool isFile = it->second.file != nullptr;
    if (isFile && (source.folderOnly || target.folderOnly)) return false;
    if (source.key == target.key) return true; // one entry: nothing moves
    const Entry* existing = Find(target.key);
    if (existing != nullptr) {
        // A file replaces a file, a folder only an empty folder (on Windows none).
        if (isFile != (existing->file != nullptr)) return false;
        if (!isFile && (HasChildren(target.key) || !RemovesFolders(rules_))) return false;
        if (Busy(existing->file)) return false;
    }
    if (Busy(it->second.file)) return false;
    // A folder can't go inside itself.
    if (!isFile && target.key.compare(0, source.key.size() + 1, source.key + "/") == 0)
        return false;
    Note([&] {
        return Event{Event::Kind::Rename,
                     it->second.path,
                     target.Path(),
                     isFile ? it->second.file->id : 0,
                     0,
                     {}};
    });
    std::vector<std::pair<std::string, Entry>> moving;
    const std::string prefix = ChildPrefix(source.key);
    for (auto at = it; at != entries_.end();) {
        const bool inside = at->first.compare(0, prefix.size(), prefix) == 0;
        if (at->first != source.key && !inside) {
            if (at->first.compare(0, source.key.size(), source.key) != 0) break;
            ++at; // a name that only starts like the folder's
            continue;
        }
        const std::size_t keep = at->first.size() - source.key.size();
        Entry entry = at->second;
        entry.path = target.Path() + entry.path.substr(entry.path.size() - keep);
        moving.emplace_back(target.key + at->first.substr(source.key.size()), std::move(entry));
        at = entries_.erase(at);
    }
    if (auto replaced = entries_.find(target.key); replaced != entries_.end()) {
        Recycle(replaced->second.file);
        entries_.erase(replaced);
    }
    for (auto& [key, entry] : moving) entries_[key] = std::move(entry);
    return true;
}

bool MemoryFileSystem::SyncFile(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    Resolved r;
    int error = 0;
    if (!Resolve(path, r, error)) return false;
    const Entry* entry = Find(r.key);
    if (entry == nullptr || !entry->file || r.folderOnly) return false;
    Note([&] { return Event{Event::Kind::SyncFile, entry->path, "", entry->file->id, 0, {}}; });
    return true;
}

bool MemoryFileSystem::SyncFolder(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    Resolved r;
    int error = 0;
    if (!Resolve(path, r, error)) return false;
    const Entry* entry = Find(r.key);
    if (entry == nullptr || entry->file) return false;
    Note([&] { return Event{Event::Kind::SyncFolder, entry->path, "", 0, 0, {}}; });
    return true;
}

PathKind MemoryFileSystem::Kind(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    Resolved r;
    int error = 0;
    if (!Resolve(path, r, error)) return PathKind::None;
    const Entry* entry = Find(r.key);
    if (entry == nullptr) return PathKind::None;
    if (!entry->file) return PathKind::Folder;
    return r.folderOnly ? PathKind::None : PathKind::File;
}

bool MemoryFileSystem::SameFile(const std::string& a, const std::string& b) {
    std::lock_guard<std::mutex> lock(mutex_);
    Resolved ra, rb;
    int error = 0;
    if (!Resolve(a, ra, error) || !Resolve(b, rb, error)) return false;
    return ra.key == rb.key && Find(ra.key) != nullptr;
}

bool MemoryFileSystem::List(const std::string& folder, std::vector<std::string>& names) {
    std::lock_guard<std::mutex> lock(mutex_);
    Resolved r;
    int error = 0;
    if (!Resolve(folder, r, error)) return false;
    const Entry* entry = Find(r.key);
    if (entry == nullptr || entry->file) return false;
    const std::string prefix = ChildPrefix(r.key);
    for (auto it = entries_.upper_bound(r.key); it != entries_.end(); ++it) {
        if (it->first.compare(0, prefix.size(), prefix) != 0) {
            if (it->first.compare(0, r.key.size(), r.key) == 0) continue;
            break;
        }
        if (it->first.find('/', prefix.size()) == std::string::npos)
            names.push_back(it->second.path.substr(prefix.size()));
    }
    return true;
}

bool MemoryFileSystem::CreateFolder(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    Resolved r;
    int error = 0;
    if (!Resolve(path, r, error) || Find(r.key) != nullptr) return false;
    entries_[r.key] = Entry{r.Path(), nullptr};
    Note([&] { return Event{Event::Kind::CreateFolder, r.Path(), "", 0, 0, {}}; });
    return true;
}

} // namespace chpimport
