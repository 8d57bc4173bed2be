#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/fast_kernels.hpp"
#include "audio/kernel_table.hpp"

namespace chpimport {

// One output to compute: the index in the sample buffer of the oldest of its T samples
// (the newest is the frame that made it) and the branch its phase chose.
struct PlannedOutput {
    PlannedOutput() {} // left unset: the schedule fills large arrays of these
    PlannedOutput(std::int64_t w, std::int32_t b) : window(w), branch(b) {}
    std::int64_t window;
    std::int32_t branch;
};

// The filter values of a run of planned outputs, in any order the kernels like, each one
// exactly as FirDot computes it.
struct FilterJob {
    const GroupKernel* kernel = nullptr;
    const KernelTable* table = nullptr;
    const float* samples = nullptr; // the sample buffer; every planned window lies inside
    std::size_t sampleCount = 0;
    const PlannedOutput* outputs = nullptr; // windows in ascending order
    std::size_t count = 0;
    std::int32_t threads = 1; // at most this many threads work on it
};

// Outputs of a lane group lie this far apart in the run (lane k of the group that starts
// with output m computes output m + k x stride): kLongStride where the run is long enough,
// kLaneStride in the rest of it (see fast_filter.cpp).
inline constexpr std::size_t kLaneStride = 641;
inline constexpr std::size_t kLongStride = 5192;
// A run of a whole number of these leaves no lane idle.
inline constexpr std::size_t LongSpan(std::int32_t lanes) {
    return static_cast<std::size_t>(lanes) * kLongStride;
}
// A run this long is shared between threads.
inline constexpr std::size_t kThreadedOutputs = 8192;

// The buffers one thread of FilterOutputs works in. A caller that keeps them from call to
// call spares the allocations and the fresh pages of each.
struct FilterScratch {
    std::vector<double> interleaved;
    std::vector<LaneGroup> groups;
    std::vector<LaneGroup> sorted;
    std::vector<std::size_t> order;
    std::vector<std::size_t> byBranch;
    std::vector<std::size_t> starts;
    std::vector<float> lanes;
    std::vector<std::size_t> stragglers;
};

// values[i] = the filter value of job.outputs[i]. `scratch`: two sets of buffers (one per
// thread), or null for buffers of its own. Returns how many of the outputs did not fit the
// lanes' pattern and were computed one by one (a handful in a well-planned run).
std::size_t FilterOutputs(const FilterJob& job, float* values, FilterScratch* scratch = nullptr);

// One output on its own, the plain way: `window` holds its T samples, oldest first, and
// `row` its branch as KernelTable lays it out.
float ScalarDot(const float* window, const double* row, std::int32_t taps);

} // namespace chpimport
