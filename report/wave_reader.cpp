#include "report/wave_reader.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace chpimport::report {
namespace {

constexpr std::uint16_t kPcm = 1;
constexpr std::size_t kMaxFrameBytes = 64;

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool IsId(const std::uint8_t* p, const char* id) {
    return std::memcmp(p, id, 4) == 0;
}

} // namespace

std::optional<WaveReader> WaveReader::Open(const std::string& path, std::string& why) {
    File file = File::Open(path, OpenMode::Read);
    if (!file) {
        why = OpenFailureText(file);
        return std::nullopt;
    }
    WaveReader reader(std::move(file));
    if (!reader.ReadLayout(why)) return std::nullopt;
    return reader;
}

// Walks the chunks after the RIFF header for the format and the data chunk.
bool WaveReader::ReadLayout(std::string& why) {
    const std::int64_t size = file_.Size();
    std::array<std::uint8_t, 12> riff{};
    if (size < 12 || file_.Read(riff.data(), riff.size()) != riff.size() ||
        !IsId(riff.data(), "RIFF") || !IsId(riff.data() + 8, "WAVE")) {
        why = "not a WAV file";
        return false;
    }
    bool haveFormat = false;
    std::int64_t at = 12;
    while (at + 8 <= size) {
        std::array<std::uint8_t, 8> header{};
        if (!file_.Seek(at, SEEK_SET) || file_.Read(header.data(), 8) != 8) break;
        const std::int64_t body = Le32(header.data() + 4);
        if (IsId(header.data(), "fmt ") && body >= 16) {
            std::array<std::uint8_t, 16> format{};
            if (file_.Read(format.data(), format.size()) != format.size()) break;
            const std::uint16_t channels = Le16(format.data() + 2);
            frameBytes_ = Le16(format.data() + 12);
            if (Le16(format.data()) != kPcm || Le16(format.data() + 14) != 16 || channels == 0 ||
                frameBytes_ < 2 || frameBytes_ > kMaxFrameBytes) {
                why = "not a 16-bit PCM WAV file";
                return false;
            }
            rate_ = Le32(format.data() + 4);
            haveFormat = true;
        } else if (IsId(header.data(), "data") && haveFormat) {
            dataOffset_ = at + 8;
            samples_ = std::min(body, size - dataOffset_) / frameBytes_;
            return Seek(0);
        }
        at += 8 + body + (body & 1);
    }
    why = haveFormat ? "the WAV file has no sample data" : "the WAV file has no format chunk";
    return false;
}

bool WaveReader::Seek(std::int64_t index) {
    if (index < 0 || index > samples_ || !file_.Seek(dataOffset_ + index * frameBytes_, SEEK_SET))
        return false;
    position_ = index;
    return true;
}

std::size_t WaveReader::Read(std::int16_t* out, std::size_t count) {
    count = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(count), samples_ - position_));
    if (count == 0) return 0;
    std::vector<std::uint8_t> bytes(count * frameBytes_);
    const std::size_t frames = file_.Read(bytes.data(), bytes.size()) / frameBytes_;
    for (std::size_t i = 0; i < frames; ++i)
        out[i] = static_cast<std::int16_t>(Le16(bytes.data() + i * frameBytes_));
    position_ += static_cast<std::int64_t>(frames);
    return frames;
}

} // namespace chpimport::report
