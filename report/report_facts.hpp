#pragma once
// What the report shows, as narrow as it can be: the project and each message as an import
// left them. Filled either while an import runs or by reading an earlier one back.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace chpimport::report {

// The samples that the cut to the message's length in the chip removed from its converted
// sound.
struct RemovedSound {
    std::int32_t samples = 0; // how many were removed
    std::int32_t audible = 0; // from the cut up to the last one above -40 dBFS; 0: none
    std::int32_t peak = 0;    // their largest magnitude, 0 to 32768
};

struct MessageFacts {
    int number = 0;
    std::string vocName; // from the project's directory; "" when it couldn't be read
    bool imported = false;
    int address = -1;             // in address units; -1 when unknown
    int length = 0;               // in address units
    std::int32_t durationMs = -1; // -1 when unknown
    std::string wavPath;          // the WAV file as the import named it
    std::string failure;          // why it did not import; "" when it did
    std::vector<std::string> warnings;
    std::optional<RemovedSound> removed; // when it was measured and the cut removed samples
};

struct ProjectFacts {
    std::string name; // from the CHP header
    std::string chpPath;
    std::string zpfPath;
    std::string tblPath;
    std::string chip; // the chip name the import ended with
    std::int32_t rate = 11111;
    int messageCount = 0; // from the CHP header
    std::string madeAt;   // when the page was made, local time
    std::string note;     // how the import ended, when not normally ("" otherwise)
};

} // namespace chpimport::report
