#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace chpimport {

// How a file system reads paths: as POSIX does ("/" separates, names compare byte for byte) or
// as Windows does ("\" and "/" separate, "C:" may lead, letter case is ignored). Each program
// follows its own system's; the browser page, which has none, takes the one the user's output
// folder is written in, so that its files name their paths as that system's program would.
enum class PathRules { Posix, Windows };
#ifdef _WIN32
inline constexpr PathRules kSystemPathRules = PathRules::Windows;
#else
inline constexpr PathRules kSystemPathRules = PathRules::Posix;
#endif

// The separator that system puts between a folder and a name.
constexpr char PreferredSeparator(PathRules rules) {
    return rules == PathRules::Windows ? '\\' : '/';
}

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
