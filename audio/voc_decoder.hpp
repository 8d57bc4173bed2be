#pragma once
// Decodes a message's Creative Voice file into a 16-bit mono WAV file and hands back the
// part of its trailer that message import needs.
#include <array>
#include <cstdint>
#include <string>

#include "base/message_sink.hpp"

namespace chpimport {

// The last 24 bytes of a VOC file's 100-byte trailer.
struct VocTrailer {
    std::array<std::uint8_t, 24> bytes{};
    // Chip type code, in the code space of the chip type table.
    std::uint8_t ChipCode() const { return bytes[0]; }
    // The message's length count: bytes 1 (low) and 2 (high).
    std::uint16_t RowCount() const {
        return static_cast<std::uint16_t>(bytes[1] | (bytes[2] << 8));
    }
};

inline constexpr std::size_t kVocTrailerBytes = 100;

// The sampling rate a sound block's time constant gives: 256000000 / ((65536 - 256 tc) mod
// 65536), that is 1000000 / (256 - tc) truncated. 0 for the time constant 0, which gives no
// rate.
std::uint32_t VocSampleRate(std::uint8_t timeConstant);

// Decodes `vocPath` into `wavePath` (created or overwritten as soon as a sound block is met)
// as 16-bit mono PCM at the rate of the first sound block; every sample byte b becomes
// (b - 128) x 256. Returns 1 on success, with `trailer` filled; 0 on failure, with `trailer`
// untouched and, when `failureReason` is given, a one-line reason in it. A wave file that
// can't be created or written is also reported through `messages` (caption "Disk Error").
// A file without sound blocks decodes successfully and writes no wave file.
std::int16_t VocToWave(const std::string& vocPath, const std::string& wavePath, VocTrailer& trailer,
                       MessageSink& messages, std::string* failureReason = nullptr);

} // namespace chpimport
