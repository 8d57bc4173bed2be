#include "web/output_folder.hpp"

#include <vector>

#include "base/memory_file_system.hpp"

namespace chpimport::web {
namespace {

bool IsSeparator(char c, PathRules rules) {
    return c == '/' || (c == '\\' && rules == PathRules::Windows);
}

// The drive ("C:") or "" and the parts after it, "." and ".." resolved lexically.
std::vector<std::string> Parts(const std::string& path, PathRules rules, std::string& drive) {
    std::size_t at = 0;
    drive.clear();
    if (rules == PathRules::Windows && path.size() >= 2 && path[1] == ':') {
        drive = path.substr(0, 2);
        at = 2;
    }
    std::vector<std::string> parts;
    std::string part;
    for (; at <= path.size(); ++at) {
        if (at < path.size() && !IsSeparator(path[at], rules)) {
            part += path[at];
            continue;
        }
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
    }
    return parts;
}

} // namespace

std::optional<PathRules> RulesOf(const std::string& folder) {
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (folder.size() >= 3 && letter(folder[0]) && folder[1] == ':' &&
        (folder[2] == '\\' || folder[2] == '/'))
        return PathRules::Windows;
    if (!folder.empty() && folder[0] == '/') return PathRules::Posix;
    return std::nullopt;
}

std::string NormalFolder(const std::string& folder, PathRules rules) {
    std::string drive;
    const std::vector<std::string> parts = Parts(folder, rules, drive);
    const char separator = PreferredSeparator(rules);
    std::string out = drive;
    for (const std::string& part : parts) {
        out += separator;
        out += part;
    }
    if (parts.empty()) out += separator;
    return out;
}

std::string JoinFolder(const std::string& folder, const std::string& name, PathRules rules) {
    std::string out = folder;
    if (!out.empty() && !IsSeparator(out.back(), rules)) out += PreferredSeparator(rules);
    for (char c : name) out += c == '/' ? PreferredSeparator(rules) : c;
    return out;
}

std::string FolderKey(const std::string& folder, PathRules rules) {
    std::string drive;
    const std::vector<std::string> parts = Parts(folder, rules, drive);
    std::string key;
    if (!drive.empty()) key.append("/").append(drive);
    for (const std::string& part : parts) key.append("/").append(part);
    if (key.empty()) key.push_back('/');
    return MemoryFileSystem::Key(key, rules);
}

std::optional<std::string> NameBelow(const std::string& key, const std::string& path,
                                     PathRules rules) {
    const std::string prefix = key == "/" ? key : key + "/";
    const std::string pathKey = MemoryFileSystem::Key(path, rules);
    if (pathKey.size() <= prefix.size() || pathKey.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    return path.substr(prefix.size());
}

bool IsProjectName(const std::string& name) {
    const std::size_t slash = name.rfind('/');
    const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    const std::size_t dot = base.rfind('.');
    if (dot == std::string::npos || dot == 0 || base.size() - dot != 4) return false;
    std::string extension = MemoryFileSystem::Key(base.substr(dot), PathRules::Windows);
    return extension == ".chp";
}

} // namespace chpimport::web
