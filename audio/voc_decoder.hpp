#pragma once
// Decodes a message's Creative Voice file into a 16-bit mono WAV file and hands back the
// part of its trailer that message import needs.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "base/bytes.hpp"
#include "base/message_sink.hpp"

namespace chpimport {

// The last 24 bytes of a VOC file's 100-byte trailer.
struct VocTrailer {
    std::array<std::uint8_t, 24> bytes{};
    // Chip type code, in the code space of the chip type table.
    std::uint8_t ChipCode() const { return bytes[0]; }
    // The message's length count: bytes 1 (low) and 2 (high).
    std::uint16_t RowCount() const { return Le16(bytes.data() + 1); }
};

inline constexpr std::size_t kVocTrailerBytes = 100;

// The sampling rate a sound block's time constant gives: 256000000 / ((65536 - 256 tc) mod
// 65536), that is 1000000 / (256 - tc) truncated. 0 for the time constant 0, which gives no
// rate.
std::uint32_t VocSampleRate(std::uint8_t timeConstant);

// One block the decode met, as `chpimport decode --blocks` lists it.
struct VocBlockNote {
    std::int64_t offset = 0;  // of the block's type byte
    std::uint8_t type = 0;    // 0 terminator, 1 sound, 2 sound continues, 3 silence...
    std::uint32_t length = 0; // the block's 3-byte length; 0 for the terminator
    std::uint32_t rate = 0;   // Hz of the sound it holds or sets up; 0 for none
    std::string action;       // what the decode did with it
};

// What a decode tells besides its result, for those who ask.
struct VocDecodeNotes {
    // The wave file's rate (the first sound block's), or 0 when no wave file was written.
    std::uint32_t rate = 0;
    // When set, told of every block in the order met, a refused block included.
    std::function<void(const VocBlockNote&)> onBlock;
};

// The name of a block type: "sound data", "silence"...; "unknown" past type 9.
const char* VocBlockName(std::uint8_t type);

// Decodes `vocPath` into `wavePath` (created or overwritten as soon as there is sound to
// write) as 16-bit mono PCM at the rate of the first sound block. Sound blocks (type 1: 8-bit
// unsigned, with the rate and channels of an extended block, type 8, before it; type 9:
// 8-bit unsigned, 16-bit signed, A-law or mu-law), their continuations (type 2) and silence
// (type 3) are decoded in order; every sample byte b of a type-1 block becomes (b - 128) x
// 256 whatever its pack byte. Markers, texts and repeats are passed over, a repeat is not
// expanded. Sound that isn't mono, or in a codec not listed, is refused.
//
// Returns 1 on success, with `trailer` filled; 0 on failure, with `trailer` untouched and,
// when `failureReason` is given, a one-line reason in it. A wave file that can't be created
// or written is also reported through `messages` (caption "Disk Error"). A file without
// sound decodes successfully and writes no wave file.
std::int16_t VocToWave(const std::string& vocPath, const std::string& wavePath, VocTrailer& trailer,
                       MessageSink& messages, std::string* failureReason = nullptr,
                       VocDecodeNotes* notes = nullptr);

} // namespace chpimport
