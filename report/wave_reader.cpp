#include "report/wave_reader.hpp"

#include "base/bytes.hpp"

#include <algorithm>
#include <array>
#include <cstring>

namespace chpimport::report {
namespace {

constexpr std::uint16_t kPcm = 1;
constexpr std::size_t kMaxFrameBytes = 64;
// One read brings in the header and the first samples of a message's file.
constexpr std::size_t kStreamBuffer = 64 * 1024;

bool IsId(const std::uint8_t* p, const char* id) {
    return std::memcmp(p, id, 4) == 0;
}

} // namespace

std::optional<WaveReader> WaveReader::Open(const std::string& path, std::string& why) {
    File file = File::Open(path, OpenMode::Read, kStreamBuffer);
    if (!file) {
        why = OpenFailureText(file);
        return std::nullopt;
    }
    // The length before the first read, while finding it costs the stream no buffer.
    const std::int64_t size = file.Size();
    WaveReader reader(std::move(file));
    if (size < 0 || !reader.ReadLayout(size, why)) {
        if (size < 0) why = "its length can't be read";
        return std::nullopt;
    }
    return reader;
}

// Walks the chunks after the RIFF header, in file order, for the format and the data chunk.
bool WaveReader::ReadLayout(std::int64_t size, std::string& why) {
    std::array<std::uint8_t, 12> riff{};
    if (size < 12 || file_.Read(riff.data(), riff.size()) != riff.size() ||
        !IsId(riff.data(), "RIFF") || !IsId(riff.data() + 8, "WAVE")) {
        why = "not a WAV file";
        return false;
    }
    bool haveFormat = false;
    std::int64_t at = 12; // where the stream stands: the next chunk's header
    while (at + 8 <= size) {
        std::array<std::uint8_t, 8> header{};
        if (file_.Read(header.data(), 8) != 8) break;
        const std::int64_t body = Le32(header.data() + 4);
        std::int64_t read = 0;
        if (IsId(header.data(), "fmt ") && body >= 16) {
            std::array<std::uint8_t, 16> format{};
            if (file_.Read(format.data(), format.size()) != format.size()) break;
            read = 16;
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
            return true;
        }
        at += 8 + body + (body & 1);
        if (body + (body & 1) != read && !file_.Seek(at, SEEK_SET)) break;
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
    bytes_.resize(count * frameBytes_);
    const std::size_t frames = file_.Read(bytes_.data(), bytes_.size()) / frameBytes_;
    for (std::size_t i = 0; i < frames; ++i)
        out[i] = static_cast<std::int16_t>(Le16(bytes_.data() + i * frameBytes_));
    position_ += static_cast<std::int64_t>(frames);
    return frames;
}

} // namespace chpimport::report
