#include "audio/fast_engine.hpp"

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

#include "audio/fast_filter.hpp"
#include "audio/kernel_table.hpp"
#include "audio/resampler.hpp"

namespace chpimport {
namespace {

// Input frames read in one go: with up to 8 bytes a frame, half a megabyte at most.
constexpr std::uint32_t kBlockFrames = 1u << 16;

// The run loop of the reference, minus the dot products: which frame makes an output and
// with which branch, in the same single-precision steps.
class PhaseSchedule {
public:
    explicit PhaseSchedule(const ConverterMode& mode)
        : branches_(mode.BranchCount), step_(mode.PhaseStep) {}

    // The outputs that input frame `frame` makes, handed to `emit` with their branch.
    template <typename Emit>
    void Frame(std::int64_t frame, Emit&& emit) {
        while (branches_ > phase_) {
            emit(frame, static_cast<std::int32_t>(phase_));
            phase_ = static_cast<float>(static_cast<double>(phase_) + step_);
        }
        phase_ = static_cast<float>(static_cast<double>(phase_) - branches_);
    }

private:
    double branches_;
    float step_;
    float phase_ = 0.0f;
};

// One conversion. Frames are numbered from 0, the first of this input; the carried history
// holds frames -(T - 1) to -1.
class FastConversion {
public:
    FastConversion(SampleRateConverter& converter, const KernelTable& table,
                   const GroupKernel& kernel, std::int32_t threads)
        : converter_(converter), s_(converter.State()), table_(table), kernel_(kernel),
          threads_(threads), taps_(table.Taps()), schedule_(table.Mode()) {}

    std::int32_t Run(const std::string& inputPath, const std::string& outputPath);

private:
    void Append(float sample, std::int64_t frame) {
        samples_.push_back(sample);
        schedule_.Frame(frame, [this](std::int64_t f, std::int32_t branch) {
            pending_.push_back({f - (taps_ - 1), branch});
        });
    }
    void DecodeFrames(const std::uint8_t* bytes, std::size_t frames, std::int64_t firstFrame);
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

    std::vector<float> samples_; // frames firstFrame_ onwards
    std::int64_t firstFrame_ = 0;
    std::vector<PlannedOutput> pending_; // made, not yet written; windows in frame numbers
    std::vector<PlannedOutput> planned_; // the same, as indices into samples_
    std::vector<float> values_;
    std::vector<std::uint8_t> raw_; // the input bytes of frames rawFirstFrame_ onwards
    std::int64_t rawFirstFrame_ = 1;
    std::vector<std::uint8_t> outBytes_;
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
    Append(first, 0);

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
        const std::size_t carried = raw_.size();
        raw_.resize(carried + static_cast<std::size_t>(want) * frameBytes);
        const std::size_t got = s_.InputStream.Read(raw_.data() + carried, raw_.size() - carried);
        const std::size_t whole = got / frameBytes;
        DecodeFrames(raw_.data() + carried, whole, consumed);
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
            std::memcpy(s_.InputFrame.data(), raw_.data() + carried + whole * frameBytes,
                        got - whole * frameBytes);
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

void FastConversion::DecodeFrames(const std::uint8_t* bytes, std::size_t frames,
                                  std::int64_t firstFrame) {
    const CanonicalWaveHeader& h = s_.InputWaveHeader;
    const std::size_t frameBytes = h.BlockAlign;
    const auto channel = static_cast<std::size_t>(s_.SelectedChannel);
    samples_.reserve(samples_.size() + frames);
    if (h.BitsPerSample == 16 && 2 * channel + 2 <= frameBytes) {
        // The usual case, and the only costly one: the channel's two bytes inside the frame.
        for (std::size_t f = 0; f < frames; ++f) {
            const std::uint8_t* p = bytes + f * frameBytes + 2 * channel;
            const auto value = static_cast<std::int16_t>(p[0] | (p[1] << 8));
            Append(static_cast<float>(value), firstFrame + static_cast<std::int64_t>(f));
        }
        return;
    }
    for (std::size_t f = 0; f < frames; ++f)
        Append(FrameSample(bytes + f * frameBytes, frameBytes, h.BitsPerSample, s_.SelectedChannel),
               firstFrame + static_cast<std::int64_t>(f));
}

// Computes and writes the pending outputs: all of them, or (mid-input) the whole spans of
// lanes the kernel takes in one go, the rest waiting for more frames. False when a write
// failed; the conversion has then stopped where the reference stops.
bool FastConversion::WritePending(bool all) {
    std::size_t count = pending_.size();
    if (!all) {
        const std::size_t span = static_cast<std::size_t>(kernel_.lanes) * kLaneStride;
        count -= count % span;
    }
    if (count == 0) return true;

    planned_.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        planned_[i] = {pending_[i].window - firstFrame_, pending_[i].branch};
    values_.resize(count);
    FilterJob job;
    job.kernel = &kernel_;
    job.table = &table_;
    job.samples = samples_.data();
    job.sampleCount = samples_.size();
    job.outputs = planned_.data();
    job.count = count;
    job.threads = threads_;
    FilterOutputs(job, values_.data());

    outBytes_.resize(2 * count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto bits = static_cast<std::uint16_t>(OutputSample(values_[i]));
        outBytes_[2 * i] = static_cast<std::uint8_t>(bits & 0xFF);
        outBytes_[2 * i + 1] = static_cast<std::uint8_t>(bits >> 8);
    }
    const std::size_t put = s_.OutputStream.Write(outBytes_.data(), outBytes_.size());
    const std::size_t written = put / 2;
    s_.SamplesWritten = static_cast<std::int32_t>(static_cast<std::uint32_t>(s_.SamplesWritten) +
                                                  static_cast<std::uint32_t>(written));
    outputs_ += static_cast<std::uint32_t>(written);
    if (written < count) {
        // The reference stops at the sample whose write failed, with the history of the
        // frames before the one that made it.
        const std::int64_t frame = pending_[written].window + (taps_ - 1);
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
        keep = std::min(keep, pending_.front().window);
        keepRaw = pending_.front().window + (taps_ - 1);
    }
    samples_.erase(samples_.begin(),
                   samples_.begin() + static_cast<std::ptrdiff_t>(keep - firstFrame_));
    firstFrame_ = keep;
    const std::size_t frameBytes = s_.InputWaveHeader.BlockAlign;
    raw_.erase(raw_.begin(),
               raw_.begin() + static_cast<std::ptrdiff_t>(
                                  static_cast<std::size_t>(keepRaw - rawFirstFrame_) * frameBytes));
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
    return FastConversion(converter, table, kernel, maxThreads_).Run(inputPath, outputPath);
}

} // namespace chpimport
