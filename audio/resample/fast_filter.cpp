#include "audio/resample/fast_filter.hpp"

#include <cmath>
#include <system_error>
#include <thread>
#include <type_traits>

#include "audio/resample/resampler.hpp"
#include "base/bytes.hpp"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define CHPIMPORT_SSE2_SAMPLES 1
#endif

namespace chpimport {
namespace {

// Outputs of a run planned in memory.
struct ArrayPlan {
    const PlannedOutput* outputs;
    PlannedOutput operator()(std::int64_t o) const { return outputs[o]; }
    bool InStep(std::int64_t) const { return false; } // each lane is looked at
};

// Outputs of the phase schedule: output n's window starts at the sample of its frame.
struct SchedulePlan {
    const PhaseSchedule* schedule;
    PlannedOutput operator()(std::int64_t n) const {
        const PhaseSchedule::Output output = schedule->At(n);
        return {output.frame, output.branch};
    }
    // Whether outputs `stride` apart always lie a whole number of frames apart on one
    // branch (every stride with the flag clear), so that every lane keeps to its lead.
    bool InStep(std::int64_t stride) const { return schedule->Drift(stride) == 0.0; }
};

std::int16_t SampleAt(const SampleRing& samples, std::int64_t i) {
    return i < samples.limit ? samples.data[static_cast<std::uint64_t>(i) & samples.mask] : 0;
}

// Samples [from, from + length) of the ring, widened to double, into lane k of `target`
// (target[i * lanes + k]).
void InterleaveLane(const SampleRing& samples, std::int64_t from, std::size_t length,
                    std::size_t lanes, std::size_t k, double* target) {
    const auto start = static_cast<std::uint64_t>(from) & samples.mask;
    if (from + static_cast<std::int64_t>(length) <= samples.limit &&
        start + length - 1 <= samples.mask) {
        const std::int16_t* source = samples.data + start;
        for (std::size_t i = 0; i < length; ++i) target[i * lanes + k] = source[i];
        return;
    }
    for (std::size_t i = 0; i < length; ++i)
        target[i * lanes + k] = SampleAt(samples, from + static_cast<std::int64_t>(i));
}

// N lanes whose windows all lie whole inside the ring, in one pass.
template <std::size_t N>
bool InterleaveAll(const SampleRing& samples, std::int64_t base, std::int64_t frameStride,
                   std::size_t length, double* target) {
    const std::int16_t* source[N];
    for (std::size_t k = 0; k < N; ++k) {
        const std::int64_t from = base + static_cast<std::int64_t>(k) * frameStride;
        const auto start = static_cast<std::uint64_t>(from) & samples.mask;
        if (from + static_cast<std::int64_t>(length) > samples.limit ||
            start + length - 1 > samples.mask)
            return false;
        source[k] = samples.data + start;
    }
    for (std::size_t i = 0; i < length; ++i, target += N)
        for (std::size_t k = 0; k < N; ++k) target[k] = source[k][i];
    return true;
}

// Where a share's outputs lie: lead i of lane k is output leadBegin + i + k x stride, and
// lane k has laneLeads[k] leads before the span ends.
struct ShareLayout {
    std::int64_t leadBegin = 0;
    std::int64_t stride = 0;
    std::size_t leads = 0;
    std::size_t lanes = 0;
    std::size_t laneLeads[8] = {};

