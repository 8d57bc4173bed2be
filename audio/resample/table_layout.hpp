#pragma once
#include <cstdint>

namespace chpimport {

// Whether a coefficient, and a row whose magnitudes sum to `magnitude`, keep every value a
// dot product can reach zero or a normal single-precision number (see kernel_table.cpp).
bool NormalCoefficient(double c);
bool NormalRow(double magnitude);

// Lays out a prototype given as entries 1 .. H - 1 in float bits (0 at index 0, 1.0 at H,
// the mirror image above) as the kernels read it: `rows` holds `branches` rows of `taps`
// doubles, column T - 1 - k of row b entry b + L x k. True when the range is normal. Shared
// by the program and by the build-time designer, which builds the laid-out table in.
bool LayOutPrototypeRows(const std::uint32_t* halfBits, std::int32_t branches, std::int32_t taps,
                         std::int32_t half, double* rows);

} // namespace chpimport
