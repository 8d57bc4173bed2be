#pragma once
#include <iosfwd>
#include <vector>

#include "chp/import_result.hpp"

namespace chpimport::cli {

// The table at the end of a run of several projects: each project, its messages imported
// and failed, its output folder and the seconds it took; a project that did not run to its
// end says why in a last column.
void PrintSummary(std::ostream& os, const std::vector<ProjectResult>& results);

} // namespace chpimport::cli
