#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace chpimport {

// Paths are narrow text everywhere in the tool, in the system's own encoding: the bytes as
// they are on Linux, the active code page on Windows (what the C library's fopen and the
// "A" calls of Windows take, and what a Windows program's command line arrives in).
// std::filesystem can't be given such text directly on Windows: mingw's library reads narrow
// text as Latin-1 and writes it back as UTF-8, so a folder named "Größe Ansagen" comes back
// under another name. Every path that goes to or comes from std::filesystem goes through
// these two.

// The path that narrow `text` names.
std::filesystem::path ToFsPath(std::string_view text);

// `path` as narrow text; nullopt when one of its characters has no place in the code page
// (no narrow name can open such a file).
std::optional<std::string> FromFsPath(const std::filesystem::path& path);

// `name` inside `folder`, joined by the system's separator (just `name` for an empty folder).
std::string JoinPath(std::string_view folder, std::string_view name);

} // namespace chpimport
