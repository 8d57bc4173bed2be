#include "base/file.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

#include "base/file_system.hpp"

namespace chpimport {
namespace {

// The test hooks and the file system in use: one object for the process, the disk and no
// hooks in a real run.
struct IoState {
    IoFaultHook fault = nullptr;
    void* faultContext = nullptr;
    IoLimitHook limit = nullptr;
    void* limitContext = nullptr;
    FileSystem* system = nullptr;
};
IoState gIo;

bool Inject(IoOp op) {
    return gIo.fault != nullptr && gIo.fault(op, gIo.faultContext);
}

std::size_t Allowed(IoOp op, std::size_t count) {
    if (gIo.limit == nullptr) return count;
    const std::size_t allowed = gIo.limit(op, count, gIo.limitContext);
    return allowed < count ? allowed : count;
}

// The folder that holds the entry `path` names, as the file system in use takes it.
std::string ParentFolder(const std::string& path) {
    if (ActiveFileSystem().Rules() == PathRules::Windows) {
        const std::size_t slash = path.find_last_of("\\/");
        const std::size_t drive = path.size() >= 2 && path[1] == ':' ? 2 : 0;
        if (slash == std::string::npos) return drive > 0 ? path.substr(0, drive) : ".";
        return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
    }
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

// Folders served by a file system of their own (a working folder in memory). Each worker of
// an import has one, mounted before the workers start; the lock keeps the list whole anyway.
struct Mount {
    std::string folder;
    FileSystem* system;
};
std::mutex gMountsMutex;
std::vector<Mount> gMounts;

bool IsInside(const std::string& folder, const std::string& path) {
    if (path.size() < folder.size() || path.compare(0, folder.size(), folder) != 0) return false;
    if (path.size() == folder.size()) return true;
    const char next = path[folder.size()];
    return next == '/' || (ActiveFileSystem().Rules() == PathRules::Windows && next == '\\');
}

FileSystem& SystemFor(const std::string& path) {
    std::lock_guard<std::mutex> lock(gMountsMutex);
    for (const Mount& mount : gMounts)
        if (IsInside(mount.folder, path)) return *mount.system;
    return ActiveFileSystem();
}

} // namespace

void MountFolder(const std::string& folder, FileSystem& system) {
    std::lock_guard<std::mutex> lock(gMountsMutex);
    gMounts.push_back(Mount{folder, &system});
}

void UnmountFolder(const std::string& folder) {
    std::lock_guard<std::mutex> lock(gMountsMutex);
    std::erase_if(gMounts, [&](const Mount& mount) { return mount.folder == folder; });
}

void SetIoFaultHook(IoFaultHook hook, void* context) {
    gIo.fault = hook;
    gIo.faultContext = context;
}

void SetIoLimitHook(IoLimitHook hook, void* context) {
    gIo.limit = hook;
    gIo.limitContext = context;
}

FileSystem& ActiveFileSystem() {
    return gIo.system != nullptr ? *gIo.system : DiskFileSystem();
}

void UseFileSystem(FileSystem* system) {
    gIo.system = system;
}

File::File() = default;

File::~File() {
    Close();
}

File::File(File&& other) noexcept
    : stream_(std::move(other.stream_)), error_(other.error_), openErrno_(other.openErrno_) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        stream_ = std::move(other.stream_);
        error_ = other.error_;
        openErrno_ = other.openErrno_;
    }
    return *this;
}

File File::Open(const std::string& path, OpenMode mode, std::size_t bufferBytes) {
    File file;
    if (path.empty()) {
        file.openErrno_ = ENOENT;
        return file;
    }
    if (Inject(IoOp::Open)) {
        file.openErrno_ = EIO;
        return file;
    }
    int error = 0;
    file.stream_ = SystemFor(path).Open(path, mode, bufferBytes, error);
    if (!file.stream_) file.openErrno_ = error != 0 ? error : EIO;
    return file;
}

