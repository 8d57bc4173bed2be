#include "base/work_dir.hpp"

#include <filesystem>
#include <random>
#include <system_error>
#include <utility>

#include "base/file_system.hpp"
#include "base/native_path.hpp"
#include "base/working_file_system.hpp"

namespace chpimport {

std::optional<WorkDir> WorkDir::Create() {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) return std::nullopt;
    // The folder is used by its narrow name: a temporary folder without one is no use.
    const std::optional<std::string> baseText = FromFsPath(base);
    if (!baseText) return std::nullopt;
    std::random_device random;
    for (int attempt = 0; attempt < 32; ++attempt) {
        // create_directory fails on an existing name, so a folder is never shared.
        std::string candidate = JoinPath(*baseText, "chpimport-" + std::to_string(random()) + "-" +
                                                        std::to_string(random()));
        if (fs::create_directory(ToFsPath(candidate), ec)) {
            fs::permissions(ToFsPath(candidate), fs::perms::owner_all, fs::perm_options::replace,
                            ec);
            return WorkDir(std::move(candidate));
        }
    }
    return std::nullopt;
}

WorkDir::WorkDir(std::string path)
    : path_(std::move(path)), files_(std::make_unique<WorkingFileSystem>(path_)) {
    MountFolder(path_, *files_);
}

WorkDir::~WorkDir() {
    Remove();
}

WorkDir::WorkDir(WorkDir&& other) noexcept
    : path_(std::exchange(other.path_, std::string())), files_(std::move(other.files_)) {}

WorkDir& WorkDir::operator=(WorkDir&& other) noexcept {
    if (this != &other) {
        Remove();
        path_ = std::exchange(other.path_, std::string());
        files_ = std::move(other.files_);
    }
    return *this;
}

std::string WorkDir::File(std::string_view name) const {
    return JoinPath(path_, name);
}

void WorkDir::Remove() {
    if (path_.empty()) return;
    UnmountFolder(path_);
    files_.reset();
    std::error_code ec;
    std::filesystem::remove_all(ToFsPath(path_), ec);
    path_.clear();
}

} // namespace chpimport
