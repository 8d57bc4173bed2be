#include "cli/project_search.hpp"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <system_error>

#include "base/native_path.hpp"

namespace chpimport::cli {
namespace {

namespace fs = std::filesystem;

bool HasChpExtension(const fs::path& path) {
    fs::path::string_type extension = path.extension().native();
    if (extension.size() != 4) return false;
    for (auto& c : extension)
        if (c >= 'A' && c <= 'Z') c = static_cast<fs::path::value_type>(c - 'A' + 'a');
    return extension[0] == '.' && extension[1] == 'c' && extension[2] == 'h' && extension[3] == 'p';
}

// A key under which one folder or file is found only once, whatever way it was spelt.
fs::path::string_type Key(const fs::path& path) {
    fs::path::string_type key = path.lexically_normal().native();
#ifdef _WIN32
    for (auto& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<fs::path::value_type>(c - 'A' + 'a');
#endif
    while (key.size() > 1 && (key.back() == '/' || key.back() == '\\')) key.pop_back();
    return key;
}

// The *.CHP files in `folder` (and below it), relative to it, sorted. False when the folder
// can't be read.
bool ListProjects(const fs::path& folder, bool recursive, std::vector<fs::path>& found,
                  std::string& why) {
    std::error_code ec;
    auto take = [&](const fs::directory_entry& entry) {
        std::error_code typeError;
        if (HasChpExtension(entry.path()) && entry.is_regular_file(typeError))
            found.push_back(entry.path().lexically_relative(folder));
    };
    if (recursive) {
        // Links to folders are not followed: a link to a folder above would never end.
        fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied,
                                            ec);
        for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) take(*it);
    } else {
        fs::directory_iterator it(folder, ec);
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) take(*it);
    }
    if (ec) {
        why = ec.message();
        return false;
    }
    std::sort(found.begin(), found.end());
    return true;
}

// The folder part of a narrow path: everything before its last separator.
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

} // namespace

ProjectSearch FindProjects(const std::vector<std::string>& paths, bool recursive) {
    ProjectSearch search;
    std::set<fs::path::string_type> seen;
    auto add = [&](const fs::path& chp, std::string chpText, std::string relativeFolder) {
        if (seen.insert(Key(chp)).second)
            search.projects.push_back({std::move(chpText), std::move(relativeFolder)});
    };
    for (const std::string& path : paths) {
        std::error_code ec;
        fs::path absolute = fs::absolute(ToFsPath(path), ec);
        if (ec) absolute = ToFsPath(path);
        if (!fs::is_directory(absolute, ec)) {
            // The file picker hands the dialog a full path; so does the command line.
            add(absolute, FromFsPath(absolute).value_or(path), "");
            continue;
        }
        std::vector<fs::path> found;
        std::string why;
        if (!ListProjects(absolute, recursive, found, why)) {
            search.errors.push_back(path + ": the folder can't be read (" + why + ")");
            continue;
        }
        if (found.empty()) {
            search.errors.push_back(path + (recursive ? ": no .CHP file in or below this folder"
                                                      : ": no .CHP file in this folder"));
            continue;
        }
        for (const fs::path& relative : found) {
            const fs::path chp = (absolute / relative).lexically_normal();
            const std::optional<std::string> chpText = FromFsPath(chp);
            const std::optional<std::string> folderText = FromFsPath(relative.parent_path());
            // Only a name of the system's code page can be opened by the tool.
            if (!chpText || !folderText) {
                search.errors.push_back(path + ": a project whose name has characters outside "
                                               "the system's code page is passed over");
                continue;
            }
            add(chp, *chpText, *folderText);
        }
    }
    return search;
}

std::vector<OutputPlacement> PlaceOutputs(const std::vector<FoundProject>& projects,
                                          const std::string& outputFolder,
                                          std::vector<std::string>& errors) {
    std::vector<OutputPlacement> placements(projects.size());
    const bool several = projects.size() > 1;
    fs::path root;
    if (!outputFolder.empty()) {
        std::error_code ec;
        root = fs::absolute(ToFsPath(outputFolder), ec);
        if (ec) root = ToFsPath(outputFolder);
    }
    std::map<fs::path::string_type, std::size_t> users; // output folder -> first project there
    for (std::size_t i = 0; i < projects.size(); ++i) {
        OutputPlacement& placement = placements[i];
        std::string folder;
        if (!root.empty()) {
            fs::path path =
                (several ? root / ToFsPath(projects[i].relativeFolder) : root).lexically_normal();
            if (!path.has_filename()) path = path.parent_path(); // no trailing separator
            folder = FromFsPath(path).value_or(JoinPath(outputFolder, projects[i].relativeFolder));
            placement.folder = folder;
            placement.debugLog = JoinPath(folder, "debug.bid");
        } else {
            folder = FolderOf(projects[i].chpPath);
            if (several) placement.debugLog = JoinPath(folder, "debug.bid");
        }
        const auto [at, fresh] = users.emplace(Key(ToFsPath(folder)), i);
        if (!fresh)
            errors.push_back(projects[at->second].chpPath + " and " + projects[i].chpPath +
                             " would both write into " + folder);
    }
    return placements;
}

} // namespace chpimport::cli
