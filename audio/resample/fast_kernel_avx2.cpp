// Compiled with -mavx2 -mfma and run only where the processor has both (see
// AvailableGroupKernel).
// Nothing here may be inline code that other files share: the linker could keep this
// file's AVX2 copy for everyone.
#include "audio/resample/fast_kernels.hpp"

#if defined(__x86_64__) || defined(_M_X64)
#include <immintrin.h>

namespace chpimport {
namespace {

constexpr std::int32_t kLanes = 4;
// Groups computed side by side to hide the latency of each lane's chain of additions: more
// when the batch shares its row and fewer registers go to rows.
constexpr std::size_t kInterleave = 8;
constexpr std::size_t kSharedInterleave = 12;

// As in the SSE2 kernel (see there): adding and taking off 2^29 units of the value's
// exponent rounds it to 24 significant bits, ties to even.
inline __m256d RoundToFloat(__m256d value) {
    const __m256i exponent =
        _mm256_and_si256(_mm256_castpd_si256(value), _mm256_set1_epi64x(kSignAndExponent));
    const __m256d magic =
        _mm256_castsi256_pd(_mm256_add_epi64(exponent, _mm256_set1_epi64x(kExponent29)));
    return _mm256_sub_pd(_mm256_add_pd(value, magic), magic);
}

// Where a group's coefficients come from: one row shared by every group of the batch (the
// plain mode), a row per group, or two rows per group, with the lanes of rowB given by
// kPattern (the same in every group of the batch) or by each group's own mask.
enum class Rows { Shared, PerGroup, Pattern, Masked };

inline __m256d LaneMask(std::uint32_t useB) {
    return _mm256_castsi256_pd(_mm256_set_epi64x(
        (useB & 8u) != 0 ? -1 : 0, (useB & 4u) != 0 ? -1 : 0, (useB & 2u) != 0 ? -1 : 0, 0));
}

template <std::size_t N, Rows R, int kPattern = 0>
void RunBatch(const LaneGroup* groups, std::int32_t taps, float* out) {
    const double* window[N];
    const double* rowA[N];
    const double* rowB[N];
    __m256d acc[N];
#pragma GCC unroll 16
    for (std::size_t g = 0; g < N; ++g) {
        window[g] = groups[g].window;
        rowA[g] = groups[g].rowA;
        rowB[g] = groups[g].rowB;
    }
    auto coefficients = [&](std::size_t g, std::int32_t j) {
        const __m256d a = _mm256_broadcast_sd(rowA[g] + j);
        if constexpr (R == Rows::Pattern)
            return _mm256_blend_pd(a, _mm256_broadcast_sd(rowB[g] + j), kPattern);
        if constexpr (R == Rows::Masked) // rare: the mask is built afresh rather than kept
            return _mm256_blendv_pd(a, _mm256_broadcast_sd(rowB[g] + j), LaneMask(groups[g].useB));
        return a;
    };
    __m256d shared = coefficients(0, 0);
#pragma GCC unroll 16
    for (std::size_t g = 0; g < N; ++g) {
        const __m256d c = R == Rows::Shared ? shared : coefficients(g, 0);
        acc[g] = RoundToFloat(_mm256_mul_pd(_mm256_loadu_pd(window[g]), c));
    }
    for (std::int32_t j = 1; j < taps; ++j) {
        if constexpr (R == Rows::Shared) shared = coefficients(0, j);
#pragma GCC unroll 16
        for (std::size_t g = 0; g < N; ++g) {
            const __m256d c = R == Rows::Shared ? shared : coefficients(g, j);
            // The sum and the product in one instruction: the product of two floats is exact
            // in double precision, so the fused operation rounds where the addition would.
            acc[g] =
                RoundToFloat(_mm256_fmadd_pd(_mm256_loadu_pd(window[g] + kLanes * j), c, acc[g]));
        }
    }
#pragma GCC unroll 16
    for (std::size_t g = 0; g < N; ++g)
        _mm_storeu_ps(out + kLanes * g, _mm256_cvtpd_ps(acc[g])); // exact: floats already
}

// The lane patterns a batch of groups can share (lane 0 always uses rowA).
template <std::size_t N, int kPattern = 2>
void RunPattern(std::uint32_t useB, const LaneGroup* groups, std::int32_t taps, float* out) {
    if constexpr (kPattern > 14) {
        RunBatch<N, Rows::Masked>(groups, taps, out);
    } else if (useB == static_cast<std::uint32_t>(kPattern)) {
        RunBatch<N, Rows::Pattern, kPattern>(groups, taps, out);
    } else {
        RunPattern<N, kPattern + 2>(useB, groups, taps, out);
    }
}

// Picks the cheapest way to the coefficients that suits every group of the batch.
template <std::size_t N>
void RunBatch(const LaneGroup* groups, std::int32_t taps, float* out) {
    bool sharedRow = true;
    bool samePattern = true;
    for (std::size_t g = 0; g < N; ++g) {
        sharedRow = sharedRow && groups[g].rowA == groups[0].rowA;
        samePattern = samePattern && groups[g].useB == groups[0].useB;
    }
    if (!samePattern) {
        RunBatch<N, Rows::Masked>(groups, taps, out);
    } else if (groups[0].useB != 0) {
        RunPattern<N>(groups[0].useB, groups, taps, out);
    } else if (sharedRow) {
        RunBatch<N, Rows::Shared>(groups, taps, out);
    } else {
        RunBatch<N, Rows::PerGroup>(groups, taps, out);
    }
}

bool ShareOneRow(const LaneGroup* groups, std::size_t count) {
    for (std::size_t g = 0; g < count; ++g)
        if (groups[g].rowA != groups[0].rowA || groups[g].useB != 0) return false;
    return true;
}

void RunAvx2(const LaneGroup* groups, std::size_t count, std::int32_t taps, float* out) {
    std::size_t g = 0;
    while (g + kInterleave <= count) {
        if (g + kSharedInterleave <= count && ShareOneRow(groups + g, kSharedInterleave)) {
            RunBatch<kSharedInterleave, Rows::Shared>(groups + g, taps, out + kLanes * g);
            g += kSharedInterleave;
        } else {
            RunBatch<kInterleave>(groups + g, taps, out + kLanes * g);
            g += kInterleave;
        }
    }
    for (; g + 2 <= count; g += 2) RunBatch<2>(groups + g, taps, out + kLanes * g);
    for (; g < count; ++g) RunBatch<1>(groups + g, taps, out + kLanes * g);
}

constexpr GroupKernel kAvx2{KernelIsa::Avx2, "avx2", kLanes, 2, RunAvx2};

} // namespace

const GroupKernel* Avx2GroupKernel() {
    return &kAvx2;
}

} // namespace chpimport

#else

namespace chpimport {
const GroupKernel* Avx2GroupKernel() {
    return nullptr;
}
} // namespace chpimport

#endif
