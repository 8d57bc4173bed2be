#include "audio/fast_filter.hpp"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace chpimport {
namespace {

// Lane k of a group computes the output k x stride after lane 0's. The lanes can share one
// interleaved window array only if their windows lie a fixed number of frames apart, and a
// broadcast row only if their branches agree (or, at a small cost, take one of two rows).
// With the flag clear every stride does: each output is made two frames after the one
// before, always with branch 0. In the Zuvan mode 5192 outputs advance the phase by 10465
// frames less 0.025 branch, so a lane's branch is lane 0's in 92 groups of 100 and the one
// before in the others; 641 outputs advance it by 1292 frames plus 0.194 branch, so a
// lane's branch is lane 0's or the next. No shorter stride keeps four lanes within two
// branches. A lane that breaks the pattern all the same (its branch crossing into another
// frame, about one in two thousand) is computed on its own.

// The scratch of one thread: it computes its share of the lane groups of every span.
class Worker {
public:
    Worker(const FilterJob& job, float* values, std::size_t part, std::size_t parts,
           FilterScratch& scratch)
        : job_(job), values_(values), part_(part), parts_(parts), interleaved_(scratch.interleaved),
          groups_(scratch.groups), sorted_(scratch.sorted), order_(scratch.order),
          byBranch_(scratch.byBranch), starts_(scratch.starts), lanes_(scratch.lanes),
          stragglers_(scratch.stragglers) {}

    // Returns how many outputs it computed on their own, outside the lane pattern.
    std::size_t Run() {
        const auto lanes = static_cast<std::size_t>(job_.kernel->lanes);
        std::size_t alone = 0;
        std::size_t first = 0;
        while (first < job_.count) {
            const std::size_t left = job_.count - first;
            const std::size_t stride = left >= lanes * kLongStride ? kLongStride : kLaneStride;
            const std::size_t end = std::min(job_.count, first + lanes * stride);
            Span(first, end, stride);
            alone += stragglers_.size();
            first = end;
        }
        return alone;
    }

private:
    void Span(std::size_t first, std::size_t end, std::size_t stride);

