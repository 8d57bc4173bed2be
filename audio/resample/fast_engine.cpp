#include "audio/resample/fast_engine.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "audio/resample/kernel_table.hpp"
#include "audio/resample/phase_schedule.hpp"
#include "audio/resample/resampler.hpp"
#include "base/bytes.hpp"

namespace chpimport {
namespace {

// Samples the ring keeps (a power of two): three long spans of outputs and their windows,
// so that the input can be read ahead while two spans are computed and written.
constexpr std::int64_t kRingSamples = std::int64_t{1} << 18;
// Frames read in one go at most.
constexpr std::int64_t kReadFrames = std::int64_t{1} << 15;
// Spans in flight: read but not yet written.
constexpr std::int64_t kSpanSlots = 3;
// Leads in one share of a span: an eighth of a long span, about 5,000 outputs, whose
// interleaved windows stay in the processor's second-level cache.
constexpr std::int64_t kShareLeads = 650;
// The most leads in one share.
constexpr std::size_t kMostShareLeads = kShareLeads + 48;
// The longest frame.
constexpr std::size_t kMostFrameBytes = 8;
// Share boundaries fall on multiples of this many leads, which the kernels take in whole
// batches (of 16, 12, 8, 4).
constexpr std::int64_t kBatchLeads = 48;
// The fewest outputs (about 3 s at either rate) for which an engine's first conversion
// starts the helper thread; later ones take it from kThreadedOutputs.
constexpr std::int64_t kFirstHelpedOutputs = std::int64_t{1} << 15;
// Outputs in the longest span, and the most outputs a slot holds.
constexpr std::int64_t kSlotOutputs = 8 * kLongStride;

// Whether the history is made of samples, as every conversion leaves it: whole numbers in
// 16-bit range (no -0), which the ring holds as they are.
bool HistoryIsSamples(const FirHistoryBuffer& history, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) {
        const float h = history[static_cast<std::size_t>(i)];
        const auto sample = static_cast<std::int16_t>(h >= -32768.0f && h <= 32767.0f ? h : 0.0f);
        if (h != static_cast<float>(sample) || (h == 0.0f && std::signbit(h))) return false;
    }
    return true;
}

// One conversion. Frames are numbered from 0, the first of this input; the ring's sample x
// is frame x - (T - 1), so that the carried history is samples 0 .. T - 2 and the window of
// the output made at frame f starts at sample f.
class FastConversion {
public:
    FastConversion(SampleRateConverter& converter, const KernelTable& table,
                   const GroupKernel& kernel, std::int32_t threads, std::int64_t helpedFrom,
                   FastEngine::Buffers& buffers, HelperThread& helper)
        : converter_(converter), s_(converter.State()), table_(table), kernel_(kernel),
          threads_(threads), helpedFrom_(helpedFrom), taps_(table.Taps()), schedule_(table.Mode()),
          buffers_(buffers), helper_(helper) {}

    std::int32_t Run(const std::string& inputPath, const std::string& outputPath);

private:
    struct Slot {
        Span span;
        std::int64_t shares = 0;
        std::int64_t done = 0;
        std::uint8_t* bytes = nullptr;
    };

    void PlaceBuffers();
    BlockUse RingUse() const;
    void Help();
    bool Claim(std::int64_t& span, std::int64_t& share);
    void Compute(std::int64_t span, std::int64_t share, FilterScratch& scratch);
    bool Finished() const { return inputDone_ && nextFirst_ >= total_; }
    void Publish();
    std::int64_t Room() const;
    void ReadBlock();
    void Decode(std::int64_t first, std::int64_t frames);
    bool Write(const Slot& slot);
    void KeepHistory(std::int64_t end);
    void SetInputFrame(std::int64_t frame);
    Slot& SlotOf(std::int64_t span) { return slots_[span % kSpanSlots]; }
    const Slot& SlotOf(std::int64_t span) const { return slots_[span % kSpanSlots]; }
    std::size_t At(std::int64_t sample) const {
        return static_cast<std::size_t>(static_cast<std::uint64_t>(sample) & (kRingSamples - 1));
    }

