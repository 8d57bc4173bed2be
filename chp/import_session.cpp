#include "chp/import_session.hpp"

#include "base/file_system.hpp"
#include "base/limits.hpp"
#include "base/path.hpp"

namespace chpimport {

std::optional<std::string> OutputPath(const OutputPlacement& placement, std::string_view source,
                                      std::string_view extension) {
    if (placement.folder.empty()) return ChangeExtension(source, extension);
    std::string path = placement.folder;
    const char last = path.back();
    if (last != '/' && last != '\\') path += PreferredSeparator(ActiveFileSystem().Rules());
    path += SplitPath(source).baseName;
    path += extension;
    if (path.size() > kMaxText) return std::nullopt;
    return path;
}

} // namespace chpimport