    ShareLayout(const Span& span, std::int64_t begin, std::int64_t end)
        : leadBegin(begin), stride(span.stride), leads(static_cast<std::size_t>(end - begin)),
          lanes(static_cast<std::size_t>(span.kernel->lanes)) {
        for (std::size_t k = 0; k < lanes; ++k)
            laneLeads[k] = static_cast<std::size_t>(std::clamp<std::int64_t>(
                span.end - leadBegin - static_cast<std::int64_t>(k) * stride, 0,
                static_cast<std::int64_t>(leads)));
    }
    std::int64_t Output(std::size_t i, std::size_t k) const {
        return leadBegin + static_cast<std::int64_t>(i + k * static_cast<std::size_t>(stride));
    }
};

// How far apart the lanes' windows lie: the phase distance of `stride` outputs to the
// nearest whole frame, from the span's first group (the same for every share of its leads,
// whichever way they are cut).
template <typename Plan>
std::int64_t FrameStride(const Plan& plan, const KernelTable& table, const Span& span) {
    if (span.first + span.stride >= span.end) return 0;
    const std::int64_t branches = table.Mode().BranchCount;
    const PlannedOutput a = plan(span.first);
    const PlannedOutput b = plan(span.first + span.stride);
    const std::int64_t distance = (b.window - a.window) * branches + b.branch - a.branch;
    return (distance + branches / 2) / branches;
}

// The windows of lane 0 from sample `base` on, and beside each sample those frameStride,
// 2 x frameStride... further on.
double* InterleaveWindows(const SampleRing& samples, std::int64_t base, std::size_t length,
                          std::size_t lanes, std::int64_t frameStride, FilterScratch& scratch) {
    double* interleaved = scratch.interleaved.Get(length * lanes);
    const bool whole =
        lanes == 8   ? InterleaveAll<8>(samples, base, frameStride, length, interleaved)
        : lanes == 4 ? InterleaveAll<4>(samples, base, frameStride, length, interleaved)
                     : false;
    if (!whole)
        for (std::size_t k = 0; k < lanes; ++k)
            InterleaveLane(samples, base + static_cast<std::int64_t>(k) * frameStride, length,
                           lanes, k, interleaved);
    return interleaved;
}

// One group per lead: its window, and the rows its lanes take (lane 0's row A; lanes on
// another branch row B, or C in a kernel of three rows). A lane whose window is not where
// the group has it, or that needs a row more, is a straggler (k x leads + i), computed on
// its own later. True when every group is on lane 0's row alone, all on one branch.
template <typename Plan>
bool GroupLanes(const Plan& plan, const KernelTable& table, const ShareLayout& share,
                const double* interleaved, std::int64_t base, std::int64_t frameStride,
                bool threeRows, FilterScratch& scratch) {
    LaneGroup* groups = scratch.groups.Get(share.leads);
    std::int32_t* leadBranch = scratch.branches.Get(share.leads);
    std::vector<std::int64_t>& stragglers = scratch.stragglers;
    stragglers.clear();
    bool uniform = true;
    const bool inStep = plan.InStep(share.stride);
    for (std::size_t i = 0; i < share.leads; ++i) {
        const PlannedOutput lead = plan(share.Output(i, 0));
        leadBranch[i] = lead.branch;
        LaneGroup& group = groups[i];
        group.window = interleaved + static_cast<std::size_t>(lead.window - base) * share.lanes;
        group.rowA = table.Row(lead.branch);
        group.rowB = group.rowA;
        group.rowC = group.rowA;
        group.useB = 0;
        group.useC = 0;
        std::int32_t branchB = lead.branch;
        std::int32_t branchC = lead.branch;
        for (std::size_t k = 1; k < share.lanes && i < share.laneLeads[k] && !inStep; ++k) {
            const PlannedOutput lane = plan(share.Output(i, k));
            const bool inPlace =
                lane.window == lead.window + static_cast<std::int64_t>(k) * frameStride;
            if (inPlace && lane.branch == lead.branch) continue;
            if (inPlace && (group.useB == 0 || lane.branch == branchB)) {
                branchB = lane.branch;
                group.rowB = table.Row(branchB);
                group.useB |= 1u << k;
                continue;
            }
            if (inPlace && threeRows && (group.useC == 0 || lane.branch == branchC)) {
                branchC = lane.branch;
                group.rowC = table.Row(branchC);
                group.useC |= 1u << k;
                continue;
            }
            stragglers.push_back(static_cast<std::int64_t>(k * share.leads + i));
        }
        uniform = uniform && group.useB == 0 && group.useC == 0 && group.rowA == groups[0].rowA;
    }
    return uniform;
}

// The groups in order of how they take their coefficients and then of their branch: a
// kernel's batches then mostly share one way to their coefficients, and groups of one
// branch follow each other while its row is in the cache. The way is the lanes on rowB (a
// kernel of two rows builds each pattern into its code), or the number of rows (a kernel of
// three takes each group's lanes as they come). Two stable counting sorts: by branch into
// `sorted`, then by way back into `groups`. Returns order: groups[g] is the group of lead
// order[g].
const std::int64_t* SortGroups(const KernelTable& table, std::size_t leads, std::size_t lanes,
                               bool threeRows, FilterScratch& scratch) {
    LaneGroup* groups = scratch.groups.Get(leads);
    const std::int32_t* leadBranch = scratch.branches.Get(leads);
    LaneGroup* sorted = scratch.sorted.Get(leads);
    std::int64_t* order = scratch.order.Get(leads);
    std::int64_t* byBranch = scratch.byBranch.Get(leads);
    const auto branches = static_cast<std::size_t>(table.Mode().BranchCount);
    const std::size_t patterns = threeRows ? 3 : std::size_t{1} << lanes;
    auto way = [threeRows](const LaneGroup& group) -> std::size_t {
        return threeRows ? (group.useB != 0) + (group.useC != 0) : group.useB;
    };
    std::int64_t* starts = scratch.starts.Get(std::max(branches, patterns) + 1);
    std::fill(starts, starts + branches + 1, 0);
    for (std::size_t i = 0; i < leads; ++i) ++starts[static_cast<std::size_t>(leadBranch[i]) + 1];
    for (std::size_t b = 1; b <= branches; ++b) starts[b] += starts[b - 1];
    for (std::size_t i = 0; i < leads; ++i) {
        const auto at = static_cast<std::size_t>(starts[static_cast<std::size_t>(leadBranch[i])]++);
        sorted[at] = groups[i];
        byBranch[at] = static_cast<std::int64_t>(i);
    }
    std::fill(starts, starts + patterns + 1, 0);
    for (std::size_t i = 0; i < leads; ++i) ++starts[way(sorted[i]) + 1];
    for (std::size_t p = 1; p <= patterns; ++p) starts[p] += starts[p - 1];
    for (std::size_t i = 0; i < leads; ++i) {
        const auto at = static_cast<std::size_t>(starts[way(sorted[i])]++);
        groups[at] = sorted[i];
        order[at] = byBranch[i];
    }
    return order;
}

// The outputs outside the pattern, on their own; they replace their lanes' values.
template <typename Plan, typename Sink>
void ComputeStragglers(const Plan& plan, const SampleRing& samples, const KernelTable& table,
                       const ShareLayout& share, const std::vector<std::int64_t>& stragglers,
                       Sink& sink) {
    const std::int32_t taps = table.Taps();
    float window[kFirHistorySize + 1];
    for (std::int64_t at : stragglers) {
        const auto k = static_cast<std::size_t>(at) / share.leads;
        const auto i = static_cast<std::size_t>(at) % share.leads;
        const std::int64_t n = share.Output(i, k);
        const PlannedOutput lane = plan(n);
        for (std::int32_t j = 0; j < taps; ++j) window[j] = SampleAt(samples, lane.window + j);
        sink.Put(n, sink.One(ScalarDot(window, table.Row(lane.branch), taps)));
    }
}

// The leads [leadBegin, leadEnd) of a span and their lanes: grouped, computed by the span's
// kernel, and handed to the sink: Prepare(values, count) turns the kernel's values into
// what Put(output, what) takes, One(value) does so for a value computed alone. Returns how
// many outputs were computed alone.
template <typename Plan, typename Sink>
std::size_t ComputeLeads(const Plan& plan, const SampleRing& samples, const KernelTable& table,
                         const Span& span, std::int64_t leadBegin, std::int64_t leadEnd,
                         FilterScratch& scratch, Sink& sink) {
    if (leadBegin >= leadEnd) return 0;
    const GroupKernel& kernel = *span.kernel;
    const ShareLayout share(span, leadBegin, leadEnd);
    const std::int32_t taps = table.Taps();
    const bool threeRows = kernel.rows >= 3;

    const std::int64_t frameStride = FrameStride(plan, table, span);
    const std::int64_t base = plan(leadBegin).window;
    const auto length = static_cast<std::size_t>(plan(leadEnd - 1).window + taps - base);
    const double* interleaved =
        InterleaveWindows(samples, base, length, share.lanes, frameStride, scratch);
    const bool uniform =
        GroupLanes(plan, table, share, interleaved, base, frameStride, threeRows, scratch);
    // Nothing to sort when all share one row.
    const std::int64_t* order =
        uniform ? nullptr : SortGroups(table, share.leads, share.lanes, threeRows, scratch);

    float* values = scratch.lanes.Get(share.leads * share.lanes);
    kernel.run(scratch.groups.Get(share.leads), share.leads, taps, values);
    const auto* ready = sink.Prepare(values, share.leads * share.lanes, scratch);
    if (order == nullptr) {
        // In lead order each lane's outputs follow each other: put them lane by lane.
        for (std::size_t k = 0; k < share.lanes; ++k)
            for (std::size_t i = 0; i < share.laneLeads[k]; ++i)
                sink.Put(share.Output(i, k), ready[i * share.lanes + k]);
    } else {
        for (std::size_t g = 0; g < share.leads; ++g) {
            const auto i = static_cast<std::size_t>(order[g]);
            for (std::size_t k = 0; k < share.lanes && i < share.laneLeads[k]; ++k)
                sink.Put(share.Output(i, k), ready[g * share.lanes + k]);
        }
    }
    ComputeStragglers(plan, samples, table, share, scratch.stragglers, sink);
    return scratch.stragglers.size();
}

// Filter values kept as they are, by output.
struct ValueSink {
    float* values;
    const float* Prepare(const float* computed, std::size_t, FilterScratch&) { return computed; }
    float One(float value) const { return value; }
    void Put(std::int64_t o, float value) const { values[o] = value; }
};

// Output samples, 16 bits little-endian, at bytes + 2 x (n - first).
struct SampleSink {
    std::uint8_t* bytes;
    std::int64_t first;
    const std::uint16_t* Prepare(const float* computed, std::size_t count, FilterScratch& scratch) {
        std::uint16_t* bits = scratch.samples.Get(count);
        OutputSamples(computed, count, bits);
        return bits;
    }
    std::uint16_t One(float value) const { return static_cast<std::uint16_t>(OutputSample(value)); }
    void Put(std::int64_t n, std::uint16_t bits) const { PutLe16(bytes + 2 * (n - first), bits); }
};

#ifdef CHPIMPORT_SSE2_SAMPLES
// Four values as OutputSample makes them, in the low 16 bits of each lane. Halving in single
// precision rounds the exact half once, as halving in double and rounding to float does;
// max(lo, y) and min(hi, y) keep a NaN, which then truncates to 0 as the scalar cast does.
inline __m128i FourSamples(const float* values) {
    const __m128 y = _mm_mul_ps(_mm_loadu_ps(values), _mm_set1_ps(0.5f));
    const __m128 clipped = _mm_min_ps(_mm_set1_ps(32767.0f), _mm_max_ps(_mm_set1_ps(-32768.0f), y));
    const __m128i whole = _mm_cvttps_epi32(clipped); // toward zero
    return _mm_srai_epi32(_mm_slli_epi32(whole, 16), 16);
}
#endif

} // namespace

void OutputSamples(const float* values, std::size_t count, std::uint16_t* bits) {
    std::size_t i = 0;
#ifdef CHPIMPORT_SSE2_SAMPLES
    for (; i + 8 <= count; i += 8) {
        const __m128i eight = _mm_packs_epi32(FourSamples(values + i), FourSamples(values + i + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bits + i), eight);
    }
#endif
    for (; i < count; ++i) bits[i] = static_cast<std::uint16_t>(OutputSample(values[i]));
}

Span PlanSpan(std::int64_t first, std::int64_t count, const GroupKernel& kernel) {
    const std::int64_t longSpan = kernel.lanes * kLongStride;
    if (count - first >= longSpan) return {first, first + longSpan, kLongStride, &kernel};
    return {first, std::min(count, first + kernel.lanes * kLaneStride), kLaneStride, &kernel};
}

std::size_t FilterScratch::Place(std::uint8_t* memory, std::size_t leads,
                                 const KernelTable& table) {
    constexpr std::size_t kLanes = 8;
    const ConverterMode& mode = table.Mode();
    // The interleaved windows of `leads` outputs: their frames and one window more.
    const auto frames = static_cast<std::size_t>(
        std::ceil(static_cast<double>(leads) * mode.PhaseStep / mode.BranchCount));
    const std::size_t length = frames + static_cast<std::size_t>(table.Taps()) + 1;
    const std::size_t starts_ =
        std::max<std::size_t>(static_cast<std::size_t>(mode.BranchCount), 1u << kLanes) + 1;
    std::size_t used = 0;
    auto place = [&](auto& array, std::size_t count) {
        using T = std::remove_pointer_t<decltype(array.Get(0))>;
        if (memory != nullptr) array.Place(memory + used, count);
        used += (count * sizeof(T) + 63) / 64 * 64;
    };
    place(interleaved, length * kLanes);
    place(branches, leads);
    place(groups, leads);
    place(sorted, leads);
    place(order, leads);
    place(byBranch, leads);
    place(starts, starts_);
    place(lanes, leads * kLanes);
    place(samples, leads * kLanes);
    return used;
}

std::size_t WriteScheduledLeads(const PhaseSchedule& schedule, const SampleRing& samples,
                                const KernelTable& table, const Span& span, std::int64_t leadBegin,
                                std::int64_t leadEnd, FilterScratch& scratch, std::uint8_t* bytes) {
    SampleSink sink{bytes, span.first};
    return ComputeLeads(SchedulePlan{&schedule}, samples, table, span, leadBegin, leadEnd, scratch,
                        sink);
}

std::size_t FilterOutputs(const FilterJob& job, float* values) {
    const auto count = static_cast<std::int64_t>(job.count);
    const SampleRing samples{job.samples, ~std::uint64_t{0},
                             static_cast<std::int64_t>(job.sampleCount)};
    const ArrayPlan plan{job.outputs};
    ValueSink sink{values};
    // Part `part` of `parts` of every span's leads.
    auto run = [&](std::int64_t part, std::int64_t parts) {
        FilterScratch scratch;
        std::size_t alone = 0;
        for (std::int64_t first = 0; first < count;) {
            const Span span = PlanSpan(first, count, *job.kernel);
            const std::int64_t leads = span.Leads();
            alone += ComputeLeads(plan, samples, *job.table, span, first + leads * part / parts,
                                  first + leads * (part + 1) / parts, scratch, sink);
            first = span.end;
        }
        return alone;
    };
    if (job.threads < 2 || job.count < kThreadedOutputs) return run(0, 1);
    std::size_t helperAlone = 0;
    std::thread thread;
    try {
        thread = std::thread([&] { helperAlone = run(0, 2); });
    } catch (const std::system_error&) {
        helperAlone = run(0, 2); // no thread to be had: do it here
    }
    const std::size_t alone = run(1, 2);
    if (thread.joinable()) thread.join();
    return alone + helperAlone;
}

float ScalarDot(const float* window, const double* row, std::int32_t taps) {
    auto acc = static_cast<float>(window[0] * row[0]);
    for (std::int32_t j = 1; j < taps; ++j)
        acc = static_cast<float>(static_cast<double>(acc) + window[j] * row[j]);
    return acc;
}

} // namespace chpimport