    SampleRateConverter& converter_;
    ConverterState& s_;
    const KernelTable& table_;
    const GroupKernel& kernel_;
    std::int32_t threads_;
    std::int64_t helpedFrom_; // the fewest outputs the helper thread takes part in
    std::int32_t taps_;
    PhaseSchedule schedule_;
    FastEngine::Buffers& buffers_;
    HelperThread& helper_;
    std::int16_t* samples_ = nullptr;
    std::uint8_t* raw_ = nullptr; // each frame's bytes, at its sample's place in the ring
    std::size_t frameBytes_ = 0;
    bool direct_ = false; // the frames are read into the ring as they are

    // The main thread's alone.
    std::uint32_t outputs_ = 0; // written; wraps as the reference's count does
    std::uint8_t partial_[8] = {};
    std::size_t partialBytes_ = 0;
    bool truncated_ = false;

    // Shared, under mutex_. Spans [written_, ready_) have all their frames in; their shares
    // are taken in order, the next being share claimShare_ of span claimSpan_.
    std::mutex mutex_;
    std::condition_variable changed_;
    Slot slots_[kSpanSlots];
    std::int64_t decoded_ = 1; // frames in the ring
    bool inputDone_ = false;
    std::int64_t total_ = 0;     // outputs the frames make (fewer once the input ends early)
    std::int64_t nextFirst_ = 1; // the first output of the next span
    std::int64_t ready_ = 0;
    std::int64_t written_ = 0;
    std::int64_t claimSpan_ = 0;
    std::int64_t claimShare_ = 0;
    bool stop_ = false;
};

std::int32_t FastConversion::Run(const std::string& inputPath, const std::string& outputPath) {
    // The first frame through GETINPUT2: it opens the input, checks its header and asks for
    // the channel, with the reference's messages.
    const float first = converter_.GETINPUT2(inputPath);
    if (s_.ConvertFailed) return 0;

    frameBytes_ = s_.InputWaveHeader.BlockAlign;
    PlaceBuffers();
    // 16-bit mono frames are their samples' bytes: read straight into the ring.
    const CanonicalWaveHeader& h = s_.InputWaveHeader;
    direct_ = std::endian::native == std::endian::little && h.BitsPerSample == 16 &&
              frameBytes_ == 2 && s_.SelectedChannel == 0;
    if (!direct_ && buffers_.raw.size() < kRingSamples * kMostFrameBytes)
        buffers_.raw = LargeBlock(kRingSamples * kMostFrameBytes, RingUse());
    raw_ = direct_ ? reinterpret_cast<std::uint8_t*>(samples_) : buffers_.raw.data();

    const std::int32_t history = taps_ - 1;
    float window[kFirHistorySize + 1];
    for (std::int32_t i = 0; i < history; ++i) {
        window[i] = s_.FirHistory[static_cast<std::size_t>(i)];
        samples_[i] = static_cast<std::int16_t>(window[i]);
    }
    window[history] = first;
    samples_[history] = static_cast<std::int16_t>(first);
    std::memcpy(raw_ + At(history) * frameBytes_, s_.InputFrame.data(), frameBytes_);

    // Its output (there always is one: the phase starts at 0) through SENDOUT2, which
    // creates the output file with its provisional header.
    converter_.SENDOUT2(ScalarDot(window, table_.Row(schedule_.At(0).branch), taps_), outputPath);
    if (s_.ConvertFailed) return 0;
    outputs_ = 1;
    total_ = schedule_.OutputsBefore(s_.FrameCount);
    inputDone_ = decoded_ >= s_.FrameCount;

    const bool helped = threads_ >= 2 && total_ >= helpedFrom_ && helper_.Start([this] { Help(); });
    bool failed = false;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            // Finished spans go out in order, as soon as they are.
            if (written_ < ready_ && SlotOf(written_).done == SlotOf(written_).shares) {
                lock.unlock();
                failed = !Write(SlotOf(written_));
                lock.lock();
                if (failed) break;
                ++written_;
                Publish();
                continue;
            }
            if (Finished() && written_ == ready_) break;
            // The input is read ahead while the ring has room for it.
            if (!inputDone_ && Room() > 0) {
                lock.unlock();
                ReadBlock();
                lock.lock();
                Publish();
                continue;
            }
            std::int64_t span = 0;
            std::int64_t share = 0;
            if (Claim(span, share)) {
                lock.unlock();
                Compute(span, share, buffers_.scratch[0]);
                lock.lock();
                ++SlotOf(span).done;
                continue;
            }
            changed_.wait(lock); // for a share the helper computes
        }
        stop_ = true;
    }
    changed_.notify_all();
    if (helped) helper_.Wait();
    if (failed) return static_cast<std::int32_t>(outputs_);

    if (decoded_ > 1) SetInputFrame(decoded_ - 1);
    KeepHistory(decoded_);
    if (truncated_) {
        // What GETINPUT2 does with a frame the input does not hold whole: the bytes it got
        // land in the frame record, the output is made final for the samples written, and
        // the conversion fails.
        std::memcpy(s_.InputFrame.data(), partial_, partialBytes_);
        if (s_.OutputStream) converter_.FinishOutputWave(s_.Mode.OutputRate);
        s_.InputTruncated = true;
        s_.ConvertFailed = true;
    }
    return static_cast<std::int32_t>(outputs_);
}

