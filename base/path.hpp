#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace chpimport {

// A path split the way the tool has always split it: drive ("C:" at the very start, if
// present), directory (after the drive, up to and including the last "\" or "/"), base
// name, and extension (the last component from its last "." on, dot included).
struct PathParts {
    std::string drive;
    std::string directory;
    std::string baseName;
    std::string extension;
};

PathParts SplitPath(std::string_view path);

// Drive, directory and base name of `path` followed by `extension`, which is passed with
// its leading dot and keeps its case (".wav", ".zpf", ".tbl"). Refused (nullopt) when the
// path or the result is longer than 255 characters.
std::optional<std::string> ChangeExtension(std::string_view path, std::string_view extension);

} // namespace chpimport
