#pragma once
#include <array>
#include <cstdint>

namespace chpimport {

// The input samples before the current one, oldest first. A conversion uses its first T - 1
// entries; the rest only bound T.
inline constexpr std::int32_t kFirHistorySize = 900;
using FirHistoryBuffer = std::array<float, kFirHistorySize>;

// One output value: the newest sample `x` and the T - 1 samples of `history` weighted by
// one branch of the polyphase table (column 0 weights `x`). The additions run oldest sample
// first, each product and sum in double precision and the accumulator rounded to single
// precision after every addition: the order and the roundings are part of the output's
// definition, so a faster kernel must keep them per output. T >= 2.
float FirDot(float x, const float* branch, std::int32_t taps, const float* history);

// Moves the history on by one sample and appends `x` as its newest entry (T - 2).
void ShiftHistory(float x, std::int32_t taps, float* history);

} // namespace chpimport
