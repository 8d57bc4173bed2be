#include "scratch.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

namespace fuzzing {
namespace fs = std::filesystem;
namespace {

fs::path BaseFolder() {
    std::error_code ec;
    if (const char* chosen = std::getenv("CHPIMPORT_FUZZ_DIR"); chosen && *chosen) return chosen;
    // Millions of small files a minute: keep them off the disk where memory can hold them.
    if (fs::is_directory("/dev/shm", ec)) return "/dev/shm";
    fs::path temp = fs::temp_directory_path(ec);
    return ec ? fs::path(".") : temp;
}

} // namespace

Scratch& Scratch::Get() {
    static Scratch scratch;
    return scratch;
}

Scratch::Scratch() {
    std::error_code ec;
    const fs::path base = BaseFolder();
    fs::create_directories(base, ec);
    std::random_device random;
    for (int attempt = 0; attempt < 64 && root_.empty(); ++attempt) {
        fs::path candidate = base / ("chpimport-fuzz-" + std::to_string(random()));
        if (fs::create_directory(candidate, ec)) root_ = candidate.string();
    }
    if (root_.empty()) std::abort(); // nowhere to put the inputs: nothing can be tested
}

Scratch::~Scratch() {
    std::error_code ec;
    fs::remove_all(root_, ec);
}

std::string Scratch::Fresh(std::string_view name) {
    const fs::path folder = fs::path(root_) / std::string(name);
    std::error_code ec;
    fs::remove_all(folder, ec);
    fs::create_directories(folder, ec);
    return folder.string();
}

std::string Scratch::Folder(std::string_view name) {
    const fs::path folder = fs::path(root_) / std::string(name);
    std::error_code ec;
    fs::create_directory(folder, ec);
    return folder.string();
}

std::string InFolder(const std::string& folder, std::string_view name) {
    return (fs::path(folder) / std::string(name)).string();
}

bool WriteBytes(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (size > 0)
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(out.flush());
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace fuzzing
