#include "base/work_dir.hpp"

#include <filesystem>
#include <random>
#include <system_error>
#include <utility>

namespace chpimport {

std::optional<WorkDir> WorkDir::Create() {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) return std::nullopt;
    std::random_device random;
    for (int attempt = 0; attempt < 32; ++attempt) {
        // create_directory fails on an existing name, so a folder is never shared.
        fs::path candidate =
            base / ("chpimport-" + std::to_string(random()) + "-" + std::to_string(random()));
        if (fs::create_directory(candidate, ec)) {
            fs::permissions(candidate, fs::perms::owner_all, fs::perm_options::replace, ec);
            return WorkDir(candidate.string());
        }
    }
    return std::nullopt;
}

WorkDir::~WorkDir() {
    Remove();
}

WorkDir::WorkDir(WorkDir&& other) noexcept : path_(std::exchange(other.path_, std::string())) {}

WorkDir& WorkDir::operator=(WorkDir&& other) noexcept {
    if (this != &other) {
        Remove();
        path_ = std::exchange(other.path_, std::string());
    }
    return *this;
}

std::string WorkDir::File(std::string_view name) const {
    return (std::filesystem::path(path_) / name).string();
}

void WorkDir::Remove() {
    if (path_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
    path_.clear();
}

} // namespace chpimport
