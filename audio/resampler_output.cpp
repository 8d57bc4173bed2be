#include <cmath>
#include <cstdio>

#include "audio/resampler.hpp"

namespace chpimport {
namespace {

constexpr std::uint32_t kProvisionalRate = 11025;

// Writes the header in its four pieces; the result is the byte count of the last write.
std::int32_t WriteHeader(File& file, const CanonicalWaveHeader& header) {
    const HeaderBytes bytes = EncodeHeader(header);
    std::size_t offset = 0;
    std::size_t written = 0;
    for (std::size_t size : kHeaderPieces) {
        written = file.Write(bytes.data() + offset, size);
        offset += size;
    }
    return static_cast<std::int32_t>(written);
}

std::uint32_t BytesPerSample(const CanonicalWaveHeader& header) {
    return static_cast<std::uint32_t>(std::ceil(header.BitsPerSample * 0.125));
}

} // namespace

void SampleRateConverter::OpenOutput(const std::string& outputPath) {
    ConverterState& s = state_;
    s.OutputAttempted = true;
    s.OutputStream = File::Open(outputPath, OpenMode::Create);
    if (!s.OutputStream) {
        Fail(kMsgCannotOpenOutput);
        return;
    }
    // Provisional until FinishOutputWave: the sizes are whatever the record holds, which is
    // those of the last finished conversion of this process.
    CanonicalWaveHeader& h = s.OutputWaveHeader;
    h.BitsPerSample = 16;
    h.BlockAlign = 2;
    h.SampleRate = kProvisionalRate;
    h.ByteRate = BytesPerSample(h) * kProvisionalRate;
    WriteHeader(s.OutputStream, h);
}

void SampleRateConverter::SENDOUT2(float value, const std::string& outputPath) {
    ConverterState& s = state_;
    if (!s.OutputStream) {
        OpenOutput(outputPath);
        if (s.ConvertFailed) return;
    }
    const auto bits = static_cast<std::uint16_t>(OutputSample(value));
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(bits & 0xFF),
                                   static_cast<std::uint8_t>(bits >> 8)};
    if (s.OutputStream.Write(bytes, 2) != 2) {
        Fail(kMsgCannotWrite);
        return;
    }
    s.SamplesWritten = static_cast<std::int32_t>(static_cast<std::uint32_t>(s.SamplesWritten) + 1);
}

std::int32_t SampleRateConverter::FinishOutputWave(std::uint32_t rate) {
    ConverterState& s = state_;
    CanonicalWaveHeader& h = s.OutputWaveHeader;
    const std::uint32_t bytesPerSample = BytesPerSample(h);
    h.DataSize = bytesPerSample * static_cast<std::uint32_t>(s.SamplesWritten);
    h.RiffSize = h.DataSize + 36;
    const auto& riff = s.InputWaveHeader.RiffId;
    if (SameIdIgnoringCase({riff.data(), riff.size()}, "RIFF") && rate != 0) {
        h.SampleRate = rate;
        h.ByteRate = bytesPerSample * rate;
    }
    s.OutputStream.Seek(0, SEEK_SET);
    return WriteHeader(s.OutputStream, h);
}

} // namespace chpimport
