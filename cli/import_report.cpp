#include "cli/import_report.hpp"

#include <cstdlib>
#include <ostream>

#include "base/path.hpp"
#include "chp/chip_table.hpp"
#include "chp/chp_file.hpp"
#include "project/profile_reader.hpp"
#include "project/project_files.hpp"
#include "report/earlier_import.hpp"
#include "report/report_writer.hpp"

namespace chpimport::cli {

void ImportReport::Record(int n, bool imported, const std::string& address,
                          const std::string& wavPath, std::int32_t durationMs,
                          const std::string& failure, const std::string& warning) {
    Outcome& outcome = outcomes_[n];
    outcome.imported = imported;
    outcome.address = imported ? std::atoi(address.c_str()) : -1;
    outcome.wavPath = imported ? wavPath : "";
    outcome.durationMs = imported ? durationMs : -1;
    outcome.failure = failure;
    outcome.warning = warning;
}

bool ImportReport::Write(const ImportSession& session, bool aborted, Streams io) const {
    const std::string& chp = session.ProjectPath;
    ChpHeader header;
    const std::optional<std::string> page = report::ReportPath(chp);
    if (!page || ParseChpHeader(chp, header) != ChpStatus::Ok) {
        io.err << "chpimport: no report: the project can't be read again\n";
        return false;
    }
    report::ProjectFacts project;
    project.name = header.ProjectName;
    project.chpPath = chp;
    project.zpfPath = session.ProjectFilePath;
    project.tblPath = ChangeExtension(chp, ".tbl").value_or("");
    project.chip = GetChipInfo(header.ChipCode, header.ChipType).Name; // as chip_selected
    project.rate = session.ZuvanCompatible != 0 ? 11025 : 11111;
    project.messageCount = session.MessageCount;
    project.madeAt = report::LocalTimeText();

    // The lengths as the project file lists them.
    const std::map<std::string, std::string> keys =
        ReadProfileSection(ReadProfileFile(session.ProjectFilePath).value_or(""), kProjectSection);
    const int listed = report::ListedMessages(chp, header);
    int last = 0;
    std::vector<report::MessageFacts> messages;
    for (int n = 1; n <= listed; ++n) {
        report::MessageFacts m;
        m.number = n;
        ChpDirEntry entry;
        if (ReadChpDirEntry(chp, static_cast<std::int16_t>(n), entry) == DirEntryStatus::Ok) {
            m.vocName = entry.VocName;
            m.address = entry.Address;
        }
        auto found = outcomes_.find(n);
        if (found == outcomes_.end()) {
            m.failure = aborted ? "not imported: the import was aborted before it" : "not imported";
        } else {
            const Outcome& o = found->second;
            m.imported = o.imported;
            m.failure = o.failure;
            if (!o.warning.empty()) m.warnings.push_back(o.warning);
            last = n;
            if (o.imported) {
                m.address = o.address;
                m.wavPath = o.wavPath;
                m.durationMs = o.durationMs;
                m.removed = cuts_.Removed(n);
                auto value = keys.find("file" + std::to_string(n));
                if (auto listedFile =
                        value != keys.end() ? ParseFileEntryValue(value->second) : std::nullopt)
                    m.length = listedFile->end - listedFile->address;
            }
        }
        messages.push_back(std::move(m));
    }
    if (aborted) {
        project.note = "The import was aborted after message " + std::to_string(last) + " of " +
                       std::to_string(session.MessageCount) + ".";
    } else {
        project.note = report::ShortDirectoryNote(header, listed);
    }
    std::string why;
    if (!report::WriteReport(*page, project, messages, why)) {
        io.err << "chpimport: no report: " << *page << ": " << why << "\n";
        return false;
    }
    io.out << "Report: " << *page << "\n";
    return true;
}

} // namespace chpimport::cli
