#include <cstdio>
#include <ostream>

#include "chp/chip_table.hpp"
#include "chp/chp_file.hpp"
#include "cli/cli.hpp"

namespace chpimport::cli {

int CmdInfo(const Args& args, Streams io) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        io.out << "usage: chpimport info PROJECT.CHP\n";
        return kExitOk;
    }
    if (args.size() != 1) {
        io.err << "usage: chpimport info PROJECT.CHP\n";
        return kExitUsage;
    }
    const std::string& path = args[0];
    ChpHeader header;
    std::string why;
    ChpStatus status = ParseChpHeader(path, header, &why);
    if (status != ChpStatus::Ok) {
        io.err << "Invalid CHP file\n"
               << path << ": " << ChpStatusText(status) << (why.empty() ? "" : " (" + why + ")")
               << "\n";
        return kExitUsage;
    }
    ChipInfo chip = GetChipInfo(header.ChipCode, header.ChipType);
    io.out << "Project: " << header.ProjectName << "\n"
           << "Chip type: " << chip.Name << "\n"
           << "Row duration: " << chip.RowMs << " ms\n"
           << "Divisor: " << chip.Divisor << "\n"
           << "Messages: " << header.MessageCount << "\n";

    // The entries the directory really holds, up to the first one missing or out of order.
    for (int n = 1; n <= header.MessageCount; ++n) {
        ChpDirEntry entry;
        if (ReadChpDirEntry(path, static_cast<std::int16_t>(n), entry) != DirEntryStatus::Ok) break;
        char line[64];
        std::snprintf(line, sizeof line, "  %5d  address %5u (%04X)  ", n, entry.Address,
                      entry.Address);
        io.out << line << entry.VocName << "\n";
    }
    return kExitOk;
}

} // namespace chpimport::cli
