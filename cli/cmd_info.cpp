#include <cstdio>
#include <ostream>

#include "chp/chip_table.hpp"
#include "chp/chp_file.hpp"
#include "cli/cli.hpp"
#include "cli/json_view.hpp"

namespace chpimport::cli {

int CmdInfo(const InfoOptions& options, Streams io) {
    ProjectInfo info;
    info.path = options.path;
    std::string why;
    ChpStatus status = ParseChpHeader(info.path, info.header, &why);
    if (status != ChpStatus::Ok) {
        info.failure = ChpStatusText(status) + (why.empty() ? "" : " (" + why + ")");
        io.err << "Invalid CHP file\n" << info.path << ": " << info.failure << "\n";
        if (options.json) io.out << InfoJson(info);
        return kExitUsage;
    }
    info.chip = GetChipInfo(info.header.ChipCode, info.header.ChipType);
    // The entries the directory really holds, up to the first one missing or out of order.
    for (int n = 1; n <= info.header.MessageCount; ++n) {
        ChpDirEntry entry;
        if (ReadChpDirEntry(info.path, static_cast<std::int16_t>(n), entry) != DirEntryStatus::Ok)
            break;
        info.entries.push_back(entry);
    }
    if (options.json) {
        io.out << InfoJson(info);
        return kExitOk;
    }
    io.out << "Project: " << info.header.ProjectName << "\n"
           << "Chip type: " << info.chip.Name << "\n"
           << "Row duration: " << info.chip.RowMs << " ms\n"
           << "Divisor: " << info.chip.Divisor << "\n"
           << "Messages: " << info.header.MessageCount << "\n";
    for (const ChpDirEntry& entry : info.entries) {
        char line[64];
        std::snprintf(line, sizeof line, "  %5d  address %5u (%04X)  ", entry.Number, entry.Address,
                      entry.Address);
        io.out << line << entry.VocName << "\n";
    }
    return kExitOk;
}

} // namespace chpimport::cli