// The ring, the slots and both threads' scratch in one block (on a handful of large pages
// where the system has them), placed once for each table.
void FastConversion::PlaceBuffers() {
    constexpr auto kRingBytes = static_cast<std::size_t>(kRingSamples) * sizeof(std::int16_t);
    constexpr auto kSlotBytes = static_cast<std::size_t>(2 * kSlotOutputs);
    const std::size_t scratchBytes = buffers_.scratch[0].Place(nullptr, kMostShareLeads, table_);
    const std::size_t total = kRingBytes + kSpanSlots * kSlotBytes + 2 * scratchBytes;
    if (buffers_.placedFor != &table_) {
        if (buffers_.block.size() < total) buffers_.block = LargeBlock(total, RingUse());
        std::uint8_t* at = buffers_.block.data() + kRingBytes + kSpanSlots * kSlotBytes;
        buffers_.scratch[0].Place(at, kMostShareLeads, table_);
        buffers_.scratch[1].Place(at + scratchBytes, kMostShareLeads, table_);
        buffers_.placedFor = &table_;
    }
    samples_ = reinterpret_cast<std::int16_t*>(buffers_.block.data());
    for (std::int64_t i = 0; i < kSpanSlots; ++i)
        slots_[i].bytes =
            buffers_.block.data() + kRingBytes + static_cast<std::size_t>(i) * kSlotBytes;
}

// An input that fills less than half the ring touches only a part of the buffers: a 2-s
// one about a tenth, where clearing whole huge pages was a sixth of its conversion's time.
BlockUse FastConversion::RingUse() const {
    return static_cast<std::int64_t>(s_.FrameCount) + taps_ < kRingSamples / 2 ? BlockUse::Part
                                                                               : BlockUse::Whole;
}

// The helper thread: shares as they become ready, until there will be no more.
void FastConversion::Help() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (stop_) return;
        std::int64_t span = 0;
        std::int64_t share = 0;
        if (Claim(span, share)) {
            lock.unlock();
            Compute(span, share, buffers_.scratch[1]);
            lock.lock();
            ++SlotOf(span).done;
            changed_.notify_all();
            continue;
        }
        if (Finished() && claimSpan_ == ready_) return;
        changed_.wait(lock);
    }
}

