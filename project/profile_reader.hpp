#pragma once
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace chpimport {

// The keys of a section of an INI file as the profile writer matches them: the first
// section whose name matches ignoring letter case, in it the first line of each key. Keys
// are given in lower case, values with the blanks around them removed. Empty when the
// section is missing.
std::map<std::string, std::string> ReadProfileSection(std::string_view text,
                                                      std::string_view section);

// One key of a section (see ReadProfileSection); nullopt when the section or key is missing.
std::optional<std::string> FindProfileString(std::string_view text, std::string_view section,
                                             std::string_view key);

// The whole file as text; nullopt when it can't be read.
std::optional<std::string> ReadProfileFile(const std::string& path);

} // namespace chpimport
