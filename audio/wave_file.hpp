#pragma once
#include <cstdint>
#include <string>

#include "audio/riff_io.hpp"
#include "base/message_sink.hpp"

namespace chpimport {

// The layout every WAV file of the tool starts with: RIFF header, 16-byte PCM format
// chunk, data chunk header; samples follow at this offset.
inline constexpr std::uint32_t kWaveHeaderBytes = 44;

// Creates (or truncates) `path` as an empty PCM WAV file and opens it again for reading and
// writing, positioned at the first byte of the data chunk's body (offset 44). `dataChunk`
// receives the data chunk's record ("data", size 0, data offset 44), ready to be marked
// dirty and left once the samples are written. When the file can't be created the user is
// told ("Could not create wave file", caption "Disk Error") and the result is not open; a
// failed reopen gives a result that is not open without a message.
RiffFile CreateWaveFile(const std::string& path, std::uint16_t channels,
                        std::uint32_t samplesPerSec, std::uint16_t bitsPerSample,
                        MMCKINFO& dataChunk, MessageSink& messages);

} // namespace chpimport