bool FastConversion::Claim(std::int64_t& span, std::int64_t& share) {
    if (claimSpan_ >= ready_) return false;
    span = claimSpan_;
    share = claimShare_;
    if (++claimShare_ == SlotOf(span).shares) {
        ++claimSpan_;
        claimShare_ = 0;
    }
    return true;
}

void FastConversion::Compute(std::int64_t span, std::int64_t share, FilterScratch& scratch) {
    Slot& slot = SlotOf(span);
    const std::int64_t leads = slot.span.Leads();
    const std::int64_t first = slot.span.first;
    // Every sample of the span is in; the lanes past its end, which are not used, must not
    // read the samples that are being read in.
    SampleRing ring{samples_, static_cast<std::uint64_t>(kRingSamples - 1), 0};
    ring.limit = schedule_.At(slot.span.end - 1).frame + taps_;
    // Shares of whole kernel batches, but the last.
    auto boundary = [&](std::int64_t part) {
        return part == slot.shares ? leads : leads * part / slot.shares / kBatchLeads * kBatchLeads;
    };
    WriteScheduledLeads(schedule_, ring, table_, slot.span, first + boundary(share),
                        first + boundary(share + 1), scratch, slot.bytes);
}

// Makes ready the spans whose frames are all in, as far as the slots go.
void FastConversion::Publish() {
    bool any = false;
    while (ready_ - written_ < kSpanSlots && nextFirst_ < total_) {
        const Span span = PlanSpan(nextFirst_, total_, kernel_);
        if (schedule_.At(span.end - 1).frame >= decoded_) break;
        Slot& slot = SlotOf(ready_);
        slot.span = span;
        slot.shares = std::max<std::int64_t>(1, (span.Leads() + kShareLeads - 1) / kShareLeads);
        slot.done = 0;
        ++ready_;
        nextFirst_ = span.end;
        any = true;
    }
    if (any || Finished()) changed_.notify_all();
}

// Ring places free for frames to come: everything from the oldest window of an output not
// yet written, and the last T - 1 frames (the next history), stays.
std::int64_t FastConversion::Room() const {
    const std::int64_t oldestOutput = written_ < ready_ ? SlotOf(written_).span.first : nextFirst_;
    const std::int64_t oldest = std::min(schedule_.At(oldestOutput).frame, decoded_);
    return kRingSamples - (decoded_ + taps_ - 1 - oldest);
}

void FastConversion::ReadBlock() {
    std::int64_t room = 0;
    std::int64_t first = 0;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        room = Room();
        first = decoded_;
    }
    const std::int64_t place = first + taps_ - 1;
    // Up to the ring's end, so that one read fills one stretch.
    const std::int64_t want =
        std::min({room, kReadFrames, static_cast<std::int64_t>(s_.FrameCount) - first,
                  kRingSamples - static_cast<std::int64_t>(At(place))});
    const std::size_t asked = static_cast<std::size_t>(want) * frameBytes_;
    std::uint8_t* target = raw_ + At(place) * frameBytes_;
    const std::size_t got = s_.InputStream.Read(target, asked);
    const auto whole = static_cast<std::int64_t>(got / frameBytes_);
    if (!direct_) Decode(place, whole);
    if (whole < want) {
        partialBytes_ = got % frameBytes_;
        std::memcpy(partial_, target + got - partialBytes_, partialBytes_);
    }

    const std::lock_guard<std::mutex> lock(mutex_);
    decoded_ = first + whole;
    if (whole < want) {
        // The input ends inside its data chunk: the outputs of the frames read are all
        // that will be made.
        truncated_ = true;
        inputDone_ = true;
        total_ = schedule_.OutputsBefore(decoded_);
    } else if (decoded_ >= static_cast<std::int64_t>(s_.FrameCount)) {
        inputDone_ = true;
    }
}

