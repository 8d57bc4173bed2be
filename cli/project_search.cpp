#include "cli/project_search.hpp"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

namespace chpimport::cli {
namespace {

namespace fs = std::filesystem;

bool HasChpExtension(const fs::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return extension == ".chp";
}

// A key under which one folder or file is found only once, whatever way it was spelt.
std::string Key(const fs::path& path) {
    std::string key = path.lexically_normal().string();
#ifdef _WIN32
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
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

} // namespace

ProjectSearch FindProjects(const std::vector<std::string>& paths, bool recursive) {
    ProjectSearch search;
    std::set<std::string> seen;
    auto add = [&](const fs::path& chp, std::string chpText, std::string relativeFolder) {
        if (seen.insert(Key(chp)).second)
            search.projects.push_back({std::move(chpText), std::move(relativeFolder)});
    };
    for (const std::string& path : paths) {
        std::error_code ec;
        fs::path absolute = fs::absolute(path, ec);
        if (ec) absolute = path;
        if (!fs::is_directory(absolute, ec)) {
            // The file picker hands the dialog a full path; so does the command line.
            add(absolute, absolute.string(), "");
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
            add(chp, chp.string(), relative.parent_path().string());
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
        root = fs::absolute(outputFolder, ec);
        if (ec) root = outputFolder;
    }
    std::map<std::string, std::size_t> users; // output folder -> first project there
    for (std::size_t i = 0; i < projects.size(); ++i) {
        OutputPlacement& placement = placements[i];
        fs::path folder;
        if (!root.empty()) {
            folder = (several ? root / projects[i].relativeFolder : root).lexically_normal();
            if (!folder.has_filename()) folder = folder.parent_path(); // no trailing separator
            placement.folder = folder.string();
            placement.debugLog = (folder / "debug.bid").string();
        } else {
            folder = fs::path(projects[i].chpPath).parent_path();
            if (several) placement.debugLog = (folder / "debug.bid").string();
        }
        const auto [at, fresh] = users.emplace(Key(folder), i);
        if (!fresh)
            errors.push_back(projects[at->second].chpPath + " and " + projects[i].chpPath +
                             " would both write into " + folder.string());
    }
    return placements;
}

} // namespace chpimport::cli
