#pragma once
#include <optional>
#include <string>

#include "base/path.hpp"

namespace chpimport::web {

// The page's paths. The user's output folder is a full path of the system the files will
// live on: the page takes its rules from how it is written, and names every output the way
// that system's program would (the project files list the WAV files by these paths).

// The rules a full path is written in: "C:\..." or "C:/..." Windows, "/..." POSIX; nullopt
// for anything else (a relative path names no place the project files could point to).
std::optional<PathRules> RulesOf(const std::string& folder);

// `folder` as the command line makes an output folder of it: separators as the system writes
// them ("\" on Windows), "." and ".." and doubled separators resolved, none at its end.
std::string NormalFolder(const std::string& folder, PathRules rules);

// `name` (which may hold "/" between folders) in `folder`, as the system joins them.
std::string JoinFolder(const std::string& folder, const std::string& name, PathRules rules);

// How the memory file system spells and compares `folder`: from its root, "/" between
// parts, letter case ignored on Windows.
std::string FolderKey(const std::string& folder, PathRules rules);

// The path of the file system's entry `path` relative to the folder of `key`, "/" between its
// parts; nullopt when it does not lie below that folder.
std::optional<std::string> NameBelow(const std::string& key, const std::string& path,
                                     PathRules rules);

// True for a name whose extension is ".CHP" in any letter case.
bool IsProjectName(const std::string& name);

} // namespace chpimport::web
