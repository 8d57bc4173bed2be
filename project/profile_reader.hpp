#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace chpimport {

// Looks a key up in the text of an INI file the way the profile writer matches them: the
// first section whose name matches ignoring letter case, in it the first such key. The
// value has the blanks around it removed. Nullopt when the section or the key is missing.
std::optional<std::string> FindProfileString(std::string_view text, std::string_view section,
                                             std::string_view key);

// The whole file as text; nullopt when it can't be read.
std::optional<std::string> ReadProfileFile(const std::string& path);

} // namespace chpimport
