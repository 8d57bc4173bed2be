#include <cstdlib>

#include "audio/resample/resampler.hpp"

namespace chpimport {
namespace {

std::string_view View(const HeaderBytes& raw, std::size_t offset, std::size_t size) {
    return {reinterpret_cast<const char*>(raw.data()) + offset, size};
}

} // namespace

bool SampleRateConverter::OpenInput(const std::string& inputPath) {
    ConverterState& s = state_;
    // Nothing of an earlier input may take part in the checks, even when this one is short.
    s.InputWaveHeader = CanonicalWaveHeader();
    s.InputFrame = {};
    s.InputStream = File::Open(inputPath, OpenMode::Read);
    if (!s.InputStream) {
        Fail(kMsgCannotOpenInput);
        return false;
    }

    HeaderBytes raw{};
    std::size_t offset = 0;
    // Reads the next piece of the header; a short read counts as a wrong piece.
    auto piece = [&](std::size_t size) {
        const bool whole = s.InputStream.Read(raw.data() + offset, size) == size;
        offset += size;
        s.InputWaveHeader = DecodeHeader(raw);
        return whole;
    };
    const CanonicalWaveHeader& h = s.InputWaveHeader;

    if (!piece(kHeaderPieces[0]) || !SameIdIgnoringCase(View(raw, 0, 4), "RIFF")) {
        Fail(kMsgBadRiff);
        return false;
    }
    if (!piece(kHeaderPieces[1]) || !SameIdIgnoringCase(View(raw, 8, 8), "WAVEfmt ") ||
        h.FmtSize != 16) {
        Fail(kMsgBadFormat);
        return false;
    }
    if (!piece(kHeaderPieces[2]) || h.FormatTag != 1) {
        Fail(kMsgBadFormat);
        return false;
    }
    // At most 8 bytes a frame, so that any channel's bytes lie inside the frame buffer; a
    // frame of 0 bytes would make the frame count a division by zero.
    if (h.Channels > 4 || h.BlockAlign > 8 || h.BlockAlign == 0) {
        Fail(kMsgBadChannels);
        return false;
    }
    // The data chunk's id is not compared: whatever chunk comes next is taken for it.
    if (!piece(kHeaderPieces[3])) {
        Fail(kMsgBadDataHeader);
        return false;
    }
    s.FrameCount = h.DataSize / h.BlockAlign;
    ChooseChannel();
    return true;
}

void SampleRateConverter::ChooseChannel() {
    ConverterState& s = state_;
    s.SelectedChannel = 0;
    if (s.InputWaveHeader.Channels <= 1) return;
    // No prompt; keys other than a channel's digit are passed over. A code below 4 (no
    // console, an extended key's lead byte, Ctrl+A to Ctrl+C) ends the process.
    for (;;) {
        const int key = readKey_ ? readKey_() : -1;
        if (key < 4) std::exit(1);
        const int channel = key - '0';
        if (channel >= 0 && channel < s.InputWaveHeader.Channels) {
            s.SelectedChannel = channel;
            return;
        }
    }
}

float SampleRateConverter::GETINPUT2(const std::string& inputPath) {
    ConverterState& s = state_;
    if (!s.InputStream && !OpenInput(inputPath)) return 0.0f;

    const CanonicalWaveHeader& h = s.InputWaveHeader;
    if (s.InputStream.Read(s.InputFrame.data(), h.BlockAlign) != h.BlockAlign) {
        // The data chunk claims more than the file holds. Leave the output consistent with
        // the samples written so far and report the failure to the caller.
        if (s.OutputStream) FinishOutputWave(s.Mode.OutputRate);
        s.InputTruncated = true;
        s.ConvertFailed = true;
        return 0.0f;
    }

    // The frame record is zero past block align, as a short frame's bytes would read.
    return FrameSample(s.InputFrame.data(), s.InputFrame.size(), h.BitsPerSample,
                       s.SelectedChannel);
}

float FrameSample(const std::uint8_t* frame, std::size_t frameBytes, std::uint16_t bitsPerSample,
                  std::int32_t channel) {
    auto byte = [&](std::size_t i) -> int { return i < frameBytes ? frame[i] : 0; };
    const auto c = static_cast<std::size_t>(channel);
    if (bitsPerSample == 16)
        return static_cast<float>(static_cast<std::int16_t>(byte(2 * c) | (byte(2 * c + 1) << 8)));
    // 8-bit samples are unsigned: flip the top bit and scale to 16 bits.
    return static_cast<float>((byte(c) - 128) * 256);
}

} // namespace chpimport
