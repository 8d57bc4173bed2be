#include "audio/fast_engine.hpp"

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

#include "audio/fast_filter.hpp"
#include "audio/kernel_table.hpp"
#include "audio/phase_schedule.hpp"
#include "audio/resampler.hpp"

namespace chpimport {
namespace {

// Input frames read in one go: with up to 8 bytes a frame, a megabyte at most.
constexpr std::uint32_t kBlockFrames = 1u << 17;

// One conversion. Frames are numbered from 0, the first of this input; the carried history
// holds frames -(T - 1) to -1.
class FastConversion {
public:
    FastConversion(SampleRateConverter& converter, const KernelTable& table,
                   const GroupKernel& kernel, std::int32_t threads, FastEngine::Buffers& buffers)
        : converter_(converter), s_(converter.State()), table_(table), kernel_(kernel),
          threads_(threads), taps_(table.Taps()), schedule_(table.Mode()),
          samples_(buffers.samples), pending_(buffers.pending), values_(buffers.values),
          raw_(buffers.raw), outBytes_(buffers.outBytes), scratch_(buffers.scratch) {
        samples_.clear();
        pending_.clear();
    }

    std::int32_t Run(const std::string& inputPath, const std::string& outputPath);

private:
    void DecodeFrames(const std::uint8_t* bytes, std::size_t frames);
    void ScheduleFrames(std::int64_t first, std::size_t frames);
    bool WritePending(bool all);
    void KeepHistory(std::int64_t end);
    void SetInputFrame(std::int64_t frame);
    void Trim(std::int64_t end);

    SampleRateConverter& converter_;
    ConverterState& s_;
    const KernelTable& table_;
    const GroupKernel& kernel_;
    std::int32_t threads_;
    std::int32_t taps_;
    PhaseSchedule schedule_;

