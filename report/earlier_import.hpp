#pragma once
#include <optional>
#include <string>
#include <vector>

#include "chp/chp_file.hpp"
#include "report/report_facts.hpp"

namespace chpimport::report {

struct ImportFacts {
    ProjectFacts project;
    std::vector<MessageFacts> messages;
};

// How many messages of a project have a directory entry: the header's count, or fewer when
// the file ends before the directory does.
int ListedMessages(const std::string& chpPath, const ChpHeader& header);

// What the page says of a header that announces more messages than its directory holds;
// "" when it holds them all.
std::string ShortDirectoryNote(const ChpHeader& header, int listed);

// Reads back an import done earlier, by either program, from what it left: the CHP file,
// its project file (.zpf), which lists each imported message's WAV file and address range,
// and those WAV files. The project and table files lie beside the CHP file, or in
// `outputFolder` for an import made into one. Each message's VOC file is decoded and converted
// again, in `workDir`, to find how long the message is and what sound the cut to its chip length
// removed. Nullopt, with `why` set, when there is no project file to read.
std::optional<ImportFacts> ReadEarlierImport(const std::string& chpPath, const ChpHeader& header,
                                             const std::string& workDir, std::string& why,
                                             const std::string& outputFolder = "");

} // namespace chpimport::report
