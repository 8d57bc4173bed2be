#include "audio/wave_file.hpp"

#include "base/bytes.hpp"

namespace chpimport {
namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::int32_t kFormatBytes = 16;

// Writes the header of an empty file: steps that must all succeed.
bool WriteEmptyWave(RiffFile& file, std::uint16_t channels, std::uint32_t samplesPerSec,
                    std::uint16_t bitsPerSample, MMCKINFO& dataChunk) {
    MMCKINFO riff;
    riff.fccType = kFourCCWave;
    if (file.CreateChunk(riff, kMmioCreateRiff) != 0) return false;

    dataChunk = MMCKINFO{};
    dataChunk.ckid = kFourCCFmt;
    dataChunk.cksize = kFormatBytes;
    if (file.CreateChunk(dataChunk, 0) != 0) return false;
    unsigned char format[kFormatBytes];
    PutLe16(format, kFormatPcm);
    PutLe16(format + 2, channels);
    PutLe32(format + 4, samplesPerSec);
    PutLe32(format + 8, static_cast<std::uint32_t>(std::uint64_t{channels} * samplesPerSec *
                                                   bitsPerSample / 8));
    PutLe16(format + 12, static_cast<std::uint16_t>(channels * bitsPerSample / 8));
    PutLe16(format + 14, bitsPerSample);
    if (file.Write(format, kFormatBytes) != kFormatBytes) return false;
    if (file.Ascend(dataChunk) != 0) return false;

    // The data chunk keeps the format chunk's size as its provisional one; leaving it at
    // once makes it 0, and the RIFF size 36.
    dataChunk.ckid = kFourCCData;
    if (file.CreateChunk(dataChunk, 0) != 0) return false;
    if (file.Ascend(dataChunk) != 0) return false;
    return file.Ascend(riff) == 0;
}

} // namespace

RiffFile CreateWaveFile(const std::string& path, std::uint16_t channels,
                        std::uint32_t samplesPerSec, std::uint16_t bitsPerSample,
                        MMCKINFO& dataChunk, MessageSink& messages) {
    {
        RiffFile file = RiffFile::Open(path, kMmioCreate | kMmioWrite | kMmioAllocBuf);
        bool written = file.IsOpen() &&
                       WriteEmptyWave(file, channels, samplesPerSec, bitsPerSample, dataChunk);
        if (!file.Close() || !written) {
            messages.ShowMessage("Could not create wave file", "Disk Error", kMbIconExclamation);
            return RiffFile();
        }
    }

    RiffFile file = RiffFile::Open(path, kMmioReadWrite);
    if (!file) return file;
    MMCKINFO riff;
    MMCKINFO data;
    data.ckid = kFourCCData;
    if (file.Descend(riff, nullptr, 0) != 0 || file.Descend(data, &riff, kMmioFindChunk) != 0)
        return RiffFile();
    return file;
}

} // namespace chpimport