    std::vector<float>& samples_; // frames firstFrame_ onwards
    std::int64_t firstFrame_ = 0;
    std::vector<PlannedOutput>& pending_; // made, not yet written; windows index samples_
    std::vector<float>& values_;
    std::vector<std::uint8_t>& raw_; // the input bytes of frames rawFirstFrame_ onwards
    std::size_t rawBytes_ = 0;       // how many of them
    std::int64_t rawFirstFrame_ = 1;
    std::vector<std::uint8_t>& outBytes_;
    FilterScratch* scratch_;
    std::uint32_t outputs_ = 0; // wraps as the reference's count does
};

std::int32_t FastConversion::Run(const std::string& inputPath, const std::string& outputPath) {
    // The first frame through GETINPUT2: it opens the input, checks its header and asks for
    // the channel, with the reference's messages.
    const float first = converter_.GETINPUT2(inputPath);
    if (s_.ConvertFailed) return 0;

    const auto history = static_cast<std::size_t>(taps_ - 1);
    firstFrame_ = -static_cast<std::int64_t>(history);
    samples_.assign(s_.FirHistory.begin(), s_.FirHistory.begin() + history);
    samples_.push_back(first);
    ScheduleFrames(0, 1);

    // Its output (there always is one: the phase starts at 0) through SENDOUT2, which
    // creates the output file with its provisional header.
    const PlannedOutput& lead = pending_.front();
    converter_.SENDOUT2(ScalarDot(samples_.data(), table_.Row(lead.branch), taps_), outputPath);
    if (s_.ConvertFailed) return 0;
    pending_.clear();
    outputs_ = 1;

    const std::size_t frameBytes = s_.InputWaveHeader.BlockAlign;
    rawFirstFrame_ = 1;
    std::uint32_t consumed = 1;
    while (consumed < s_.FrameCount) {
        const std::uint32_t want = std::min(s_.FrameCount - consumed, kBlockFrames);
        const std::size_t carried = rawBytes_;
        const std::size_t asked = static_cast<std::size_t>(want) * frameBytes;
        if (raw_.size() < carried + asked) raw_.resize(carried + asked);
        const std::size_t got = s_.InputStream.Read(raw_.data() + carried, asked);
        const std::size_t whole = got / frameBytes;
        rawBytes_ = carried + whole * frameBytes;
        DecodeFrames(raw_.data() + carried, whole);
        ScheduleFrames(consumed, whole);
        consumed += static_cast<std::uint32_t>(whole);
        const bool truncated = whole < want;

        // Every output of the frames read is written before the input's end is looked at,
        // as the reference does one frame at a time.
        if (!WritePending(truncated || consumed == s_.FrameCount))
            return static_cast<std::int32_t>(outputs_);
        if (consumed > rawFirstFrame_) SetInputFrame(consumed - 1);
        if (truncated) {
            // What GETINPUT2 does with a frame the input does not hold whole: the bytes it
            // got land in the frame record, the output is made final for the samples
            // written, and the conversion fails.
            std::memcpy(s_.InputFrame.data(), raw_.data() + rawBytes_, got - whole * frameBytes);
            KeepHistory(consumed);
            if (s_.OutputStream) converter_.FinishOutputWave(s_.Mode.OutputRate);
            s_.InputTruncated = true;
            s_.ConvertFailed = true;
            return static_cast<std::int32_t>(outputs_);
        }
        Trim(consumed);
    }
    KeepHistory(consumed);
    return static_cast<std::int32_t>(outputs_);
}

void FastConversion::DecodeFrames(const std::uint8_t* bytes, std::size_t frames) {
    const CanonicalWaveHeader& h = s_.InputWaveHeader;
    const std::size_t frameBytes = h.BlockAlign;
    const auto channel = static_cast<std::size_t>(s_.SelectedChannel);
    const std::size_t at = samples_.size();
    samples_.resize(at + frames);
    float* out = samples_.data() + at;
    if (h.BitsPerSample == 16 && frameBytes == 2 && channel == 0) {
        // Mono: one sample after the other, which the compiler can do several at a time.
        for (std::size_t f = 0; f < frames; ++f)
            out[f] = static_cast<float>(
                static_cast<std::int16_t>(bytes[2 * f] | (bytes[2 * f + 1] << 8)));
        return;
    }
    if (h.BitsPerSample == 16 && 2 * channel + 2 <= frameBytes) {
        // The usual case: the channel's two bytes lie inside the frame.
        const std::uint8_t* p = bytes + 2 * channel;
        for (std::size_t f = 0; f < frames; ++f, p += frameBytes)
            out[f] = static_cast<float>(static_cast<std::int16_t>(p[0] | (p[1] << 8)));
        return;
    }
    for (std::size_t f = 0; f < frames; ++f)
        out[f] =
            FrameSample(bytes + f * frameBytes, frameBytes, h.BitsPerSample, s_.SelectedChannel);
}

void FastConversion::ScheduleFrames(std::int64_t first, std::size_t frames) {
    const std::size_t at = pending_.size();
    pending_.resize(at + frames * schedule_.MostOutputsPerFrame());
    PlannedOutput* out = pending_.data() + at;
    // The window of an output starts T - 1 frames before the frame that makes it.
    const std::int64_t lag = taps_ - 1 + firstFrame_;
    schedule_.Frames(first, static_cast<std::int64_t>(frames),
                     [&out, lag](std::int64_t frame, std::int32_t branch) {
                         *out++ = {frame - lag, branch};
                     });
    pending_.resize(static_cast<std::size_t>(out - pending_.data()));
}

// Computes and writes the pending outputs: all of them, or (mid-input) the long spans of
// lanes that keep every lane busy, the rest waiting for more frames. False when a write
// failed; the conversion has then stopped where the reference stops.
bool FastConversion::WritePending(bool all) {
    std::size_t count = pending_.size();
    if (!all) count -= count % LongSpan(kernel_.lanes);
    if (count == 0) return true;

    values_.resize(count);
    FilterJob job;
    job.kernel = &kernel_;
    job.table = &table_;
    job.samples = samples_.data();
    job.sampleCount = samples_.size();
    job.outputs = pending_.data();
    job.count = count;
    job.threads = threads_;
    FilterOutputs(job, values_.data(), scratch_);

    outBytes_.resize(2 * count);
    std::uint8_t* bytes = outBytes_.data();
    for (std::size_t i = 0; i < count; ++i) {
        const auto bits = static_cast<std::uint16_t>(OutputSample(values_[i]));
        bytes[2 * i] = static_cast<std::uint8_t>(bits & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(bits >> 8);
    }
    const std::size_t put = s_.OutputStream.Write(outBytes_.data(), outBytes_.size());
    const std::size_t written = put / 2;
    s_.SamplesWritten = static_cast<std::int32_t>(static_cast<std::uint32_t>(s_.SamplesWritten) +
                                                  static_cast<std::uint32_t>(written));
    outputs_ += static_cast<std::uint32_t>(written);
    if (written < count) {
        // The reference stops at the sample whose write failed, with the history of the
        // frames before the one that made it.
        const std::int64_t frame = firstFrame_ + pending_[written].window + (taps_ - 1);
        SetInputFrame(frame);
        KeepHistory(frame);
        converter_.Fail(kMsgCannotWrite);
        return false;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(count));
    return true;
}

// Leaves in FirHistory the T - 1 samples before frame `end`, oldest first.
void FastConversion::KeepHistory(std::int64_t end) {
    const std::size_t history = static_cast<std::size_t>(taps_ - 1);
    const auto from = static_cast<std::size_t>(end - firstFrame_) - history;
    std::copy_n(samples_.begin() + static_cast<std::ptrdiff_t>(from), history,
                s_.FirHistory.begin());
}

// The frame record as GETINPUT2 leaves it after reading `frame`.
void FastConversion::SetInputFrame(std::int64_t frame) {
    const std::size_t frameBytes = s_.InputWaveHeader.BlockAlign;
    std::memcpy(s_.InputFrame.data(),
                raw_.data() + static_cast<std::size_t>(frame - rawFirstFrame_) * frameBytes,
                frameBytes);
}

// Drops the samples and frames that no pending output and no future window needs; `end`
// is the first frame not read yet.
void FastConversion::Trim(std::int64_t end) {
    std::int64_t keep = end - (taps_ - 1);
    std::int64_t keepRaw = end;
    if (!pending_.empty()) {
        keep = std::min(keep, firstFrame_ + pending_.front().window);
        keepRaw = firstFrame_ + pending_.front().window + (taps_ - 1);
    }
    const std::int64_t drop = keep - firstFrame_;
    samples_.erase(samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(drop));
    firstFrame_ = keep;
    for (PlannedOutput& output : pending_) output.window -= drop;

    const std::size_t frameBytes = s_.InputWaveHeader.BlockAlign;
    const std::size_t dropRaw = static_cast<std::size_t>(keepRaw - rawFirstFrame_) * frameBytes;
    std::memmove(raw_.data(), raw_.data() + dropRaw, rawBytes_ - dropRaw);
    rawBytes_ -= dropRaw;
    rawFirstFrame_ = keepRaw;
}

std::int32_t DefaultThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores >= 2 ? 2 : 1;
}

} // namespace

FastEngine::FastEngine() : kernel_(&BestGroupKernel()), maxThreads_(DefaultThreads()) {}

std::int32_t FastEngine::Run(SampleRateConverter& converter, const std::string& inputPath,
                             const std::string& outputPath) {
    const KernelTable& table = KernelTableCache::Instance().ForMode(converter.State().Mode);
    // The wide kernels' rounding holds only in the normal range, which the designed tables
    // keep to; the plain kernel rounds as FirDot does, whatever the values.
    const GroupKernel& kernel = table.NormalRange() ? *kernel_ : ScalarGroupKernel();
    return FastConversion(converter, table, kernel, maxThreads_, buffers_)
        .Run(inputPath, outputPath);
}

} // namespace chpimport
