#include "audio/resample/fast_kernels.hpp"

#if defined(__x86_64__) || defined(_M_X64)
#include <emmintrin.h>

namespace chpimport {
namespace {

constexpr std::int32_t kLanes = 2;
// Groups computed side by side to hide the latency of each lane's chain of additions.
constexpr std::size_t kInterleave = 12;

// A double rounded to single precision, kept as a double. With e the exponent of the value
// v, the magic number m = 2^(e + 29) with v's sign (v's sign and exponent bits, 29 added to
// the exponent) makes v + m a double whose last place is worth 2^(e - 23), a float's last
// place at v's exponent: the addition rounds v to 24 significant bits, ties to even, and
// taking m off again is exact. That is the float conversion, except that -0 comes out +0.
inline __m128d RoundToFloat(__m128d value) {
    const __m128i exponent =
        _mm_and_si128(_mm_castpd_si128(value), _mm_set1_epi64x(kSignAndExponent));
    const __m128d magic = _mm_castsi128_pd(_mm_add_epi64(exponent, _mm_set1_epi64x(kExponent29)));
    return _mm_sub_pd(_mm_add_pd(value, magic), magic);
}

// `Shared`: every group of the batch uses one row in both lanes (the plain mode), whose
// coefficient is then loaded once a tap for all of them.
template <std::size_t N, bool Shared>
void RunBatch(const LaneGroup* groups, std::int32_t taps, float* out) {
    const double* window[N];
    const double* row0[N];
    const double* row1[N];
    __m128d acc[N];
    auto coefficients = [&](std::size_t g, std::int32_t j) {
        if constexpr (Shared) return _mm_load1_pd(row0[0] + j);
        return _mm_loadh_pd(_mm_load_sd(row0[g] + j), row1[g] + j);
    };
#pragma GCC unroll 16
    for (std::size_t g = 0; g < N; ++g) {
        window[g] = groups[g].window;
        row0[g] = groups[g].rowA;
        row1[g] = (groups[g].useB & 2u) != 0 ? groups[g].rowB : groups[g].rowA;
        acc[g] = RoundToFloat(_mm_mul_pd(_mm_loadu_pd(window[g]), coefficients(g, 0)));
    }
    for (std::int32_t j = 1; j < taps; ++j) {
        const __m128d shared = coefficients(0, j);
#pragma GCC unroll 16
        for (std::size_t g = 0; g < N; ++g) {
            const __m128d c = Shared ? shared : coefficients(g, j);
            const __m128d term = _mm_mul_pd(_mm_loadu_pd(window[g] + kLanes * j), c);
            acc[g] = RoundToFloat(_mm_add_pd(acc[g], term));
        }
    }
#pragma GCC unroll 16
    for (std::size_t g = 0; g < N; ++g) {
        alignas(16) float lanes[4];
        _mm_store_ps(lanes, _mm_cvtpd_ps(acc[g])); // exact: the values are floats already
        out[kLanes * g] = lanes[0];
        out[kLanes * g + 1] = lanes[1];
    }
}

template <std::size_t N>
void RunBatch(const LaneGroup* groups, std::int32_t taps, float* out) {
    bool shared = true;
    for (std::size_t g = 0; g < N; ++g)
        shared = shared && groups[g].rowA == groups[0].rowA && (groups[g].useB & 2u) == 0;
    if (shared) {
        RunBatch<N, true>(groups, taps, out);
    } else {
        RunBatch<N, false>(groups, taps, out);
    }
}

void RunSse2(const LaneGroup* groups, std::size_t count, std::int32_t taps, float* out) {
    std::size_t g = 0;
    for (; g + kInterleave <= count; g += kInterleave)
        RunBatch<kInterleave>(groups + g, taps, out + kLanes * g);
    for (; g < count; ++g) RunBatch<1>(groups + g, taps, out + kLanes * g);
}

constexpr GroupKernel kSse2{KernelIsa::Sse2, "sse2", kLanes, 2, RunSse2};

} // namespace

const GroupKernel* Sse2GroupKernel() {
    return &kSse2;
}

} // namespace chpimport

#else

namespace chpimport {
const GroupKernel* Sse2GroupKernel() {
    return nullptr;
}
} // namespace chpimport

#endif
