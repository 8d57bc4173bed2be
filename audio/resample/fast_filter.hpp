#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/resample/fast_kernels.hpp"
#include "audio/resample/kernel_table.hpp"
#include "audio/resample/phase_schedule.hpp"

namespace chpimport {

// The samples the outputs' windows read, all whole numbers in 16-bit range: sample i is
// data[i & mask] (a mask of all ones: a plain array), and only those below `limit` are
// there; the others read as zero (only lanes that are not used reach them).
struct SampleRing {
    const std::int16_t* data = nullptr;
    std::uint64_t mask = ~std::uint64_t{0};
    std::int64_t limit = 0;
};

// One output to compute: the index of the oldest of its T samples (the newest is the frame
// that made it) and the branch its phase chose.
struct PlannedOutput {
    PlannedOutput() {} // left unset: large arrays of these are filled afterwards
    PlannedOutput(std::int64_t w, std::int32_t b) : window(w), branch(b) {}
    std::int64_t window;
    std::int32_t branch;
};

// A run of outputs [first, end) computed in lane groups: the group led by output m takes
// m + k x stride in lane k, as far as the run reaches, so that lanes read windows a fixed
// number of frames apart with one branch (or, at a small cost, two). The leads are
// [first, first + Leads()); any share of them can be computed on its own.
struct Span {
    std::int64_t first = 0;
    std::int64_t end = 0;
    std::int64_t stride = 0;
    const GroupKernel* kernel = nullptr;
    std::int64_t Leads() const { return std::min(end - first, stride); }
};

// Lane strides. With the flag clear every stride keeps the lanes on branch 0. In the Zuvan
// mode 5192 outputs advance the phase by 10465 frames less 0.025 branch, so eight lanes
// stay within two neighbouring branches (a lane's own or the one before); 641 outputs
// advance it by 1292 frames plus 0.194 branch, which keeps four lanes within two branches
// and eight within three. No shorter stride keeps four lanes within two branches. A lane
// that breaks the pattern all the same (its branch crossing into another frame, about one
// in two thousand) is computed on its own.
inline constexpr std::int64_t kLongStride = 5192;
inline constexpr std::int64_t kLaneStride = 641;

// The span that starts at output `first` of a run that ends before `count`: long strides
// where the run has room for all lanes of one, else short ones.
Span PlanSpan(std::int64_t first, std::int64_t count, const GroupKernel& kernel);

// A growing array that does not clear what it hands out: buffers that the next step
// overwrites anyway then cost neither the clearing nor, once grown, fresh pages. It can be
// given memory to start with (a part of a LargeBlock); it takes its own when it outgrows it.
template <typename T>
class ScratchArray {
public:
    T* Get(std::size_t count) {
        if (count > capacity_) {
            capacity_ = std::max(count, capacity_ + capacity_ / 2);
            own_.reset(new T[capacity_]);
            data_ = own_.get();
        }
        return data_;
    }
    // Hands it `capacity` elements at `memory` (aligned for T).
    void Place(std::uint8_t* memory, std::size_t capacity) {
        own_.reset();
        data_ = reinterpret_cast<T*>(memory);
        capacity_ = capacity;
    }

private:
    std::unique_ptr<T[]> own_;
    T* data_ = nullptr;
    std::size_t capacity_ = 0;
};

// The buffers one thread computes in. A caller that keeps them from call to call spares
// the allocations and the fresh pages of each.
struct FilterScratch {
    ScratchArray<double> interleaved;
    ScratchArray<std::int32_t> branches;
    ScratchArray<LaneGroup> groups;
    ScratchArray<LaneGroup> sorted;
    ScratchArray<std::int64_t> order;
    ScratchArray<std::int64_t> byBranch;
    ScratchArray<std::int64_t> starts;
    ScratchArray<float> lanes;
    ScratchArray<std::uint16_t> samples; // the lanes' values as output samples
    std::vector<std::int64_t> stragglers;

    // Places the buffers for shares of up to `leads` leads in `memory` (64-byte aligned;
    // null: only measures), for `table` and kernels of up to eight lanes. Returns the bytes
    // they take.
    std::size_t Place(std::uint8_t* memory, std::size_t leads, const KernelTable& table);
};

// Computes leads [leadBegin, leadEnd) of `span`, outputs of `schedule` (started at phase 0)
// whose window of output n starts at sample schedule.At(n).frame of `samples`, and writes
// each as its output sample (16 bits, little-endian) at bytes + 2 x (n - span.first).
// Returns how many outputs did not fit the lanes' pattern and were computed on their own.
std::size_t WriteScheduledLeads(const PhaseSchedule& schedule, const SampleRing& samples,
                                const KernelTable& table, const Span& span, std::int64_t leadBegin,
                                std::int64_t leadEnd, FilterScratch& scratch, std::uint8_t* bytes);

// The filter values of a run of planned outputs in memory, each one exactly as FirDot
// computes it, for tests and benchmarks.
struct FilterJob {
    const GroupKernel* kernel = nullptr;
    const KernelTable* table = nullptr;
    const std::int16_t* samples = nullptr; // every planned window lies inside
    std::size_t sampleCount = 0;
    const PlannedOutput* outputs = nullptr; // windows in ascending order
    std::size_t count = 0;
    std::int32_t threads = 1; // at most this many threads work on it
};

// A run this long is shared between threads.
inline constexpr std::size_t kThreadedOutputs = 8192;

// values[i] = the filter value of job.outputs[i]. Returns how many of the outputs did not fit
// the lanes' pattern and were computed one by one (a handful in a well-planned run).
std::size_t FilterOutputs(const FilterJob& job, float* values);

// bits[i] = OutputSample(values[i]) as 16 bits, for i < count; four at a time where the
// processor has SSE2.
void OutputSamples(const float* values, std::size_t count, std::uint16_t* bits);

// One output on its own, the plain way: `window` holds its T samples, oldest first, and
// `row` its branch as KernelTable lays it out.
float ScalarDot(const float* window, const double* row, std::int32_t taps);

} // namespace chpimport
