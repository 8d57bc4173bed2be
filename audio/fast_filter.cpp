#include "audio/fast_filter.hpp"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace chpimport {
namespace {

// Why lanes lie kLaneStride outputs apart: they can share one interleaved window array
// only if their windows lie a fixed number of frames apart, and one broadcast row (or two)
// only if their branches (nearly) agree. 641 outputs advance the phase by exactly 1282
// frames with the flag clear, and by 1292 frames plus 0.194 branch in the Zuvan mode, so
// there lane k's window lies 1292 k frames after lane 0's and its branch is lane 0's or the
// next. No smaller stride does that. The rare lane that breaks the pattern (its branch
// crossing into the next frame) is computed on its own.

// The scratch of one thread.
class Worker {
public:
    Worker(const FilterJob& job, float* values) : job_(job), values_(values) {}

    // Outputs [first, end), in spans of lanes x kLaneStride outputs.
    void Run(std::size_t first, std::size_t end) {
        const std::size_t span = static_cast<std::size_t>(job_.kernel->lanes) * kLaneStride;
        for (std::size_t s = first; s < end; s += span) Span(s, std::min(end, s + span));
    }

private:
    void Span(std::size_t first, std::size_t end);

    const FilterJob& job_;
    float* values_;
    std::vector<double> interleaved_;
    std::vector<LaneGroup> groups_;
    std::vector<float> lanes_;
    std::vector<std::size_t> stragglers_;
};

// One span: lane 0 takes outputs [first, first + kLaneStride), lane k the outputs k x
// kLaneStride further on, as far as the span reaches.
void Worker::Span(std::size_t first, std::size_t end) {
    const PlannedOutput* out = job_.outputs;
    const KernelTable& table = *job_.table;
    const std::int32_t taps = table.Taps();
    const auto lanes = static_cast<std::size_t>(job_.kernel->lanes);
    const std::size_t leadEnd = std::min(end, first + kLaneStride);
    const std::int64_t frameStride =
        first + kLaneStride < end ? out[first + kLaneStride].window - out[first].window : 0;

    // The windows of lane 0, and beside each sample those frameStride, 2 x frameStride...
    // further on; zero past the buffer's end, where only lanes that are not used can reach.
    const std::int64_t base = out[first].window;
    const auto length = static_cast<std::size_t>(out[leadEnd - 1].window + taps - base);
    interleaved_.resize(length * lanes);
    for (std::size_t k = 0; k < lanes; ++k) {
        const std::int64_t from = base + static_cast<std::int64_t>(k) * frameStride;
        const auto available = static_cast<std::size_t>(
            std::clamp<std::int64_t>(static_cast<std::int64_t>(job_.sampleCount) - from, 0,
                                     static_cast<std::int64_t>(length)));
        double* target = interleaved_.data() + k;
        if (available > 0) {
            const float* source = job_.samples + from;
            for (std::size_t i = 0; i < available; ++i) target[i * lanes] = source[i];
        }
        for (std::size_t i = available; i < length; ++i) target[i * lanes] = 0.0;
    }

    groups_.clear();
    stragglers_.clear();
    for (std::size_t m = first; m < leadEnd; ++m) {
        LaneGroup group;
        group.window = interleaved_.data() + static_cast<std::size_t>(out[m].window - base) * lanes;
        group.rowA = table.Row(out[m].branch);
        group.rowB = group.rowA;
        group.useB = 0;
        std::int32_t branchB = out[m].branch;
        for (std::size_t k = 1; k < lanes; ++k) {
            const std::size_t o = m + k * kLaneStride;
            if (o >= end) break;
            const bool inPlace =
                out[o].window == out[m].window + static_cast<std::int64_t>(k) * frameStride;
            if (inPlace && out[o].branch == out[m].branch) continue;
            if (inPlace && (group.useB == 0 || out[o].branch == branchB)) {
                branchB = out[o].branch;
                group.rowB = table.Row(branchB);
                group.useB |= 1u << k;
                continue;
            }
            stragglers_.push_back(o);
        }
        groups_.push_back(group);
    }

    lanes_.resize(groups_.size() * lanes);
    job_.kernel->run(groups_.data(), groups_.size(), taps, lanes_.data());
    for (std::size_t g = 0; g < groups_.size(); ++g)
        for (std::size_t k = 0; k < lanes; ++k) {
            const std::size_t o = first + g + k * kLaneStride;
            if (o < end) values_[o] = lanes_[g * lanes + k];
        }
    for (std::size_t o : stragglers_)
        values_[o] = ScalarDot(job_.samples + out[o].window, table.Row(out[o].branch), taps);
}

} // namespace

void FilterOutputs(const FilterJob& job, float* values) {
    if (job.count == 0) return;
    const std::size_t span = static_cast<std::size_t>(job.kernel->lanes) * kLaneStride;
    const std::size_t spans = (job.count + span - 1) / span;
    if (job.threads < 2 || job.count < kThreadedOutputs || spans < 2) {
        Worker(job, values).Run(0, job.count);
        return;
    }
    // Two halves on whole spans; the second (with the short last span) stays here.
    const std::size_t middle = (spans + 1) / 2 * span;
    Worker helper(job, values);
    std::thread thread;
    try {
        thread = std::thread([&helper, middle] { helper.Run(0, middle); });
    } catch (const std::system_error&) {
        helper.Run(0, middle); // no thread to be had: do it here
    }
    Worker(job, values).Run(middle, job.count);
    if (thread.joinable()) thread.join();
}

float ScalarDot(const float* window, const double* row, std::int32_t taps) {
    auto acc = static_cast<float>(window[0] * row[0]);
    for (std::int32_t j = 1; j < taps; ++j)
        acc = static_cast<float>(static_cast<double>(acc) + window[j] * row[j]);
    return acc;
}

} // namespace chpimport
