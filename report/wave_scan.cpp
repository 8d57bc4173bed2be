#include "report/wave_scan.hpp"

#include <algorithm>
#include <array>
#include <cstdint>

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
    shape.low.assign(static_cast<std::size_t>(count), INT16_MAX);
    shape.high.assign(static_cast<std::size_t>(count), INT16_MIN);
    std::array<std::int16_t, kBlock> block{};
    std::int64_t index = 0; // of the first sample in the block
    std::int64_t column = 0;
    // Column c holds the samples from c x samples / count on.
    std::int64_t columnEnd = count > 0 ? shape.samples / count : 0;
    for (std::size_t got; (got = reader->Read(block.data(), block.size())) > 0;) {
        std::size_t i = 0;
        while (i < got) {
            while (index + static_cast<std::int64_t>(i) >= columnEnd && column + 1 < count)
                columnEnd = (++column + 1) * shape.samples / count;
            const std::size_t end =
                std::min<std::size_t>(got, static_cast<std::size_t>(columnEnd - index));
            std::int16_t low = shape.low[static_cast<std::size_t>(column)];
            std::int16_t high = shape.high[static_cast<std::size_t>(column)];
            for (; i < end; ++i) { // a plain loop, which the compiler turns into vector code
                low = std::min(low, block[i]);
                high = std::max(high, block[i]);
            }
            shape.low[static_cast<std::size_t>(column)] = low;
            shape.high[static_cast<std::size_t>(column)] = high;
        }
        index += static_cast<std::int64_t>(got);
    }
    if (index < shape.samples) {
        why = "the WAV file can't be read to its end";
        return std::nullopt;
    }
    for (std::size_t c = 0; c < shape.low.size(); ++c)
        shape.peak = std::max({shape.peak, Magnitude(shape.low[c]), Magnitude(shape.high[c])});
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
