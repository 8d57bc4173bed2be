#pragma once
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace chpimport {

// The process's private working folder, for files that only live within one operation
// ("tmp.wav", "tmp1.wav"): a fresh, uniquely named folder under the system's temporary
// folder, readable by its owner only, removed with everything in it when the object goes.
// Working files there never meet a user's own files of the same names. Its files are held in
// memory while small (WorkingFileSystem), the folder itself stays on the disk.
class WorkingFileSystem;
class WorkDir {
public:
    // Null when no folder can be created.
    static std::optional<WorkDir> Create();

    ~WorkDir();
    WorkDir(WorkDir&& other) noexcept;
    WorkDir& operator=(WorkDir&& other) noexcept;
    WorkDir(const WorkDir&) = delete;
    WorkDir& operator=(const WorkDir&) = delete;

    const std::string& Path() const { return path_; }
    // The path of `name` inside the folder.
    std::string File(std::string_view name) const;

private:
    explicit WorkDir(std::string path);
    void Remove();

    std::string path_;
    std::unique_ptr<WorkingFileSystem> files_;
};

} // namespace chpimport
