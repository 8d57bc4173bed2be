#include <filesystem>
#include <optional>
#include <ostream>

#include "base/native_path.hpp"
#include "base/work_dir.hpp"
#include "chp/chp_file.hpp"
#include "cli/cli.hpp"
#include "report/earlier_import.hpp"
#include "report/report_writer.hpp"

namespace chpimport::cli {

int CmdReport(const ReportOptions& options, Streams io) {
    // Absolute, as an import names them: the page shows the same paths.
    auto absolute = [](std::string path) {
        std::error_code ec;
        const std::filesystem::path full = std::filesystem::absolute(ToFsPath(path), ec);
        return ec ? path : FromFsPath(full).value_or(path);
    };
    const std::string project = absolute(options.path);
    const std::string output = options.output.empty() ? "" : absolute(options.output);

    ChpHeader header;
    std::string why;
    const ChpStatus status = ParseChpHeader(project, header, &why);
    if (status != ChpStatus::Ok) {
        io.err << "Invalid CHP file\n"
               << project << ": " << ChpStatusText(status) << (why.empty() ? "" : " (" + why + ")")
               << "\n";
        return kExitUsage;
    }
    const std::optional<std::string> page = report::ReportPath(project, output);
    std::optional<WorkDir> work = WorkDir::Create();
    if (!page || !work) {
        io.err << "chpimport report: "
               << (page ? "cannot create a working folder in the temporary directory"
                        : "the page's path is over 255 characters")
               << "\n";
        return kExitFailed;
    }
    std::optional<report::ImportFacts> facts =
        report::ReadEarlierImport(project, header, work->Path(), why, output);
    if (!facts) {
        io.err << "chpimport report: " << why << "\n";
        return kExitFailed;
    }
    facts->project.madeAt = report::LocalTimeText();
    if (!report::WriteReport(*page, facts->project, facts->messages, why)) {
        io.err << "chpimport report: " << *page << ": " << why << "\n";
        return kExitFailed;
    }
    io.out << "Report: " << *page << "\n";
    return kExitOk;
}

} // namespace chpimport::cli
