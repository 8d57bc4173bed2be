#include "base/file.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "base/native_path.hpp"

namespace chpimport {
namespace {

// The test hooks: one object for the process, empty in a real run.
struct IoHooks {
    IoFaultHook fault = nullptr;
    void* faultContext = nullptr;
    IoLimitHook limit = nullptr;
    void* limitContext = nullptr;
};
IoHooks gIoHooks;

bool Inject(IoOp op) {
    return gIoHooks.fault != nullptr && gIoHooks.fault(op, gIoHooks.faultContext);
}

std::size_t Allowed(IoOp op, std::size_t count) {
    if (gIoHooks.limit == nullptr) return count;
    const std::size_t allowed = gIoHooks.limit(op, count, gIoHooks.limitContext);
    return allowed < count ? allowed : count;
}

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

} // namespace

void SetIoFaultHook(IoFaultHook hook, void* context) {
    gIoHooks.fault = hook;
    gIoHooks.faultContext = context;
}

void SetIoLimitHook(IoLimitHook hook, void* context) {
    gIoHooks.limit = hook;
    gIoHooks.limitContext = context;
}

File::~File() {
    Close();
}

File::File(File&& other) noexcept
    : fp_(std::exchange(other.fp_, nullptr)), buffer_(std::exchange(other.buffer_, nullptr)),
      error_(other.error_), openErrno_(other.openErrno_), last_(other.last_) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        fp_ = std::exchange(other.fp_, nullptr);
        buffer_ = std::exchange(other.buffer_, nullptr);
        error_ = other.error_;
        openErrno_ = other.openErrno_;
        last_ = other.last_;
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
    // A directory opens for reading on some systems; it is never a file we can use.
    if (IsDirectory(path)) {
        file.openErrno_ = EISDIR;
        return file;
    }
    errno = 0;
    file.fp_ = std::fopen(path.c_str(), ModeString(mode));
    if (file.fp_ == nullptr) file.openErrno_ = errno != 0 ? errno : EIO;
    if (file.fp_ != nullptr && bufferBytes > 0) {
        file.buffer_ = new char[bufferBytes];
        std::setvbuf(file.fp_, file.buffer_, _IOFBF, bufferBytes);
    }
    return file;
}

void File::SwitchTo(LastOp op) {
    // The C library needs a positioning call between reading and writing the same stream.
    if (last_ != LastOp::None && last_ != op) SeekRaw(fp_, 0, SEEK_CUR);
    last_ = op;
}

std::size_t File::Read(void* buffer, std::size_t count) {
    if (fp_ == nullptr || count == 0) return 0;
    if (Inject(IoOp::Read)) {
        error_ = true;
        return 0;
    }
    SwitchTo(LastOp::Read);
    const std::size_t allowed = Allowed(IoOp::Read, count);
    std::size_t got = allowed == 0 ? 0 : std::fread(buffer, 1, allowed, fp_);
    if (allowed < count || (got < count && std::ferror(fp_))) error_ = true;
    return got;
}

std::size_t File::Write(const void* buffer, std::size_t count) {
    if (fp_ == nullptr) return 0;
    if (count == 0) return 0;
    if (Inject(IoOp::Write)) {
        error_ = true;
        return 0;
    }
    SwitchTo(LastOp::Write);
    const std::size_t allowed = Allowed(IoOp::Write, count);
    std::size_t put = allowed == 0 ? 0 : std::fwrite(buffer, 1, allowed, fp_);
    if (put < count) error_ = true;
    return put;
}

bool File::Seek(std::int64_t offset, int origin) {
    if (fp_ == nullptr) return false;
    if (Inject(IoOp::Seek)) {
        error_ = true;
        return false;
    }
    if (SeekRaw(fp_, offset, origin) != 0) return false;
    last_ = LastOp::None;
    return true;
}

std::int64_t File::Tell() {
    return fp_ == nullptr ? -1 : TellRaw(fp_);
}

std::int64_t File::Size() {
    if (fp_ == nullptr) return -1;
    std::int64_t here = TellRaw(fp_);
    if (here < 0 || SeekRaw(fp_, 0, SEEK_END) != 0) return -1;
    std::int64_t end = TellRaw(fp_);
    SeekRaw(fp_, here, SEEK_SET);
    last_ = LastOp::None;
    return end;
}

bool File::Flush() {
    if (fp_ == nullptr) return false;
    if (Inject(IoOp::Write)) {
        error_ = true;
        return false;
    }
    if (std::fflush(fp_) != 0) error_ = true;
    return !error_;
}

bool File::Close() {
    if (fp_ == nullptr) return true;
    bool ok = true;
    if (Inject(IoOp::Close)) ok = false;
    if (std::fclose(fp_) != 0) ok = false;
    fp_ = nullptr;
    delete[] buffer_;
    buffer_ = nullptr;
    if (!ok) error_ = true;
    return ok && !error_;
}

std::string OpenFailureText(const File& failed) {
    if (failed.OpenErrno() == EISDIR) return "it is a folder, not a file";
    return std::strerror(failed.OpenErrno() != 0 ? failed.OpenErrno() : EIO);
}

bool RemoveFile(const std::string& path) {
    if (path.empty() || Inject(IoOp::Remove)) return false;
    return std::remove(path.c_str()) == 0;
}

bool RenameFile(const std::string& from, const std::string& to) {
    if (Inject(IoOp::Rename)) return false;
    std::error_code ec;
    std::filesystem::rename(ToFsPath(from), ToFsPath(to), ec);
    return !ec;
}

bool IsRegularFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(ToFsPath(path), ec);
}

bool IsDirectory(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(ToFsPath(path), ec);
}

bool IsSameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(ToFsPath(a), ToFsPath(b), ec);
}

} // namespace chpimport
