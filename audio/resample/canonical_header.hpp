#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace chpimport {

// The 44-byte header of a plain PCM WAV file: RIFF, a 16-byte format chunk and the data
// chunk's header, with the samples from offset 44. The converter reads its input's header
// and writes its output's header in this one shape, in four pieces: 8 bytes (RIFF id and
// size), 12 bytes (form type, "fmt " and the format chunk size), the 16-byte format body and
// 8 bytes (data chunk id and size).
struct CanonicalWaveHeader {
    std::array<char, 4> RiffId{};
    std::uint32_t RiffSize = 0;
    std::array<char, 4> WaveId{};
    std::array<char, 4> FmtId{};
    std::uint32_t FmtSize = 0;
    std::uint16_t FormatTag = 0;
    std::uint16_t Channels = 0;
    std::uint32_t SampleRate = 0;
    std::uint32_t ByteRate = 0;
    std::uint16_t BlockAlign = 0;
    std::uint16_t BitsPerSample = 0;
    std::array<char, 4> DataId{};
    std::uint32_t DataSize = 0;
};

inline constexpr std::size_t kCanonicalHeaderSize = 44;
// The sizes of the four pieces, in file order.
inline constexpr std::array<std::size_t, 4> kHeaderPieces = {8, 12, 16, 8};

using HeaderBytes = std::array<std::uint8_t, kCanonicalHeaderSize>;

// Little-endian on every platform.
HeaderBytes EncodeHeader(const CanonicalWaveHeader& header);
CanonicalWaveHeader DecodeHeader(const HeaderBytes& bytes);

// The mono 16-bit PCM header the converter starts its output with: ids and format set,
// both sizes 0.
CanonicalWaveHeader InitialOutputHeader();

// Whether `bytes` begin with `id`, ignoring the letter case of ASCII letters.
bool SameIdIgnoringCase(std::string_view bytes, std::string_view id);

} // namespace chpimport
