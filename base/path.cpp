#include "base/path.hpp"

#include "base/limits.hpp"

namespace chpimport {

PathParts SplitPath(std::string_view path) {
    PathParts parts;
    if (path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
        parts.drive = std::string(path.substr(0, 2));
        path.remove_prefix(2);
    }
    std::size_t slash = path.find_last_of("\\/");
    std::string_view name = path;
    if (slash != std::string_view::npos) {
        parts.directory = std::string(path.substr(0, slash + 1));
        name = path.substr(slash + 1);
    }
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        parts.baseName = std::string(name);
    } else {
        parts.baseName = std::string(name.substr(0, dot));
        parts.extension = std::string(name.substr(dot));
    }
    return parts;
}

std::optional<std::string> ChangeExtension(std::string_view path, std::string_view extension) {
    if (path.size() > kMaxText) return std::nullopt;
    PathParts parts = SplitPath(path);
    std::string result = parts.drive + parts.directory + parts.baseName + std::string(extension);
    if (result.size() > kMaxText) return std::nullopt;
    return result;
}

} // namespace chpimport
