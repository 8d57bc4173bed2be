#include "audio/resample/fast_kernels.hpp"

namespace chpimport {
namespace {

// Outputs computed side by side to hide the latency of each one's chain of additions.
constexpr std::size_t kInterleave = 8;

template <std::size_t N>
void RunBatch(const LaneGroup* groups, std::int32_t taps, float* out) {
    float acc[N];
    for (std::size_t g = 0; g < N; ++g)
        acc[g] = static_cast<float>(groups[g].window[0] * groups[g].rowA[0]);
    for (std::int32_t j = 1; j < taps; ++j)
        for (std::size_t g = 0; g < N; ++g)
            acc[g] = static_cast<float>(static_cast<double>(acc[g]) +
                                        groups[g].window[j] * groups[g].rowA[j]);
    for (std::size_t g = 0; g < N; ++g) out[g] = acc[g];
}

void RunScalar(const LaneGroup* groups, std::size_t count, std::int32_t taps, float* out) {
    std::size_t g = 0;
    for (; g + kInterleave <= count; g += kInterleave)
        RunBatch<kInterleave>(groups + g, taps, out + g);
    for (; g < count; ++g) RunBatch<1>(groups + g, taps, out + g);
}

constexpr GroupKernel kScalar{KernelIsa::Scalar, "scalar", 1, 2, RunScalar};

} // namespace

const GroupKernel& ScalarGroupKernel() {
    return kScalar;
}

} // namespace chpimport