std::size_t File::Read(void* buffer, std::size_t count) {
    if (!stream_ || count == 0) return 0;
    if (Inject(IoOp::Read)) {
        error_ = true;
        return 0;
    }
    const std::size_t allowed = Allowed(IoOp::Read, count);
    const std::size_t got = allowed == 0 ? 0 : stream_->Read(buffer, allowed);
    if (allowed < count || (got < count && stream_->HadError())) error_ = true;
    return got;
}

std::size_t File::Write(const void* buffer, std::size_t count) {
    if (!stream_ || count == 0) return 0;
    if (Inject(IoOp::Write)) {
        error_ = true;
        return 0;
    }
    const std::size_t allowed = Allowed(IoOp::Write, count);
    const std::size_t put = allowed == 0 ? 0 : stream_->Write(buffer, allowed);
    if (put < count) error_ = true;
    return put;
}

bool File::Seek(std::int64_t offset, int origin) {
    if (!stream_) return false;
    if (Inject(IoOp::Seek)) {
        error_ = true;
        return false;
    }
    return stream_->Seek(offset, origin);
}

std::int64_t File::Tell() {
    return stream_ ? stream_->Tell() : -1;
}

std::int64_t File::Size() {
    return stream_ ? stream_->Size() : -1;
}

bool File::Flush() {
    if (!stream_) return false;
    if (Inject(IoOp::Write)) {
        error_ = true;
        return false;
    }
    if (!stream_->Flush()) error_ = true;
    return !error_;
}

bool File::Sync() {
    if (!stream_) return false;
    if (Inject(IoOp::Sync) || !stream_->Sync()) error_ = true;
    return !error_;
}

bool File::Close() {
    if (!stream_) return true;
    bool ok = !Inject(IoOp::Close);
    if (!stream_->Close()) ok = false;
    stream_.reset();
    if (!ok) error_ = true;
    return ok && !error_;
}

std::string OpenFailureText(const File& failed) {
    if (failed.OpenErrno() == EISDIR) return "it is a folder, not a file";
    return std::strerror(failed.OpenErrno() != 0 ? failed.OpenErrno() : EIO);
}

bool RemoveFile(const std::string& path) {
    if (path.empty() || Inject(IoOp::Remove)) return false;
    return SystemFor(path).Remove(path);
}

bool RenameFile(const std::string& from, const std::string& to) {
    if (Inject(IoOp::Rename)) return false;
    FileSystem& system = SystemFor(from);
    return &system == &SystemFor(to) && system.Rename(from, to, false);
}

bool ReplaceDurably(const std::string& fresh, const std::string& path, FolderSyncs* later) {
    FileSystem& system = SystemFor(fresh);
    if (&system != &SystemFor(path)) return false;
    // A rename can reach the disk before the data of the file it names: without this, a
    // power cut could leave `path` empty or cut short, the old file gone.
    if (Inject(IoOp::Sync) || !system.SyncFile(fresh)) return false;
    if (Inject(IoOp::Rename) || !system.Rename(fresh, path, true)) return false;
    // The new name itself is only on the disk once the folder is.
    if (later != nullptr) {
        later->Add(ParentFolder(path));
        return true;
    }
    return !Inject(IoOp::Sync) && system.SyncFolder(ParentFolder(path));
}

void FolderSyncs::Add(const std::string& folder) {
    if (std::find(folders_.begin(), folders_.end(), folder) == folders_.end())
        folders_.push_back(folder);
}

bool FolderSyncs::SyncAll() {
    bool ok = true;
    for (const std::string& folder : folders_)
        if (Inject(IoOp::Sync) || !SystemFor(folder).SyncFolder(folder)) ok = false;
    folders_.clear();
    return ok;
}

bool IsRegularFile(const std::string& path) {
    return !path.empty() && SystemFor(path).Kind(path) == PathKind::File;
}

bool IsDirectory(const std::string& path) {
    return !path.empty() && SystemFor(path).Kind(path) == PathKind::Folder;
}

bool IsSameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    FileSystem& system = SystemFor(a);
    return &system == &SystemFor(b) && system.SameFile(a, b);
}

bool ListFolder(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    return SystemFor(folder).List(folder, names);
}

bool CreateFolder(const std::string& path) {
    return !path.empty() && SystemFor(path).CreateFolder(path);
}

} // namespace chpimport
