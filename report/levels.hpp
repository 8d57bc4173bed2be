#pragma once
#include <cstdint>
#include <string>

#include "report/report_facts.hpp"

namespace chpimport::report {

// Levels relative to the full scale of 16-bit samples, compared in integers so that every
// platform flags the same messages.
inline constexpr std::int32_t kFullScale = 32768;

// Above -40 dBFS: more than a hundredth of full scale.
inline bool IsAudible(std::int32_t magnitude) {
    return magnitude * 100 > kFullScale;
}

// Below -60 dBFS: less than a thousandth of full scale.
inline bool IsSilent(std::int32_t peak) {
    return peak * 1000 < kFullScale;
}

// The magnitude of a sample, 0 to 32768.
inline std::int32_t Magnitude(std::int16_t sample) {
    return sample < 0 ? -static_cast<std::int32_t>(sample) : sample;
}

// Whether the cut to the chip length removed sound worth a note: sound above -40 dBFS that
// goes on for at least a millisecond past the cut. The cut always drops a message's last
// sample, so a message that fills its length exactly loses that much without a note.
inline bool CutOffSound(const RemovedSound& removed, std::int32_t rate) {
    return IsAudible(removed.peak) && static_cast<std::int64_t>(removed.audible) * 1000 >= rate;
}

// A peak in dBFS to a tenth, with a real minus sign ("−6.0 dBFS"); "−∞ dBFS" for 0.
std::string DbfsText(std::int32_t peak);

} // namespace chpimport::report
