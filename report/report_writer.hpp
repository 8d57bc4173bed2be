#pragma once
#include <optional>
#include <string>
#include <vector>

#include "report/report_facts.hpp"

namespace chpimport::report {

// Where the page of a project goes: beside its project file, under the CHP file's name
// with the extension ".html". Nullopt when that path is too long.
std::optional<std::string> ReportPath(const std::string& chpPath,
                                      const std::string& outputFolder = "");

// Reads each imported message's WAV file (at its path, or else under its name in the
// page's folder), draws the page and writes it to `htmlPath`, replacing an older page only
// with a complete one. False, with `why` set, when it can't be written.
bool WriteReport(const std::string& htmlPath, const ProjectFacts& project,
                 const std::vector<MessageFacts>& messages, std::string& why);

// The local time as the page shows it: "2024-05-01 14:03".
std::string LocalTimeText();

} // namespace chpimport::report
