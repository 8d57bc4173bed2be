#include "audio/voc_samples.hpp"

#include <array>
#include <cstring>

namespace chpimport {
namespace {

// G.711 A-law: even bits inverted, then sign, 3-bit segment and 4-bit step.
constexpr std::int16_t ExpandALaw(std::uint8_t code) {
    const int a = code ^ 0x55;
    const int step = a & 0x0F;
    const int segment = (a >> 4) & 0x07;
    const int magnitude = segment == 0 ? (2 * step + 1) << 3 : (2 * step + 1 + 32) << (segment + 2);
    return static_cast<std::int16_t>((a & 0x80) != 0 ? magnitude : -magnitude);
}

// G.711 mu-law: all bits inverted, then sign, 3-bit segment and 4-bit step, with the bias
// of 0x84 taken off again.
constexpr std::int16_t ExpandMuLaw(std::uint8_t code) {
    const int u = ~code & 0xFF;
    const int biased = (((u & 0x0F) << 3) + 0x84) << ((u >> 4) & 0x07);
    return static_cast<std::int16_t>((u & 0x80) != 0 ? 0x84 - biased : biased - 0x84);
}

template <std::int16_t (*Expand)(std::uint8_t)>
constexpr std::array<std::int16_t, 256> Table() {
    std::array<std::int16_t, 256> table{};
    for (int i = 0; i < 256; ++i) table[i] = Expand(static_cast<std::uint8_t>(i));
    return table;
}

constexpr auto kALaw = Table<ExpandALaw>();
constexpr auto kMuLaw = Table<ExpandMuLaw>();

void Expand(const std::array<std::int16_t, 256>& table, const std::uint8_t* in, std::size_t count,
            std::uint8_t* out) {
    for (std::size_t i = 0; i < count; ++i) {
        const auto value = static_cast<std::uint16_t>(table[in[i]]);
        out[2 * i] = static_cast<std::uint8_t>(value & 0xFF);
        out[2 * i + 1] = static_cast<std::uint8_t>(value >> 8);
    }
}

} // namespace

std::size_t VocSampleBytes(VocSampleFormat format) {
    return format == VocSampleFormat::Signed16 ? 2 : 1;
}

const char* VocSampleFormatName(VocSampleFormat format) {
    switch (format) {
    case VocSampleFormat::Unsigned8:
        return "8-bit unsigned";
    case VocSampleFormat::Signed16:
        return "16-bit signed";
    case VocSampleFormat::ALaw:
        return "A-law";
    case VocSampleFormat::MuLaw:
        return "mu-law";
    }
    return "?";
}

void ConvertVocSamples(VocSampleFormat format, const std::uint8_t* in, std::size_t count,
                       std::uint8_t* out) {
    switch (format) {
    case VocSampleFormat::Unsigned8:
        // (b - 128) x 256: a zero low byte, and b - 128 as the high byte.
        for (std::size_t i = 0; i < count; ++i) {
            out[2 * i] = 0;
            out[2 * i + 1] = static_cast<std::uint8_t>(in[i] ^ 0x80);
        }
        break;
    case VocSampleFormat::Signed16:
        std::memcpy(out, in, 2 * count);
        break;
    case VocSampleFormat::ALaw:
        Expand(kALaw, in, count, out);
        break;
    case VocSampleFormat::MuLaw:
        Expand(kMuLaw, in, count, out);
        break;
    }
}

} // namespace chpimport
