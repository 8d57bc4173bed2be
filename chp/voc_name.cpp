#include "chp/voc_name.hpp"

#include <array>
#include <vector>

#include "base/file.hpp"

namespace chpimport {
namespace {

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
    return true;
}

// Windows opens a device for these names, with any extension and trailing blanks.
bool IsDeviceName(std::string_view name) {
    std::string_view stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
    constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
    for (std::string_view device : kPlain)
        if (EqualsIgnoringCase(stem, device)) return true;
    if (stem.size() == 4 && stem[3] >= '1' && stem[3] <= '9')
        return EqualsIgnoringCase(stem.substr(0, 3), "COM") ||
               EqualsIgnoringCase(stem.substr(0, 3), "LPT");
    return false;
}

std::string InDirectory(const std::string& directory, const std::string& name) {
    return directory + name;
}

} // namespace

bool IsSafeVocName(std::string_view name) {
    if (name.empty()) return false;
    bool onlyDotsAndBlanks = true;
    for (char c : name) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == '\\' || c == '/' || c == ':') return false;
        if (c != '.' && c != ' ') onlyDotsAndBlanks = false;
    }
    return !onlyDotsAndBlanks && !IsDeviceName(name);
}

std::optional<std::string> FindFileIgnoringCase(const std::string& directory,
                                                const std::string& name) {
    if (IsRegularFile(InDirectory(directory, name))) return name;
    std::vector<std::string> names;
    ListFolder(directory.empty() ? "." : directory, names);
    std::optional<std::string> found;
    for (const std::string& candidate : names) {
        if (!EqualsIgnoringCase(candidate, name) || (found && *found <= candidate)) continue;
        if (IsRegularFile(InDirectory(directory, candidate))) found = candidate;
    }
    return found;
}

} // namespace chpimport
