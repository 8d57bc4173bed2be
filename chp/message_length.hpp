#pragma once
#include <cstdint>

#include "chp/chip_table.hpp"

namespace chpimport {

// The output rate of the converter: 11025 Hz in Zuvan-compatible mode, else 11111 Hz.
std::int32_t OutputRate(bool zuvanCompatible);

// A message's length in address units: its row count over the chip's divisor, truncated.
std::int16_t LengthInUnits(std::int16_t rowCount, std::int16_t divisor);

// The number of output samples of a message: rowCount x rowMs x rate / (divisor x 1000),
// the exact integer quotient. The undivided row count is used, so samples are not rounded
// to whole address units.
std::int32_t SampleCount(std::int16_t rowCount, std::int16_t rowMs, std::int16_t divisor,
                         std::int32_t rate);

// The duration in milliseconds as the Zuvan tools have always computed it: sampleCount / rate,
// then times 1000, each step rounded to nearest (ties to even) with a 64-bit significand, then
// truncated. When the exact value is whole the rounded quotient may lie just below it, so
// 359415 samples at 11025 Hz give 32599, not 32600. Computed exactly in integers, so the
// result doesn't depend on the width of long double. sampleCount >= 0, rate > 0.
std::int32_t DurationMs(std::int32_t sampleCount, std::int32_t rate);

struct MessageLength {
    std::int16_t Length = 0;
    std::int32_t SampleCount = 0;
    std::int32_t DurationMs = 0;
};

// How many of the converted samples the final file keeps, from the first: sampleCount - 1;
// a negative result (sample count 0) keeps them all.
inline std::int32_t KeptSamples(std::int32_t sampleCount) {
    return sampleCount - 1;
}

// All three for a row count of 0 to 32767 on the given chip.
MessageLength ComputeMessageLength(std::int16_t rowCount, const ChipInfo& chip, std::int32_t rate);

} // namespace chpimport
