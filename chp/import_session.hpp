#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/text_file.hpp"

namespace chpimport {

// Where an import's outputs go. By default as the dialog writes them: each message's WAV
// file beside its VOC file, the .zpf and .tbl beside the CHP file, and the debug log in the
// current folder. With a folder, every output goes into it and the sources are only read.
struct OutputPlacement {
    std::string folder;                 // "": beside the sources
    std::string debugLog = "debug.bid"; // the debug log's path
};

// The output of `source` with `extension` (".wav", ".zpf", ".tbl"): ChangeExtension(source,
// extension) beside the sources, or the source's base name with `extension` in the folder.
// Refused (nullopt) when the result is longer than 255 characters.
std::optional<std::string> OutputPath(const OutputPlacement& placement, std::string_view source,
                                      std::string_view extension);

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
    std::string ProjectName;             // from the CHP header, as the dialog shows it
    OutputPlacement Outputs;             // set by the front end before Import
};

} // namespace chpimport
