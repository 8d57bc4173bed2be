#include "scratch.hpp"

#include <cstdlib>
#include <filesystem>
#include <random>
#include <system_error>
#include <vector>

#include "base/file.hpp"
#include "base/file_system.hpp"

namespace fuzzing {
namespace fs = std::filesystem;
using namespace chpimport;
namespace {

constexpr const char* kMemoryRoot = "/scratch";

fs::path DiskBase() {
    std::error_code ec;
    if (const char* chosen = std::getenv("CHPIMPORT_FUZZ_DIR"); chosen && *chosen) return chosen;
    // Millions of small files a minute: keep them off the disk where memory can hold them.
    if (fs::is_directory("/dev/shm", ec)) return "/dev/shm";
    fs::path temp = fs::temp_directory_path(ec);
    return ec ? fs::path(".") : temp;
}

std::string MakeDiskRoot() {
    std::error_code ec;
    const fs::path base = DiskBase();
    fs::create_directories(base, ec);
    std::random_device random;
    for (int attempt = 0; attempt < 64; ++attempt) {
        fs::path candidate = base / ("chpimport-fuzz-" + std::to_string(random()));
        if (fs::create_directory(candidate, ec)) return candidate.string();
    }
    std::abort(); // nowhere to put the inputs: nothing can be tested
}

} // namespace

Scratch& Scratch::Get() {
    static Scratch scratch;
    return scratch;
}

Scratch::~Scratch() {
    if (disk_.empty()) return;
    std::error_code ec;
    fs::remove_all(disk_, ec);
}

std::string Scratch::Root() {
    if (&ActiveFileSystem() != &DiskFileSystem()) {
        if (!IsDirectory(kMemoryRoot) && !CreateFolder(kMemoryRoot)) std::abort();
        return kMemoryRoot;
    }
    if (disk_.empty()) disk_ = MakeDiskRoot();
    return disk_;
}

std::string Scratch::Fresh(std::string_view name) {
    const std::string folder = InFolder(Root(), name);
    RemoveTree(folder);
    CreateFolder(folder);
    return folder;
}

std::string Scratch::Folder(std::string_view name) {
    const std::string folder = InFolder(Root(), name);
    if (!IsDirectory(folder)) CreateFolder(folder);
    return folder;
}

std::string InFolder(const std::string& folder, std::string_view name) {
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path += folder;
    path += '/';
    path += name;
    return path;
}

bool WriteBytes(const std::string& path, const std::uint8_t* data, std::size_t size) {
    File out = File::Open(path, OpenMode::Create);
    bool ok = out && out.Write(data, size) == size;
    return out.Close() && ok;
}

bool WriteText(const std::string& path, std::string_view bytes) {
    return WriteBytes(path, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::string ReadBytes(const std::string& path) {
    std::string bytes;
    File in = File::Open(path, OpenMode::Read);
    if (!in) return bytes;
    char buffer[16384];
    for (std::size_t got; (got = in.Read(buffer, sizeof buffer)) > 0;) bytes.append(buffer, got);
    return bytes;
}

void RemoveTree(const std::string& path) {
    std::vector<std::string> names;
    if (IsDirectory(path) && ListFolder(path, names))
        for (const std::string& name : names) RemoveTree(InFolder(path, name));
    RemoveFile(path);
}

} // namespace fuzzing
