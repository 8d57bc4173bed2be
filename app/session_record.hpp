#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "base/text_file.hpp"

namespace chpimport {

// The one record of an import, shared by the dialog logic, the CHP reader, the message
// import and the project writers. Everything starts zero, empty or closed.
struct ImportSession {
    std::string ProjectPath;             // the CHP path as read from the path field
    std::int16_t ZuvanCompatible = 0;    // 1: 11025 Hz output; 0: 11111 Hz
    std::int16_t Importing = 0;          // 1 from a good Import until completion is seen
    std::int16_t MessageNumber = 0;      // 1-based number of the message the next step takes
    std::int16_t MessageCount = 0;       // from the CHP header
    std::string ChipName;                // at most 18 characters
    std::string ProjectFilePath;         // the .zpf path
    std::unique_ptr<TextFile> TableFile; // the .tbl, open from Import until the dialog ends
    std::unique_ptr<TextFile> DebugLog;  // debug.bid, open from Import until completion
    std::int32_t DurationMs = 0;         // duration of the last message imported
};

} // namespace chpimport
