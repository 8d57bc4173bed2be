#include "audio/resample/table_layout.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

namespace chpimport {
namespace {

// Samples are whole numbers of magnitude at most 32768. With every non-zero coefficient at
// least 2^-103, each product, sum and rounding of a dot product is a whole multiple of the
// smallest coefficient's unit in the last place (2^-126 or more), so nothing non-zero falls
// below the normal single-precision range; with the magnitudes of a row summing to at most
// 2^100 nothing exceeds it either.
constexpr double kSmallestCoefficient = 0x1p-103;
constexpr double kLargestRowSum = 0x1p100;
constexpr double kLargestSample = 32768.0;

} // namespace

bool NormalCoefficient(double c) {
    return !(c != 0.0 && std::fabs(c) < kSmallestCoefficient);
}

bool NormalRow(double magnitude) {
    return magnitude * kLargestSample <= kLargestRowSum;
}

bool LayOutPrototypeRows(const std::uint32_t* halfBits, std::int32_t branchCount, std::int32_t taps,
                         std::int32_t halfLength, double* rows) {
    // The range check of the values is made once, on the half given.
    const std::int64_t half = halfLength;
    const std::unique_ptr<float[]> centre(new float[static_cast<std::size_t>(half) + 1]);
    centre[0] = 0.0f;
    std::memcpy(&centre[1], halfBits, static_cast<std::size_t>(half - 1) * sizeof(float));
    centre[static_cast<std::size_t>(half)] = 1.0f;
    bool normal = true;
    for (std::int64_t m = 1; m < half; ++m)
        if (!NormalCoefficient(centre[static_cast<std::size_t>(m)])) normal = false;
    // Column by column, the entries are read in order (forwards up to H, backwards after it)
    // and each row's magnitude is summed from column 0 up.
    const std::int64_t branches = branchCount;
    std::vector<double> magnitude(static_cast<std::size_t>(branches), 0.0);
    for (std::int32_t column = 0; column < taps; ++column) {
        const std::int64_t first = branches * (taps - 1 - column); // entry of row 0
        const std::int64_t below = std::clamp<std::int64_t>(half + 1 - first, 0, branches);
        auto put = [&](std::int64_t b, float value) {
            const double c = value;
            rows[static_cast<std::size_t>(b * taps + column)] = c;
            magnitude[static_cast<std::size_t>(b)] += std::fabs(c);
        };
        for (std::int64_t b = 0; b < below; ++b)
            put(b, centre[static_cast<std::size_t>(first + b)]);
        for (std::int64_t b = below; b < branches; ++b)
            put(b, centre[static_cast<std::size_t>(2 * half - first - b)]);
    }
    for (const double m : magnitude)
        if (!NormalRow(m)) normal = false;
    return normal;
}

} // namespace chpimport
