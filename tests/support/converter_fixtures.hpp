#pragma once
// Helpers for the sample-rate converter's tests: a converter with its own directory and
// recorder, deterministic test signals and a reader for the converter's output files.
#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "audio/resample/canonical_header.hpp"
#include "audio/resample/resampler.hpp"
#include "support/fixtures.hpp"
#include "support/message_recorder.hpp"

namespace fixtures {

// Uniform 16-bit noise, the same on every run and platform.
inline std::vector<std::int16_t> Noise(std::size_t count, std::uint32_t seed,
                                       int amplitude = 32767) {
    std::mt19937 random(seed);
    std::vector<std::int16_t> out(count);
    for (auto& s : out) {
        const auto r = static_cast<std::int32_t>(random() % (2u * amplitude + 1u));
        s = static_cast<std::int16_t>(r - amplitude);
    }
    return out;
}

// A converter output file taken apart: its 44-byte header, the samples its data size
// declares, and whatever follows them.
struct ConvertedWave {
    chpimport::CanonicalWaveHeader header;
    std::vector<std::int16_t> samples;
    Bytes rest;
    std::size_t fileSize = 0;
};

inline ConvertedWave ReadConverted(const std::string& path) {
    Bytes bytes = ReadFile(path);
    ConvertedWave wave;
    wave.fileSize = bytes.size();
    if (bytes.size() < chpimport::kCanonicalHeaderSize) return wave;
    chpimport::HeaderBytes head{};
    std::copy(bytes.begin(), bytes.begin() + head.size(), head.begin());
    wave.header = chpimport::DecodeHeader(head);
    std::size_t end = std::min<std::size_t>(bytes.size(), 44 + wave.header.DataSize);
    for (std::size_t i = 44; i + 1 < end; i += 2)
        wave.samples.push_back(static_cast<std::int16_t>(bytes[i] | (bytes[i + 1] << 8)));
    wave.rest.assign(bytes.begin() + static_cast<std::ptrdiff_t>(end), bytes.end());
    return wave;
}

// A DISP chunk of display type 1 holding `text`, its zero and a pad zero to an even count.
inline Bytes DispChunk(std::string_view text) {
    Bytes body;
    PutLe32(body, 1);
    PutText(body, text);
    body.push_back(0);
    if ((text.size() + 1) % 2 != 0) body.push_back(0);
    return Chunk("DISP", body);
}

inline std::string Id(const std::array<char, 4>& id) {
    return std::string(id.data(), id.size());
}

// A converter with its own directory, message recorder and scripted keystrokes.
struct ConverterRig {
    TempDir dir;
    MessageRecorder messages;
    std::vector<int> keys; // the keystrokes, in order; -1 (no console) once they run out
    std::size_t keyCalls = 0;
    chpimport::SampleRateConverter converter{messages, [this] {
                                                 const std::size_t i = keyCalls++;
                                                 return i < keys.size() ? keys[i] : -1;
                                             }};
    std::string in = dir.File("in.wav");
    std::string out = dir.File("out.wav");

    std::int32_t Convert(const Bytes& input, bool zuvan) {
        WriteFile(in, input);
        return converter.ResampleWave(in, out, zuvan);
    }
    std::int32_t Convert(const WavBuilder& input, bool zuvan) {
        return Convert(input.Build(), zuvan);
    }
    ConvertedWave Output() const { return ReadConverted(out); }
};

inline WavBuilder Mono16(const std::vector<std::int16_t>& samples) {
    WavBuilder builder;
    builder.Samples16(samples);
    return builder;
}

} // namespace fixtures
