#include "report/import_report.hpp"

#include <map>

#include "base/path.hpp"
#include "chp/chip_table.hpp"
#include "chp/chp_file.hpp"
#include "project/profile_reader.hpp"
#include "project/project_files.hpp"
#include "report/earlier_import.hpp"
#include "report/report_writer.hpp"

namespace chpimport::report {

bool ImportReport::Write(const ProjectResult& result, std::string& page, std::string& why) const {
    const std::string& chp = result.projectPath;
    const bool aborted = result.status == ProjectStatus::Aborted;
    ChpHeader header;
    const std::optional<std::string> path = ReportPath(result.projectFilePath);
    page.clear();
    if (!path || ParseChpHeader(chp, header) != ChpStatus::Ok) {
        why = "the project can't be read again";
        return false;
    }
    page = *path;
    ProjectFacts project;
    project.name = header.ProjectName;
    project.chpPath = chp;
    project.zpfPath = result.projectFilePath;
    project.tblPath = result.tableFilePath;
    project.chip = GetChipInfo(header.ChipCode, header.ChipType).Name; // as chip_selected
    project.rate = result.rate;
    project.messageCount = result.messageCount;
    project.madeAt = LocalTimeText();

    // The lengths as the project file lists them.
    const std::map<std::string, std::string> keys =
        ReadProfileSection(ReadProfileFile(result.projectFilePath).value_or(""), kProjectSection);
    std::map<int, const MessageResult*> reached;
    for (const MessageResult& message : result.messages) reached[message.number] = &message;
    const int listed = ListedMessages(chp, header);
    int last = 0;
    std::vector<MessageFacts> messages;
    for (int n = 1; n <= listed; ++n) {
        MessageFacts m;
        m.number = n;
        ChpDirEntry entry;
        if (ReadChpDirEntry(chp, static_cast<std::int16_t>(n), entry) == DirEntryStatus::Ok) {
            m.vocName = entry.VocName;
            m.address = entry.Address;
        }
        auto found = reached.find(n);
        if (found == reached.end()) {
            m.failure = aborted ? "not imported: the import was aborted before it" : "not imported";
        } else {
            const MessageResult& o = *found->second;
            m.imported = o.status == MessageStatus::Imported;
            m.failure = m.imported ? "" : o.failure;
            m.warnings = o.warnings;
            last = n;
            if (m.imported) {
                m.address = o.address.value_or(m.address);
                m.wavPath = o.wavePath;
                m.durationMs = o.durationMs.value_or(-1);
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
                       std::to_string(result.messageCount) + ".";
    } else {
        project.note = ShortDirectoryNote(header, listed);
    }
    return WriteReport(page, project, messages, why);
}

} // namespace chpimport::report
