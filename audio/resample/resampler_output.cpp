#include <cmath>
#include <cstdio>

#include "audio/resample/resampler.hpp"

namespace chpimport {
namespace {

constexpr std::uint32_t kProvisionalRate = 11025;

// Writes the header in its four pieces; the result is the byte count of the last write, or
// 0 when any piece was not written whole.
std::int32_t WriteHeader(File& file, const CanonicalWaveHeader& header) {
    const HeaderBytes bytes = EncodeHeader(header);
    std::size_t offset = 0;
    std::size_t written = 0;
    bool whole = true;
    for (std::size_t size : kHeaderPieces) {
        written = file.Write(bytes.data() + offset, size);
        whole = whole && written == size;
        offset += size;
    }
    return whole ? static_cast<std::int32_t>(written) : 0;
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
    // A header cut short would leave every sample after it at the wrong offset.
    if (WriteHeader(s.OutputStream, h) == 0) Fail(kMsgCannotWrite);
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
    // Without its final header the file would claim sizes it does not have.
    const std::int32_t written =
        s.OutputStream.Seek(0, SEEK_SET) ? WriteHeader(s.OutputStream, h) : 0;
    if (written == 0 && !s.ConvertFailed) Fail(kMsgCannotWrite);
    return written;
}

} // namespace chpimport
