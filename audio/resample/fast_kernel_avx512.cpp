// Compiled with -mavx512f and run only where the processor has AVX-512F (see
// AvailableGroupKernel). Nothing here may be inline code that other files share: the linker
// could keep this file's AVX-512 copy for everyone.
#include "audio/resample/fast_kernels.hpp"

#if defined(__x86_64__) || defined(_M_X64)
#include <immintrin.h>

namespace chpimport {
namespace {

constexpr std::int32_t kLanes = 8;
// Groups computed side by side: enough to hide each lane's chain of additions, few enough
// for the accumulators and coefficients to stay in the 32 registers.
constexpr std::size_t kInterleave = 12;
constexpr std::size_t kSharedInterleave = 16;

// As in the SSE2 kernel (see there): adding and taking off 2^29 units of the value's
// exponent rounds it to 24 significant bits, ties to even.
inline __m512d RoundToFloat(__m512d value) {
    const __m512i exponent =
        _mm512_and_si512(_mm512_castpd_si512(value), _mm512_set1_epi64(kSignAndExponent));
    const __m512d magic =
        _mm512_castsi512_pd(_mm512_add_epi64(exponent, _mm512_set1_epi64(kExponent29)));
    return _mm512_sub_pd(_mm512_add_pd(value, magic), magic);
}

// Where a group's coefficients come from: one row shared by every group of the batch (the
// plain mode), a row per group, or two or three rows per group with the lanes of rowB and
// rowC in their masks.
enum class Rows { Shared, PerGroup, TwoRows, ThreeRows };

// The sum and the product in one instruction: the product of two floats is exact in double
// precision, so the fused operation rounds exactly where the separate addition would.
template <std::size_t N, Rows R>
void RunBatch(const LaneGroup* groups, std::int32_t taps, float* out) {
    const double* window[N];
    const double* rowA[N];
    const double* rowB[N];
    const double* rowC[N];
    __mmask8 useB[N];
    __mmask8 useC[N];
    __m512d acc[N];
#pragma GCC unroll 16
    for (std::size_t g = 0; g < N; ++g) {
        window[g] = groups[g].window;
        rowA[g] = groups[g].rowA;
        rowB[g] = groups[g].rowB;
        rowC[g] = groups[g].rowC;
        useB[g] = static_cast<__mmask8>(groups[g].useB);
        useC[g] = static_cast<__mmask8>(groups[g].useC);
    }
    auto coefficients = [&](std::size_t g, std::int32_t j) {
        const __m512d a = _mm512_set1_pd(rowA[g][j]);
        if constexpr (R == Rows::TwoRows || R == Rows::ThreeRows) {
            const __m512d ab = _mm512_mask_blend_pd(useB[g], a, _mm512_set1_pd(rowB[g][j]));
            if constexpr (R == Rows::ThreeRows)
                return _mm512_mask_blend_pd(useC[g], ab, _mm512_set1_pd(rowC[g][j]));
            return ab;
        }
        return a;
    };
    __m512d shared = coefficients(0, 0);
#pragma GCC unroll 16
    for (std::size_t g = 0; g < N; ++g) {
        const __m512d c = R == Rows::Shared ? shared : coefficients(g, 0);
        acc[g] = RoundToFloat(_mm512_mul_pd(_mm512_loadu_pd(window[g]), c));
    }
    for (std::int32_t j = 1; j < taps; ++j) {
        if constexpr (R == Rows::Shared) shared = coefficients(0, j);
#pragma GCC unroll 16
        for (std::size_t g = 0; g < N; ++g) {
            const __m512d c = R == Rows::Shared ? shared : coefficients(g, j);
            acc[g] =
                RoundToFloat(_mm512_fmadd_pd(_mm512_loadu_pd(window[g] + kLanes * j), c, acc[g]));
        }
    }
#pragma GCC unroll 16
    for (std::size_t g = 0; g < N; ++g)
        // Exact: floats already. (The unmasked form trips GCC 12's uninitialised warning.)
        _mm256_storeu_ps(out + kLanes * g, _mm512_maskz_cvtpd_ps(0xFF, acc[g]));
}

// Picks the cheapest way to the coefficients that suits every group of the batch.
template <std::size_t N>
void RunBatch(const LaneGroup* groups, std::int32_t taps, float* out) {
    bool sharedRow = true;
    bool oneRow = true;
    bool twoRows = true;
    for (std::size_t g = 0; g < N; ++g) {
        sharedRow = sharedRow && groups[g].rowA == groups[0].rowA;
        oneRow = oneRow && groups[g].useB == 0 && groups[g].useC == 0;
        twoRows = twoRows && groups[g].useC == 0;
    }
    if (!twoRows) {
        RunBatch<N, Rows::ThreeRows>(groups, taps, out);
    } else if (!oneRow) {
        RunBatch<N, Rows::TwoRows>(groups, taps, out);
    } else if (sharedRow) {
        RunBatch<N, Rows::Shared>(groups, taps, out);
    } else {
        RunBatch<N, Rows::PerGroup>(groups, taps, out);
    }
}

bool ShareOneRow(const LaneGroup* groups, std::size_t count) {
    for (std::size_t g = 0; g < count; ++g)
        if (groups[g].rowA != groups[0].rowA || groups[g].useB != 0 || groups[g].useC != 0)
            return false;
    return true;
}

void RunAvx512(const LaneGroup* groups, std::size_t count, std::int32_t taps, float* out) {
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
    for (; g + 4 <= count; g += 4) RunBatch<4>(groups + g, taps, out + kLanes * g);
    for (; g < count; ++g) RunBatch<1>(groups + g, taps, out + kLanes * g);
}

constexpr GroupKernel kAvx512{KernelIsa::Avx512, "avx512", kLanes, 3, RunAvx512};

} // namespace

const GroupKernel* Avx512GroupKernel() {
    return &kAvx512;
}

} // namespace chpimport

#else

namespace chpimport {
const GroupKernel* Avx512GroupKernel() {
    return nullptr;
}
} // namespace chpimport

#endif
