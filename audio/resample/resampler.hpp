#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "audio/resample/canonical_header.hpp"
#include "audio/resample/conversion_engine.hpp"
#include "audio/resample/fast_engine.hpp"
#include "audio/resample/filter_design.hpp"
#include "audio/resample/fir_kernel.hpp"
#include "base/file.hpp"
#include "base/message_sink.hpp"

namespace chpimport {

// The input rate both ratios are made for; the input's header is not read.
inline constexpr std::uint32_t kAssumedInputRate = 22222;

// The converter's messages, shown with the caption kConverterCaption.
inline constexpr const char* kConverterCaption = "ERROR";
inline constexpr const char* kMsgCannotOpenInput = "Error opening *.WAV input file in GETINPUT2";
inline constexpr const char* kMsgBadRiff = "Error in RIFF header";
inline constexpr const char* kMsgBadFormat = "Error in WAVEfmt header";
inline constexpr const char* kMsgBadChannels = "Error in WAVEfmt header- Channels/BlockSize";
inline constexpr const char* kMsgBadDataHeader = "Error in data chunk header";
inline constexpr const char* kMsgCannotOpenOutput = "Error opening *.WAV output file in SENDOUT2";
inline constexpr const char* kMsgCannotWrite = "Error writing 16 Bit output *.WAV file in SENDOUT2";

// Everything the converter keeps, within one conversion and from one to the next. The
// history and the two header records outlive a conversion: the next conversion's first
// outputs see the previous input's tail, and a provisional output header carries the sizes
// of the last finished conversion.
struct ConverterState {
    FirHistoryBuffer FirHistory{};         // zero until the first conversion consumes input
    CanonicalWaveHeader InputWaveHeader{}; // as read; cleared when an input is opened
    CanonicalWaveHeader OutputWaveHeader = InitialOutputHeader();
    File InputStream;  // open from the first GETINPUT2 of a conversion to its clean-up
    File OutputStream; // open from the first SENDOUT2 of a conversion to its clean-up
    bool ConvertFailed = false;
    std::int32_t SamplesWritten = 0;
    std::uint32_t FrameCount = 1;
    std::int32_t SelectedChannel = 0;
    ConverterMode Mode;                       // fixed at the start of each conversion
    std::array<std::uint8_t, 8> InputFrame{}; // the last frame read; zero past block align
    // How the last conversion went, beyond ConvertFailed.
    bool InputTruncated = false;  // it stopped at a frame the input file does not hold
    bool OutputAttempted = false; // SENDOUT2 tried to create the output
};

// One input sample of `channel` from a frame of `frameBytes` bytes (at most 8), as GETINPUT2
// reads it: 16-bit samples signed little-endian, any other depth one unsigned byte with its
// top bit flipped and shifted to 16 bits. Bytes at or past `frameBytes` read as zero.
float FrameSample(const std::uint8_t* frame, std::size_t frameBytes, std::uint16_t bitsPerSample,
                  std::int32_t channel);

// SENDOUT2's conversion of a filter value to an output sample: halved in single precision,
// clipped to 16 bits and truncated toward zero.
inline std::int16_t OutputSample(float value) {
    const auto y = static_cast<float>(static_cast<double>(value) * 0.5);
    if (y > 32767.0f) return 32767;
    if (y < -32768.0f) return -32768;
    return static_cast<std::int16_t>(y); // toward zero
}

// Converts a PCM WAV file into 16-bit mono at 11111 Hz (ratio 2), or at 11025 Hz when it
// must be Zuvan compatible, with a Kaiser-windowed polyphase low-pass filter. The input's
// sample rate field is not read: both ratios assume 22222 Hz. One object holds the process's
// converter state; one conversion runs at a time.
class SampleRateConverter {
public:
    // One console keystroke with echo: its code, or -1 when there is no console input.
    using KeyReader = std::function<int()>;

    SampleRateConverter(MessageSink& messages, KeyReader readKey);
    SampleRateConverter(const SampleRateConverter&) = delete;
    SampleRateConverter& operator=(const SampleRateConverter&) = delete;

    // Converts `inputPath` into `outputPath` and carries the input's display text over.
    // Returns the number of samples written, or 0 on failure (already reported through the
    // message sink, except an input that ends inside its data chunk: see InputTruncated).
    std::int32_t ResampleWave(const std::string& inputPath, const std::string& outputPath,
                              bool zuvanCompatible);

    // The next sample of the selected channel. The first call of a conversion opens the
    // input and validates its header. On failure sets ConvertFailed and returns 0.
    float GETINPUT2(const std::string& inputPath);
    // Writes one output sample: halved, clipped to 16 bits, truncated toward zero. The first
    // call of a conversion creates the output with a provisional header. On failure sets
    // ConvertFailed.
    void SENDOUT2(float value, const std::string& outputPath);
    // Completes the output header for the samples written and writes it again at the start
    // of the output file, which stays open. Returns the byte count of the last header write.
    std::int32_t FinishOutputWave(std::uint32_t rate);

    // Shows a converter message and sets ConvertFailed; for engines that move samples
    // themselves and meet a failure SENDOUT2 or GETINPUT2 would report.
    void Fail(const char* message);
    // Where those messages go from now on (not owned); the constructor's sink until then.
    void SetMessages(MessageSink& messages) { messages_ = &messages; }
    MessageSink& Messages() { return *messages_; }

    ConverterState& State() { return state_; }
    const ConverterState& State() const { return state_; }

    // The engine that runs conversions from now on (not owned; it must outlive its use).
    // The fast engine is the default (Fast()); the reference stays available through
    // Reference(), the oracle the fast one is tested against.
    void SetEngine(ConversionEngine& engine) { engine_ = &engine; }
    ConversionEngine& Engine() { return *engine_; }
    ReferenceEngine& Reference() { return reference_; }
    FastEngine& Fast() { return fast_; }

private:
    bool OpenInput(const std::string& inputPath);
    void ChooseChannel();
    void OpenOutput(const std::string& outputPath);
    void CopyDisplayText(const std::string& inputPath, const std::string& outputPath);

    MessageSink* messages_;
    KeyReader readKey_;
    ConverterState state_;
    ReferenceEngine reference_;
    FastEngine fast_;
    ConversionEngine* engine_ = &fast_;
};

} // namespace chpimport
