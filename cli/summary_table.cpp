#include "cli/summary_table.hpp"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>

#include "base/path.hpp"

namespace chpimport::cli {
namespace {

struct Row {
    std::string project, imported, failed, folder, seconds, note;
};

Row RowOf(const ProjectResult& r) {
    Row row;
    row.project = r.projectPath;
    row.folder = r.outputFolder;
    if (row.folder.empty()) {
        const PathParts parts = SplitPath(r.projectPath);
        row.folder = parts.drive + parts.directory;
        if (row.folder.size() > parts.drive.size() + 1) row.folder.pop_back(); // its separator
    }
    const bool ran = r.status == ProjectStatus::Imported || r.status == ProjectStatus::SomeFailed ||
                     r.status == ProjectStatus::Aborted;
    row.imported = ran ? std::to_string(r.ImportedCount()) : "-";
    row.failed = ran ? std::to_string(r.FailedCount()) : "-";
    if (r.status != ProjectStatus::NotStarted) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.2f", r.seconds);
        row.seconds = seconds;
    } else {
        row.seconds = "-";
    }
    switch (r.status) {
    case ProjectStatus::Imported:
    case ProjectStatus::SomeFailed:
        break;
    case ProjectStatus::Aborted:
        row.note = "aborted";
        break;
    case ProjectStatus::NotStarted:
        row.note = "not imported";
        break;
    default:
        row.note = r.failure;
        break;
    }
    return row;
}

} // namespace

void PrintSummary(std::ostream& os, const std::vector<ProjectResult>& results) {
    std::vector<Row> rows = {{"project", "imported", "failed", "output folder", "seconds", ""}};
    for (const ProjectResult& r : results) rows.push_back(RowOf(r));
    std::size_t project = 0, folder = 0;
    for (const Row& row : rows) {
        project = std::max(project, row.project.size());
        folder = std::max(folder, row.folder.size());
    }
    auto left = [](const std::string& text, std::size_t width) {
        return text + std::string(width - std::min(width, text.size()), ' ');
    };
    auto right = [](const std::string& text, std::size_t width) {
        return std::string(width - std::min(width, text.size()), ' ') + text;
    };
    for (const Row& row : rows) {
        std::string line = left(row.project, project) + "  " + right(row.imported, 8) + "  " +
                           right(row.failed, 6) + "  " + left(row.folder, folder) + "  " +
                           right(row.seconds, 7);
        if (!row.note.empty()) line += "  " + row.note;
        os << line << "\n";
    }
}

} // namespace chpimport::cli
