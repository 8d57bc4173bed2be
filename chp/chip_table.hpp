#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace chpimport {

struct ChipInfo {
    std::string Name;         // at most 18 characters
    std::int16_t RowMs = 100; // milliseconds per address unit (row)
    std::int16_t Divisor = 4; // row-count units per address unit
};

// Codes 1 to 16 name a chip; for any other code the caller's text stands, and the row
// duration and divisor follow from whichever chip names occur in it.
ChipInfo GetChipInfo(std::uint8_t code, std::string_view text);

} // namespace chpimport