// The samples of `frames` frames from ring place `place` on, from their bytes there.
void FastConversion::Decode(std::int64_t place, std::int64_t frames) {
    const std::uint16_t bits = s_.InputWaveHeader.BitsPerSample;
    const auto channel = static_cast<std::size_t>(s_.SelectedChannel);
    const std::uint8_t* bytes = raw_ + At(place) * frameBytes_;
    std::int16_t* out = samples_ + At(place);
    const auto count = static_cast<std::size_t>(frames);
    if (bits == 16 && 2 * channel + 2 <= frameBytes_) {
        // The usual case: the channel's two bytes lie inside the frame.
        const std::uint8_t* p = bytes + 2 * channel;
        for (std::size_t f = 0; f < count; ++f, p += frameBytes_)
            out[f] = static_cast<std::int16_t>(Le16(p));
        return;
    }
    for (std::size_t f = 0; f < count; ++f)
        out[f] = static_cast<std::int16_t>(
            FrameSample(bytes + f * frameBytes_, frameBytes_, bits, s_.SelectedChannel));
}

// Writes the output samples of a span. False when the write came up short: the conversion
// has then stopped where the reference stops, at the sample whose write failed, with the
// history of the frames before the one that made it.
bool FastConversion::Write(const Slot& slot) {
    const std::int64_t count = slot.span.end - slot.span.first;
    const std::size_t put = s_.OutputStream.Write(slot.bytes, 2 * static_cast<std::size_t>(count));
    const auto written = static_cast<std::uint32_t>(put / 2);
    s_.SamplesWritten =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(s_.SamplesWritten) + written);
    outputs_ += written;
    if (written == count) return true;
    const std::int64_t frame = schedule_.At(slot.span.first + written).frame;
    SetInputFrame(frame);
    KeepHistory(frame);
    converter_.Fail(kMsgCannotWrite);
    return false;
}

// Leaves in FirHistory the T - 1 samples before frame `end`, oldest first.
void FastConversion::KeepHistory(std::int64_t end) {
    for (std::int32_t i = 0; i < taps_ - 1; ++i)
        s_.FirHistory[static_cast<std::size_t>(i)] = samples_[At(end + i)];
}

// The frame record as GETINPUT2 leaves it after reading `frame`.
void FastConversion::SetInputFrame(std::int64_t frame) {
    std::memcpy(s_.InputFrame.data(), raw_ + At(frame + taps_ - 1) * frameBytes_, frameBytes_);
}

std::int32_t DefaultThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores >= 2 ? 2 : 1;
}

} // namespace

FastEngine::FastEngine() : kernel_(&BestGroupKernel()), maxThreads_(DefaultThreads()) {}

std::int32_t FastEngine::Run(SampleRateConverter& converter, const std::string& inputPath,
                             const std::string& outputPath) {
    const ConverterState& s = converter.State();
    const KernelTable& table = KernelTableCache::Instance().ForMode(s.Mode);
    // The ring holds samples and the schedule needs its closed form; both always hold for
    // the converter's own modes and history, and anything else goes the reference's way.
    if (!PhaseSchedule(table.Mode()).ClosedForm() ||
        !HistoryIsSamples(s.FirHistory, table.Taps() - 1)) {
        ++handedOver_;
        return converter.Reference().Run(converter, inputPath, outputPath);
    }
    // The wide kernels' rounding holds only in the normal range, which the designed tables
    // keep to; the plain kernel rounds as FirDot does, whatever the values.
    const GroupKernel& kernel = table.NormalRange() ? *kernel_ : ScalarGroupKernel();
    // Starting the helper thread costs more than it saves a lone conversion of a few
    // seconds (a 2-s file: 16 % more CPU time, 3 to 7 % more wall time); an engine that has
    // converted before is in a run of conversions (an import's messages), which keeps the
    // thread for all that follow.
    const std::int64_t helpedFrom =
        conversions_++ == 0 ? kFirstHelpedOutputs : static_cast<std::int64_t>(kThreadedOutputs);
    return FastConversion(converter, table, kernel, maxThreads_, helpedFrom, buffers_, helper_)
        .Run(inputPath, outputPath);
}

} // namespace chpimport
