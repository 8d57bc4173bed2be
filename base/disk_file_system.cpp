#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "base/file_system.hpp"
#include "base/native_path.hpp"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace chpimport {
namespace {

int SeekRaw(std::FILE* fp, std::int64_t offset, int origin) {
#ifdef _WIN32
    return _fseeki64(fp, offset, origin);
#else
    return fseeko(fp, static_cast<off_t>(offset), origin);
#endif
}

std::int64_t TellRaw(std::FILE* fp) {
#ifdef _WIN32
    return _ftelli64(fp);
#else
    return static_cast<std::int64_t>(ftello(fp));
#endif
}

const char* ModeString(OpenMode mode) {
    switch (mode) {
    case OpenMode::Read:
        return "rb";
    case OpenMode::ReadWrite:
        return "r+b";
    case OpenMode::Create:
        return "wb";
    case OpenMode::CreateReadWrite:
        return "w+b";
    case OpenMode::Append:
        return "ab";
    }
    return "rb";
}

#ifndef _WIN32
bool SyncDescriptor(int fd) {
#ifdef __APPLE__
    return ::fsync(fd) == 0;
#else
    // The data and the length that reads need; the rest of the metadata can wait.
    return ::fdatasync(fd) == 0;
#endif
}
#endif

// A C library stream, with the buffer it was given.
class DiskStream final : public FileStream {
public:
    DiskStream(std::FILE* fp, std::size_t bufferBytes, bool readable)
        : fp_(fp), readable_(readable) {
        if (bufferBytes > 0) {
            buffer_ = std::make_unique<char[]>(bufferBytes);
            std::setvbuf(fp_, buffer_.get(), _IOFBF, bufferBytes);
        }
    }
    ~DiskStream() override { Close(); }

    std::size_t Read(void* buffer, std::size_t count) override {
        // Some C libraries (Wine's) return nothing from a write-only stream without marking
        // an error: make it one everywhere.
        if (!readable_) {
            unreadable_ = true;
            return 0;
        }
        SwitchTo(LastOp::Read);
        return std::fread(buffer, 1, count, fp_);
    }
    std::size_t Write(const void* buffer, std::size_t count) override {
        SwitchTo(LastOp::Write);
        return std::fwrite(buffer, 1, count, fp_);
    }
    bool Seek(std::int64_t offset, int origin) override {
        if (SeekRaw(fp_, offset, origin) != 0) return false;
        last_ = LastOp::None;
        return true;
    }
    std::int64_t Tell() override { return TellRaw(fp_); }
    std::int64_t Size() override {
        const std::int64_t here = TellRaw(fp_);
        if (here < 0 || SeekRaw(fp_, 0, SEEK_END) != 0) return -1;
        const std::int64_t end = TellRaw(fp_);
        SeekRaw(fp_, here, SEEK_SET);
        last_ = LastOp::None;
        return end;
    }
    bool Flush() override { return std::fflush(fp_) == 0; }
    bool Sync() override {
        if (std::fflush(fp_) != 0) return false;
#ifdef _WIN32
        return FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(fp_)))) != 0;
#else
        return SyncDescriptor(fileno(fp_));
#endif
    }
    bool Close() override {
        if (fp_ == nullptr) return true;
        const bool ok = std::fclose(fp_) == 0;
        fp_ = nullptr;
        return ok;
    }
    bool HadError() const override {
        return fp_ != nullptr && (unreadable_ || std::ferror(fp_) != 0);
    }

private:
    enum class LastOp { None, Read, Write };
    void SwitchTo(LastOp op) {
        // The C library needs a positioning call between reading and writing one stream.
        if (last_ != LastOp::None && last_ != op) SeekRaw(fp_, 0, SEEK_CUR);
        last_ = op;
    }

    std::FILE* fp_;
    std::unique_ptr<char[]> buffer_; // outlives the stream: fclose may still write from it
    LastOp last_ = LastOp::None;
    bool readable_;
    bool unreadable_ = false; // a read was tried on a write-only stream
};

class Disk final : public FileSystem {
public:
    std::unique_ptr<FileStream> Open(const std::string& path, OpenMode mode,
                                     std::size_t bufferBytes, int& error) override {
        // A folder opens for reading on some systems; it is never a file we can use.
        if (Kind(path) == PathKind::Folder) {
            error = EISDIR;
            return nullptr;
        }
        errno = 0;
        std::FILE* fp = std::fopen(path.c_str(), ModeString(mode));
        if (fp == nullptr) {
            error = errno != 0 ? errno : EIO;
            return nullptr;
        }
        const bool readable = mode != OpenMode::Create && mode != OpenMode::Append;
        return std::make_unique<DiskStream>(fp, bufferBytes, readable);
    }

    bool Remove(const std::string& path) override { return std::remove(path.c_str()) == 0; }

    bool Rename(const std::string& from, const std::string& to, bool writeThrough) override {
#ifdef _WIN32
        if (writeThrough)
            return MoveFileExA(from.c_str(), to.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
        (void)writeThrough; // POSIX has no such rename: SyncFolder makes it durable
#endif
        std::error_code ec;
        std::filesystem::rename(ToFsPath(from), ToFsPath(to), ec);
        return !ec;
    }

    bool SyncFile(const std::string& path) override {
#ifdef _WIN32
        // Only a handle with write access may flush.
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        const bool ok = FlushFileBuffers(file) != 0;
        CloseHandle(file);
        return ok;
#else
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        const bool ok = SyncDescriptor(fd);
        ::close(fd);
        return ok;
#endif
    }

    bool SyncFolder(const std::string& path) override {
#ifdef _WIN32
        (void)path; // the write-through rename already put the entry on the disk
        return true;
#else
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return false;
        // Some file systems can't sync a folder (EINVAL): they keep their entries anyway.
        const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
        ::close(fd);
        return ok;
#endif
    }

    PathKind Kind(const std::string& path) override {
        std::error_code ec;
        const std::filesystem::file_status status = std::filesystem::status(ToFsPath(path), ec);
        // "file/" names no file on POSIX; Wine finds the file: refuse it everywhere.
        const bool folderName = !path.empty() && (path.back() == '/' || path.back() == '\\');
        if (std::filesystem::is_regular_file(status) && !folderName) return PathKind::File;
        if (std::filesystem::is_directory(status)) return PathKind::Folder;
        return PathKind::None;
    }

    bool SameFile(const std::string& a, const std::string& b) override {
        std::error_code ec;
        return std::filesystem::equivalent(ToFsPath(a), ToFsPath(b), ec);
    }

    bool List(const std::string& folder, std::vector<std::string>& names) override {
        namespace fs = std::filesystem;
        std::error_code ec;
        fs::directory_iterator it(ToFsPath(folder.empty() ? "." : folder), ec);
        if (ec) return false;
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            // A name without a narrow form can't be opened by one: it is left out.
            if (std::optional<std::string> name = FromFsPath(it->path().filename()))
                names.push_back(std::move(*name));
        }
        return !ec;
    }

    bool CreateFolder(const std::string& path) override {
        std::error_code ec;
        return std::filesystem::create_directory(ToFsPath(path), ec);
    }
};

} // namespace

FileSystem& DiskFileSystem() {
    static Disk disk;
    return disk;
}

} // namespace chpimport
