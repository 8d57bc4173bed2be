#pragma once
// The sample formats a Creative Voice file's sound blocks carry that the decoder turns into
// 16-bit samples.
#include <cstddef>
#include <cstdint>

namespace chpimport {

enum class VocSampleFormat : std::uint8_t { Unsigned8, Signed16, ALaw, MuLaw };

// Bytes per (mono) sample: 2 for Signed16, 1 for the others.
std::size_t VocSampleBytes(VocSampleFormat format);

// As the block listing names it: "8-bit unsigned", "16-bit signed", "A-law", "mu-law".
const char* VocSampleFormatName(VocSampleFormat format);

// Converts `count` samples from `in` into 16-bit little-endian samples at `out` (2 x count
// bytes): an unsigned byte b becomes (b - 128) x 256, a 16-bit sample is copied, and A-law
// and mu-law bytes are expanded as ITU-T G.711 lays out.
void ConvertVocSamples(VocSampleFormat format, const std::uint8_t* in, std::size_t count,
                       std::uint8_t* out);

} // namespace chpimport
