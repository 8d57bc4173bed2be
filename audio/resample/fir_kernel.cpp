#include "audio/resample/fir_kernel.hpp"

#include <cstring>

namespace chpimport {

float FirDot(float x, const float* branch, std::int32_t taps, const float* history) {
    // A product of two floats is exact in double; the sum is rounded once to double and then
    // stored as a float, which is the rounding every build reproduces.
    float acc = static_cast<float>(static_cast<double>(history[0]) * branch[taps - 1]);
    for (std::int32_t j = 1; j <= taps - 2; ++j)
        acc = static_cast<float>(static_cast<double>(acc) +
                                 static_cast<double>(history[j]) * branch[taps - 1 - j]);
    return static_cast<float>(static_cast<double>(acc) + static_cast<double>(x) * branch[0]);
}

void ShiftHistory(float x, std::int32_t taps, float* history) {
    if (taps > 2)
        std::memmove(history, history + 1, static_cast<std::size_t>(taps - 2) * sizeof(float));
    history[taps - 2] = x;
}

} // namespace chpimport
