#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/report_facts.hpp"

namespace chpimport::report {

// What the page draws of a WAV file: its length and peak, and its waveform as the lowest
// and highest sample of each column.
struct WaveShape {
    std::int64_t samples = 0;
    std::uint32_t rate = 0;
    std::int32_t peak = 0; // 0 to 32768
    std::vector<std::int16_t> low;
    std::vector<std::int16_t> high;
};

// Scans a 16-bit PCM WAV file into `columns` columns (one per sample when it has fewer).
// Nullopt, with `why` set, when it can't be read.
std::optional<WaveShape> ScanWave(const std::string& path, int columns, std::string& why);

// The samples of a converted message from index `kept` on, which the cut removes; nullopt
// when it removes none (`kept` negative, or the file no longer than that) or the file can't
// be read.
std::optional<RemovedSound> ScanRemoved(const std::string& convertedPath, std::int32_t kept);

} // namespace chpimport::report