    const FilterJob& job_;
    float* values_;
    std::size_t part_;
    std::size_t parts_;
    std::vector<double>& interleaved_;
    std::vector<LaneGroup>& groups_;
    std::vector<LaneGroup>& sorted_;
    std::vector<std::size_t>& order_; // sorted_[i] is the group of lead output order_[i]
    std::vector<std::size_t>& byBranch_;
    std::vector<std::size_t>& starts_;
    std::vector<float>& lanes_;
    std::vector<std::size_t>& stragglers_;
};

// One span of outputs [first, end): lane 0 takes [first, first + stride), lane k the outputs
// k x stride further on, as far as the span reaches. This thread takes its part of the
// groups.
void Worker::Span(std::size_t first, std::size_t end, std::size_t stride) {
    const PlannedOutput* out = job_.outputs;
    const KernelTable& table = *job_.table;
    const std::int32_t taps = table.Taps();
    const auto lanes = static_cast<std::size_t>(job_.kernel->lanes);
    const std::size_t leads = std::min(end - first, stride);
    const std::size_t leadBegin = first + leads * part_ / parts_;
    const std::size_t leadEnd = first + leads * (part_ + 1) / parts_;
    if (leadBegin == leadEnd) return;
    // How far apart the lanes' windows lie: the phase distance of `stride` outputs to the
    // nearest whole frame (from the first group, which may itself be one of the rare ones
    // whose lanes fall a frame short).
    std::int64_t frameStride = 0;
    if (first + stride < end) {
        const std::int64_t branches = table.Mode().BranchCount;
        const std::int64_t distance = (out[first + stride].window - out[first].window) * branches +
                                      out[first + stride].branch - out[first].branch;
        frameStride = (distance + branches / 2) / branches;
    }

    // The windows of this part's lane 0, and beside each sample those frameStride,
    // 2 x frameStride... further on; zero past the buffer's end, where only lanes that are
    // not used can reach.
    const std::int64_t base = out[leadBegin].window;
    const auto length = static_cast<std::size_t>(out[leadEnd - 1].window + taps - base);
    interleaved_.resize(length * lanes);
    double* target = interleaved_.data();
    const float* source[4] = {};
    bool inside = lanes <= 4;
    for (std::size_t k = 0; k < lanes && inside; ++k) {
        const std::int64_t from = base + static_cast<std::int64_t>(k) * frameStride;
        inside =
            from + static_cast<std::int64_t>(length) <= static_cast<std::int64_t>(job_.sampleCount);
        if (inside) source[k] = job_.samples + from;
    }
    if (inside && lanes == 4) {
        // The usual case, in one pass.
        for (std::size_t i = 0; i < length; ++i) {
            target[4 * i] = source[0][i];
            target[4 * i + 1] = source[1][i];
            target[4 * i + 2] = source[2][i];
            target[4 * i + 3] = source[3][i];
        }
    } else {
        for (std::size_t k = 0; k < lanes; ++k) {
            const std::int64_t from = base + static_cast<std::int64_t>(k) * frameStride;
            const auto available = static_cast<std::size_t>(
                std::clamp<std::int64_t>(static_cast<std::int64_t>(job_.sampleCount) - from, 0,
                                         static_cast<std::int64_t>(length)));
            if (available > 0) {
                const float* from_ = job_.samples + from;
                for (std::size_t i = 0; i < available; ++i) target[i * lanes + k] = from_[i];
            }
            for (std::size_t i = available; i < length; ++i) target[i * lanes + k] = 0.0;
        }
    }

    groups_.clear();
    stragglers_.clear();
    for (std::size_t m = leadBegin; m < leadEnd; ++m) {
        LaneGroup group;
        group.window = interleaved_.data() + static_cast<std::size_t>(out[m].window - base) * lanes;
        group.rowA = table.Row(out[m].branch);
        group.rowB = group.rowA;
        group.useB = 0;
        std::int32_t branchB = out[m].branch;
        for (std::size_t k = 1; k < lanes; ++k) {
            const std::size_t o = m + k * stride;
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

    // The groups in order of their lanes on rowB and then of their branch: a kernel's
    // batches then mostly share one way to their coefficients, and groups of one branch
    // follow each other while its row is in the cache. Two stable counting sorts: by branch
    // into sorted_, then by lanes back into groups_.
    const std::size_t count = groups_.size();
    order_.resize(count);
    sorted_.resize(count);
    byBranch_.resize(count);
    starts_.assign(static_cast<std::size_t>(table.Mode().BranchCount) + 1, 0);
    for (std::size_t m = leadBegin; m < leadEnd; ++m)
        ++starts_[static_cast<std::size_t>(out[m].branch) + 1];
    for (std::size_t b = 1; b < starts_.size(); ++b) starts_[b] += starts_[b - 1];
    for (std::size_t g = 0; g < count; ++g) {
        const std::size_t at = starts_[static_cast<std::size_t>(out[leadBegin + g].branch)]++;
        sorted_[at] = groups_[g];
        byBranch_[at] = leadBegin + g;
    }
    std::size_t starts[17] = {};
    for (const LaneGroup& group : sorted_) ++starts[group.useB + 1];
    for (std::size_t p = 1; p < 17; ++p) starts[p] += starts[p - 1];
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = starts[sorted_[i].useB]++;
        groups_[at] = sorted_[i];
        order_[at] = byBranch_[i];
    }
    sorted_.swap(groups_);

    lanes_.resize(sorted_.size() * lanes);
    job_.kernel->run(sorted_.data(), sorted_.size(), taps, lanes_.data());
    for (std::size_t i = 0; i < sorted_.size(); ++i)
        for (std::size_t k = 0; k < lanes; ++k) {
            const std::size_t o = order_[i] + k * stride;
            if (o < end) values_[o] = lanes_[i * lanes + k];
        }
    for (std::size_t o : stragglers_)
        values_[o] = ScalarDot(job_.samples + out[o].window, table.Row(out[o].branch), taps);
}

} // namespace

std::size_t FilterOutputs(const FilterJob& job, float* values, FilterScratch* scratch) {
    if (job.count == 0) return 0;
    FilterScratch own[2];
    if (scratch == nullptr) scratch = own;
    if (job.threads < 2 || job.count < kThreadedOutputs)
        return Worker(job, values, 0, 1, scratch[0]).Run();
    // Two threads, each with its half of the groups of every span.
    Worker helper(job, values, 0, 2, scratch[0]);
    std::size_t helperAlone = 0;
    std::thread thread;
    try {
        thread = std::thread([&helper, &helperAlone] { helperAlone = helper.Run(); });
    } catch (const std::system_error&) {
        helperAlone = helper.Run(); // no thread to be had: do it here
    }
    const std::size_t alone = Worker(job, values, 1, 2, scratch[1]).Run();
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
