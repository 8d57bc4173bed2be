#pragma once
// What every WAV file the tool writes must look like, checked byte by byte.
#include <cstdint>
#include <string>
#include <string_view>

namespace fuzzing {

inline std::uint32_t Le32At(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

inline std::uint16_t Le16At(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}

// A 16-bit mono PCM file of the canonical 44-byte layout whose sizes agree with its length
// (`extra` bytes may follow the RIFF chunk, such as the converter's DISP chunk). "" when it
// holds; the broken rule otherwise. `rate` receives the sample rate, `samples` the count.
inline std::string CheckCanonicalWave(std::string_view bytes, std::size_t extra,
                                      std::uint32_t& rate, std::size_t& samples) {
    if (bytes.size() < 44 + extra) return "a wave file shorter than its header";
    const std::size_t riffEnd = bytes.size() - extra;
    if (bytes.substr(0, 4) != "RIFF" || bytes.substr(8, 8) != "WAVEfmt " ||
        bytes.substr(36, 4) != "data")
        return "a wave file without its RIFF, WAVE, fmt or data ids";
    if (Le32At(bytes, 4) != riffEnd - 8) return "a RIFF size that is not the file's";
    if (Le32At(bytes, 16) != 16 || Le16At(bytes, 20) != 1 || Le16At(bytes, 22) != 1 ||
        Le16At(bytes, 32) != 2 || Le16At(bytes, 34) != 16)
        return "a format chunk other than 16-bit mono PCM";
    rate = Le32At(bytes, 24);
    if (Le32At(bytes, 28) != 2 * rate) return "a byte rate that is not twice the rate";
    const std::uint32_t data = Le32At(bytes, 40);
    if (data != riffEnd - 44) return "a data size that is not what the file holds";
    if (data % 2 != 0) return "an odd data size in a 16-bit file";
    samples = data / 2;
    return "";
}

} // namespace fuzzing
