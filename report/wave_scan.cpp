#include "report/wave_scan.hpp"

#include <algorithm>
#include <array>

#include "report/levels.hpp"
#include "report/wave_reader.hpp"

namespace chpimport::report {
namespace {

constexpr std::size_t kBlock = 8192;

} // namespace

std::optional<WaveShape> ScanWave(const std::string& path, int columns, std::string& why) {
    std::optional<WaveReader> reader = WaveReader::Open(path, why);
    if (!reader) return std::nullopt;
    WaveShape shape;
    shape.samples = reader->Samples();
    shape.rate = reader->Rate();
    const std::int64_t count = std::min<std::int64_t>(std::max(columns, 1), shape.samples);
    shape.low.assign(static_cast<std::size_t>(count), 0);
    shape.high.assign(static_cast<std::size_t>(count), 0);
    std::array<std::int16_t, kBlock> block{};
    std::int64_t index = 0;
    std::int64_t column = 0;
    std::int64_t columnEnd = count > 0 ? shape.samples / count : 0;
    bool columnStarted = false;
    for (std::size_t got; (got = reader->Read(block.data(), block.size())) > 0;) {
        for (std::size_t i = 0; i < got; ++i, ++index) {
            // Column c holds the samples from c x samples / count on.
            while (index >= columnEnd && column + 1 < count) {
                ++column;
                columnEnd = (column + 1) * shape.samples / count;
                columnStarted = false;
            }
            const std::int16_t s = block[i];
            auto& low = shape.low[static_cast<std::size_t>(column)];
            auto& high = shape.high[static_cast<std::size_t>(column)];
            low = columnStarted ? std::min(low, s) : s;
            high = columnStarted ? std::max(high, s) : s;
            columnStarted = true;
            shape.peak = std::max(shape.peak, Magnitude(s));
        }
    }
    if (index < shape.samples) {
        why = "the WAV file can't be read to its end";
        return std::nullopt;
    }
    return shape;
}

std::optional<RemovedSound> ScanRemoved(const std::string& convertedPath, std::int32_t kept) {
    if (kept < 0) return std::nullopt;
    std::string why;
    std::optional<WaveReader> reader = WaveReader::Open(convertedPath, why);
    if (!reader || reader->Samples() <= kept || !reader->Seek(kept)) return std::nullopt;
    RemovedSound removed;
    removed.samples =
        static_cast<std::int32_t>(std::min<std::int64_t>(reader->Samples() - kept, INT32_MAX));
    std::array<std::int16_t, kBlock> block{};
    std::int32_t index = 0;
    for (std::size_t got; (got = reader->Read(block.data(), block.size())) > 0;) {
        for (std::size_t i = 0; i < got && index < removed.samples; ++i, ++index) {
            const std::int32_t magnitude = Magnitude(block[i]);
            removed.peak = std::max(removed.peak, magnitude);
            if (IsAudible(magnitude)) removed.audible = index + 1;
        }
    }
    return removed;
}

} // namespace chpimport::report
