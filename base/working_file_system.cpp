#include "base/working_file_system.hpp"

#include <cstdio>
#include <utility>

#include "base/native_path.hpp"

namespace chpimport {
namespace {

FileSystem& Beneath() {
    return ActiveFileSystem();
}

bool IsSeparator(char c) {
    return c == '/' || (kSystemPathRules == PathRules::Windows && c == '\\');
}

} // namespace

// A stream on a file in memory that moves itself to the disk before a write would take the
// file past the limit.
class WorkingFileSystem::Stream final : public FileStream {
public:
    Stream(WorkingFileSystem& owner, std::string path, std::unique_ptr<FileStream> inner,
           std::size_t bufferBytes)
        : owner_(owner), path_(std::move(path)), inner_(std::move(inner)),
          bufferBytes_(bufferBytes) {}
    ~Stream() override { Close(); }

    std::size_t Read(void* buffer, std::size_t count) override {
        return inner_->Read(buffer, count);
    }
    std::size_t Write(const void* buffer, std::size_t count) override {
        if (inMemory_ && static_cast<std::uint64_t>(inner_->Tell()) + count > owner_.spillBytes_) {
            std::unique_ptr<FileStream> disk = owner_.Spill(path_, *inner_, bufferBytes_);
            if (!disk) {
                spillFailed_ = true;
                return 0;
            }
            inner_ = std::move(disk);
            inMemory_ = false;
        }
        return inner_->Write(buffer, count);
    }
    bool Seek(std::int64_t offset, int origin) override { return inner_->Seek(offset, origin); }
    std::int64_t Tell() override { return inner_->Tell(); }
    std::int64_t Size() override { return inner_->Size(); }
    bool Flush() override { return inner_->Flush(); }
    bool Sync() override { return inner_->Sync(); }
    bool Close() override { return inner_->Close() && !spillFailed_; }
    bool HadError() const override { return spillFailed_ || inner_->HadError(); }

private:
    WorkingFileSystem& owner_;
    std::string path_;
    std::unique_ptr<FileStream> inner_;
    std::size_t bufferBytes_;
    bool inMemory_ = true;
    bool spillFailed_ = false;
};

WorkingFileSystem::WorkingFileSystem(const std::string& folder, std::uint64_t spillBytes)
    : spillBytes_(spillBytes) {
    // The memory holds the folder's own path, each folder above it made in turn (a drive is a
    // folder below the root).
    for (std::size_t at = 1; at < folder.size(); ++at)
        if (IsSeparator(folder[at])) memory_.CreateFolder(folder.substr(0, at));
    memory_.CreateFolder(folder);
}

bool WorkingFileSystem::OnDisk(const std::string& path) const {
    return onDisk_.count(MemoryFileSystem::Key(path)) != 0;
}

std::unique_ptr<FileStream> WorkingFileSystem::Open(const std::string& path, OpenMode mode,
                                                    std::size_t bufferBytes, int& error) {
    const bool creates = mode == OpenMode::Create || mode == OpenMode::CreateReadWrite;
    if (creates && OnDisk(path)) {
        // Made anew, it starts small again.
        Beneath().Remove(path);
        onDisk_.erase(MemoryFileSystem::Key(path));
    }
    if (OnDisk(path) || mode == OpenMode::Append)
        return Beneath().Open(path, mode, bufferBytes, error);
    std::unique_ptr<FileStream> inner = memory_.Open(path, mode, bufferBytes, error);
    if (!inner) return nullptr;
    if (mode == OpenMode::Read) return inner;
    return std::make_unique<Stream>(*this, path, std::move(inner), bufferBytes);
}

std::unique_ptr<FileStream> WorkingFileSystem::Spill(const std::string& path, FileStream& inMemory,
                                                     std::size_t bufferBytes) {
    const std::int64_t position = inMemory.Tell();
    const std::int64_t size = inMemory.Size();
    std::string data(static_cast<std::size_t>(size), '\0');
    if (position < 0 || size < 0 || !inMemory.Seek(0, SEEK_SET) ||
        inMemory.Read(data.data(), data.size()) != data.size())
        return nullptr;
    int error = 0;
    std::unique_ptr<FileStream> disk =
        Beneath().Open(path, OpenMode::CreateReadWrite, bufferBytes, error);
    if (!disk || disk->Write(data.data(), data.size()) != data.size() ||
        !disk->Seek(position, SEEK_SET)) {
        if (disk) disk->Close();
        Beneath().Remove(path);
        return nullptr;
    }
    inMemory.Close();
    memory_.Remove(path);
    onDisk_.insert(MemoryFileSystem::Key(path));
    return disk;
}

bool WorkingFileSystem::Remove(const std::string& path) {
    if (!OnDisk(path)) return memory_.Remove(path);
    onDisk_.erase(MemoryFileSystem::Key(path));
    return Beneath().Remove(path);
}

bool WorkingFileSystem::Rename(const std::string& from, const std::string& to, bool) {
    if (OnDisk(from) || OnDisk(to)) return false; // never asked of working files
    return memory_.Rename(from, to, false);
}

// Working files are gone when the process is: nothing to wait for.
bool WorkingFileSystem::SyncFile(const std::string& path) {
    return Kind(path) == PathKind::File;
}

bool WorkingFileSystem::SyncFolder(const std::string& path) {
    return Kind(path) == PathKind::Folder;
}

PathKind WorkingFileSystem::Kind(const std::string& path) {
    return OnDisk(path) ? Beneath().Kind(path) : memory_.Kind(path);
}

bool WorkingFileSystem::SameFile(const std::string& a, const std::string& b) {
    if (OnDisk(a) != OnDisk(b)) return false;
    return OnDisk(a) ? Beneath().SameFile(a, b) : memory_.SameFile(a, b);
}

bool WorkingFileSystem::List(const std::string& folder, std::vector<std::string>& names) {
    if (!memory_.List(folder, names)) return false;
    std::vector<std::string> disk;
    if (Beneath().List(folder, disk))
        for (std::string& name : disk)
            if (OnDisk(JoinPath(folder, name))) names.push_back(std::move(name));
    return true;
}

bool WorkingFileSystem::CreateFolder(const std::string& path) {
    // Both, so that a file moved to the disk finds its folder there.
    return memory_.CreateFolder(path) && Beneath().CreateFolder(path);
}

} // namespace chpimport
