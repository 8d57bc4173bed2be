#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace chpimport {

// True when a directory entry's VOC file name can be used: a plain file name that names a
// file inside the project's directory and nothing else. Refused: an empty name, any path
// separator ("\" or "/") or drive colon, "." and ".." (or any name of only dots and
// blanks), control characters (which would add lines to the debug log, the project file or
// the table file), and the Windows device names (CON, NUL, COM1...), which name no file.
bool IsSafeVocName(std::string_view name);

// The name under which `name` exists as a regular file in `directory` (a drive and directory
// as the front of a path: empty, or ending with a separator or the drive's colon): `name` itself
// when it does, else the first name, in byte order, that matches it ignoring letter case. Projects
// copied from Windows keep upper-case names in the CHP file while their files may be lower case.
// Nullopt when there is none.
std::optional<std::string> FindFileIgnoringCase(const std::string& directory,
                                                const std::string& name);

} // namespace chpimport
