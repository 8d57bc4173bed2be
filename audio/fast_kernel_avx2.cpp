// Compiled with -mavx2 and run only where the processor has AVX2 (see AvailableGroupKernel).
// Nothing here may be inline code that other files share: the linker could keep this
// file's AVX2 copy for everyone.
#include "audio/fast_kernels.hpp"

#if defined(__x86_64__) || defined(_M_X64)
#include <immintrin.h>

namespace chpimport {
namespace {

constexpr std::int32_t kLanes = 4;
// Groups computed side by side to hide the latency of each lane's chain of additions.
constexpr std::size_t kInterleave = 8;

// As in the SSE2 kernel: round to nearest even at the 24th significant bit, on the bits.
inline __m256d RoundToFloat(__m256d value) {
    const __m256i bits = _mm256_castpd_si256(value);
    const __m256i odd = _mm256_and_si256(_mm256_srli_epi64(bits, 29), _mm256_set1_epi64x(1));
    const __m256i biased =
        _mm256_add_epi64(bits, _mm256_add_epi64(odd, _mm256_set1_epi64x(0x0FFFFFFF)));
    return _mm256_castsi256_pd(
        _mm256_and_si256(biased, _mm256_set1_epi64x(~std::int64_t{0x1FFFFFFF})));
}

inline __m256d LaneMask(std::uint32_t useB) {
    return _mm256_castsi256_pd(_mm256_set_epi64x(
        (useB & 8u) != 0 ? -1 : 0, (useB & 4u) != 0 ? -1 : 0, (useB & 2u) != 0 ? -1 : 0, 0));
}

// `TwoRows`: some lanes use rowB, picked by a blend; otherwise rowA is broadcast to all.
template <std::size_t N, bool TwoRows>
void RunBatch(const LaneGroup* groups, std::int32_t taps, float* out) {
    const double* window[N];
    const double* rowA[N];
    const double* rowB[N];
    __m256d mask[N];
    __m256d acc[N];
#pragma GCC unroll 8
    for (std::size_t g = 0; g < N; ++g) {
        window[g] = groups[g].window;
        rowA[g] = groups[g].rowA;
        rowB[g] = groups[g].rowB;
        mask[g] = LaneMask(groups[g].useB);
    }
    auto coefficients = [&](std::size_t g, std::int32_t j) {
        const __m256d a = _mm256_broadcast_sd(rowA[g] + j);
        if constexpr (!TwoRows) return a;
        return _mm256_blendv_pd(a, _mm256_broadcast_sd(rowB[g] + j), mask[g]);
    };
#pragma GCC unroll 8
    for (std::size_t g = 0; g < N; ++g)
        acc[g] = RoundToFloat(_mm256_mul_pd(_mm256_loadu_pd(window[g]), coefficients(g, 0)));
    for (std::int32_t j = 1; j < taps; ++j) {
#pragma GCC unroll 8
        for (std::size_t g = 0; g < N; ++g) {
            const __m256d term =
                _mm256_mul_pd(_mm256_loadu_pd(window[g] + kLanes * j), coefficients(g, j));
            acc[g] = RoundToFloat(_mm256_add_pd(acc[g], term));
        }
    }
#pragma GCC unroll 8
    for (std::size_t g = 0; g < N; ++g)
        _mm_storeu_ps(out + kLanes * g, _mm256_cvtpd_ps(acc[g])); // exact: floats already
}

template <std::size_t N>
void RunBatch(const LaneGroup* groups, std::int32_t taps, float* out) {
    std::uint32_t useB = 0;
    for (std::size_t g = 0; g < N; ++g) useB |= groups[g].useB;
    if (useB != 0) {
        RunBatch<N, true>(groups, taps, out);
    } else {
        RunBatch<N, false>(groups, taps, out);
    }
}

void RunAvx2(const LaneGroup* groups, std::size_t count, std::int32_t taps, float* out) {
    std::size_t g = 0;
    for (; g + kInterleave <= count; g += kInterleave)
        RunBatch<kInterleave>(groups + g, taps, out + kLanes * g);
    for (; g + 2 <= count; g += 2) RunBatch<2>(groups + g, taps, out + kLanes * g);
    for (; g < count; ++g) RunBatch<1>(groups + g, taps, out + kLanes * g);
}

constexpr GroupKernel kAvx2{KernelIsa::Avx2, "avx2", kLanes, RunAvx2};

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
