#pragma once
#include <string>
#include <vector>

#include "chp/chip_table.hpp"
#include "chp/chp_file.hpp"
#include "chp/import_result.hpp"

namespace chpimport::cli {

// `chpimport import --json`: every project with its messages, the run's errors (PATHs that
// gave no project, outputs that would clash) and the exit status.
std::string ImportJson(const std::vector<ProjectResult>& projects,
                       const std::vector<std::string>& errors, int exitStatus);

// What `chpimport info --json` shows of a project.
struct ProjectInfo {
    std::string path;
    std::string failure; // "" when the header is valid
    ChpHeader header;
    ChipInfo chip;
    std::vector<ChpDirEntry> entries; // as far as the directory can be read
};

std::string InfoJson(const ProjectInfo& info);

} // namespace chpimport::cli
