#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/file.hpp"

namespace chpimport::report {

// Reads the samples of a 16-bit PCM WAV file in blocks, wherever its data chunk lies;
// of a file with several channels, the first. Sizes are taken only as far as the file
// holds them, so a damaged or hostile file reads short, never out of bounds.
class WaveReader {
public:
    // Nullopt, with `why` set, when the file can't be opened or is no 16-bit PCM WAV file.
    static std::optional<WaveReader> Open(const std::string& path, std::string& why);

    std::uint32_t Rate() const { return rate_; }
    std::int64_t Samples() const { return samples_; }
    // Positions the next Read at sample `index` (0 to Samples()). False on failure.
    bool Seek(std::int64_t index);
    // Up to `count` samples from the position into `out`; how many were read.
    std::size_t Read(std::int16_t* out, std::size_t count);

private:
    explicit WaveReader(File file) : file_(std::move(file)) {}
    bool ReadLayout(std::int64_t size, std::string& why);

    File file_;
    std::uint32_t rate_ = 0;
    std::uint16_t frameBytes_ = 2;
    std::int64_t dataOffset_ = 0;
    std::int64_t samples_ = 0;
    std::int64_t position_ = 0;
    std::vector<std::uint8_t> bytes_;
};

} // namespace chpimport::report
