#pragma once
#include <string>
#include <vector>

#include "chp/import_session.hpp"

namespace chpimport::cli {

struct FoundProject {
    std::string chpPath;        // absolute
    std::string relativeFolder; // its folder relative to the folder PATH it was found in
};

struct ProjectSearch {
    std::vector<FoundProject> projects; // in the order of the PATHs, each PATH's sorted
    std::vector<std::string> errors;    // PATHs that gave nothing, and why
};

// The projects the PATHs name: a PATH that is not a folder is taken as a CHP file (made
// absolute, and otherwise as typed); a folder gives the *.CHP files in it (any letter case),
// and with `recursive` those in the folders below it too, sorted by path. The same file
// found twice is imported once.
ProjectSearch FindProjects(const std::vector<std::string>& paths, bool recursive);

// Where each project's outputs go. One project without an output folder: as the dialog
// writes them (debug.bid in the current folder). Several: each project's debug.bid beside its
// .zpf. With an output folder: everything in it, below it in the project's relative folder
// when there are several. Two projects whose outputs would share a folder are refused:
// `errors` gets one line per pair, and the placements are then not to be used.
std::vector<OutputPlacement> PlaceOutputs(const std::vector<FoundProject>& projects,
                                          const std::string& outputFolder,
                                          std::vector<std::string>& errors);

} // namespace chpimport::cli
