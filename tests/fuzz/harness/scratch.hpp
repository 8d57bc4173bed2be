#pragma once
// The folder the fuzz harnesses write their inputs into: our APIs take paths, so every
// input becomes a file first. Everything goes through the file layer, so the harnesses run on
// whichever file system it uses: the disk (a folder of its own per process, in /dev/shm where
// there is one, removed with everything in it when the process ends normally) or a file
// system in memory (the folder "/scratch" there).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fuzzing {

class Scratch {
public:
    // The process's scratch folder on the file system in use, created on first use.
    // CHPIMPORT_FUZZ_DIR, when set, names the folder to create the one on the disk in.
    static Scratch& Get();

    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    // A fresh, empty sub-folder for one input of the harness `name` (any files from the
    // previous input go first).
    std::string Fresh(std::string_view name);
    // The sub-folder of the harness `name`, as the previous input left it: for harnesses
    // that know every file they write (fewer operations, more executions a second).
    std::string Folder(std::string_view name);
    // The scratch folder on the file system in use.
    std::string Root();

private:
    Scratch() = default;
    std::string disk_;
};

// Joins a folder and a file name.
std::string InFolder(const std::string& folder, std::string_view name);
// Writes the bytes to `path`; false when it can't.
bool WriteBytes(const std::string& path, const std::uint8_t* data, std::size_t size);
bool WriteText(const std::string& path, std::string_view bytes);
std::string ReadBytes(const std::string& path);
// Deletes a folder and everything in it, or a file.
void RemoveTree(const std::string& path);

} // namespace fuzzing
