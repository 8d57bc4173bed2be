#include "audio/voc_decoder.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "audio/riff_io.hpp"
#include "audio/wave_file.hpp"
#include "base/file.hpp"

namespace chpimport {
namespace {

constexpr char kSignature[] = "Creative Voice File";
constexpr std::size_t kSignatureBytes = sizeof kSignature - 1;
constexpr std::uint8_t kEndOfTextMark = 0x1A;
// Blocks start here whatever the header-size field says.
constexpr std::size_t kHeaderBytes = 26;
constexpr std::uint8_t kBlockTerminator = 0;
constexpr std::uint8_t kBlockSound = 1;
// Sample bytes converted and written per step.
constexpr std::size_t kSamplesPerStep = 16 * 1024;

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::uint32_t Le24(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16;
}

// The VOC file, read front to back; every length it states is checked against what is left
// before anything is read or skipped for it.
class VocReader {
public:
    explicit VocReader(File file) : file_(std::move(file)), size_(file_.Size()) {}

    bool Ok() const { return file_.IsOpen() && size_ >= 0; }
    const File& Stream() const { return file_; }
    std::int64_t Position() const { return position_; }
    std::int64_t Remaining() const { return size_ - position_; }

    // Up to `count` bytes; how many arrived.
    std::size_t ReadSome(void* buffer, std::size_t count) {
        count = static_cast<std::size_t>(std::min<std::int64_t>(
            static_cast<std::int64_t>(count), std::max<std::int64_t>(Remaining(), 0)));
        std::size_t got = file_.Read(buffer, count);
        position_ += static_cast<std::int64_t>(got);
        return got;
    }
    bool Read(void* buffer, std::size_t count) { return ReadSome(buffer, count) == count; }
    bool Skip(std::int64_t count) {
        if (count > Remaining() || !file_.Seek(count, SEEK_CUR)) return false;
        position_ += count;
        return true;
    }

private:
    File file_;
    std::int64_t size_;
    std::int64_t position_ = 0;
};

// One decode: the VOC file being walked and the wave file being filled.
class VocDecode {
public:
    VocDecode(const std::string& vocPath, const std::string& wavePath, MessageSink& messages)
        : voc_(File::Open(vocPath, OpenMode::Read, 64 * 1024)), wavePath_(wavePath),
          messages_(messages) {}

    std::int16_t Run(VocTrailer& trailer);
    const std::string& Reason() const { return reason_; }

private:
    std::int16_t Fail(std::string reason) {
        reason_ = std::move(reason);
        return 0;
    }
    std::int16_t FailToWrite() {
        messages_.ShowMessage("Could not write wave file", "Disk Error", kMbIconExclamation);
        return Fail("could not write the wave file " + wavePath_);
    }
    bool CheckHeader();
    // A sound block after its type byte: false with the reason set when it fails.
    bool SoundBlock(std::int64_t blockAt);
    bool FinishWave();

    VocReader voc_;
    std::string wavePath_;
    MessageSink& messages_;
    RiffFile wave_;
    MMCKINFO dataChunk_;
    std::string reason_;
    std::vector<std::uint8_t> in_;
    std::vector<std::uint8_t> out_;
};

bool VocDecode::CheckHeader() {
    std::uint8_t header[kHeaderBytes] = {};
    std::size_t got = voc_.ReadSome(header, kHeaderBytes);
    if (got < kSignatureBytes || std::memcmp(header, kSignature, kSignatureBytes) != 0) {
        Fail("not a Creative Voice file: the signature \"Creative Voice File\" is missing");
        return false;
    }
    if (got <= kSignatureBytes || header[kSignatureBytes] != kEndOfTextMark) {
        Fail("not a Creative Voice file: the end-of-text mark 0x1A is missing");
        return false;
    }
    if (got < kHeaderBytes) {
        Fail("the file ends inside its 26-byte header");
        return false;
    }
    // Bytes 20-21, the header size, are not used: blocks always start at offset 26.
    auto version = static_cast<std::uint16_t>(header[22] | header[23] << 8);
    auto checksum = static_cast<std::uint16_t>(header[24] | header[25] << 8);
    auto expected = static_cast<std::uint16_t>(0x1234 - version - 1);
    if (checksum != expected) {
        Fail("the header checksum " + Hex(checksum, 4) + " does not match version " +
             Hex(version, 4) + " (" + Hex(expected, 4) + " expected)");
        return false;
    }
    return true;
}

bool VocDecode::SoundBlock(std::int64_t blockAt) {
    const std::string where = " at offset " + std::to_string(blockAt);
    std::uint8_t head[5];
    if (!voc_.Read(head, sizeof head)) {
        Fail("the file ends inside the sound block" + where);
        return false;
    }
    const std::uint32_t length = Le24(head);
    if (length < 2) {
        Fail("the sound block" + where + " has the length " + std::to_string(length) +
             ", too short for its time constant and pack byte");
        return false;
    }
    std::int64_t samples = length - 2;
    if (samples > voc_.Remaining()) {
        Fail("the file ends inside the sound block" + where + " (" + std::to_string(samples) +
             " sample bytes announced, " + std::to_string(voc_.Remaining()) + " left)");
        return false;
    }
    // Only the first sound block's rate reaches the header; a later one is checked alone.
    const std::uint32_t rate = VocSampleRate(head[3]);
    if (rate == 0) {
        Fail("the sound block" + where + " has the time constant 0, which gives no rate");
        return false;
    }
    if (!wave_) {
        wave_ = CreateWaveFile(wavePath_, 1, rate, 16, dataChunk_, messages_);
        if (!wave_) {
            Fail("could not create the wave file " + wavePath_);
            return false;
        }
        in_.resize(kSamplesPerStep);
        out_.resize(2 * kSamplesPerStep);
    }
    // The pack byte (head[4]) is not used: every block is read as 8-bit unsigned PCM. Each
    // byte b becomes (b - 128) x 256: a zero low byte, and b - 128 as the high byte.
    while (samples > 0) {
        std::size_t step = static_cast<std::size_t>(
            std::min<std::int64_t>(samples, static_cast<std::int64_t>(kSamplesPerStep)));
        if (!voc_.Read(in_.data(), step)) {
            Fail("the VOC file could not be read" + where);
            return false;
        }
        for (std::size_t i = 0; i < step; ++i) {
            out_[2 * i] = 0;
            out_[2 * i + 1] = static_cast<std::uint8_t>(in_[i] ^ 0x80);
        }
        auto bytes = static_cast<std::int32_t>(2 * step);
        if (wave_.Write(out_.data(), bytes) != bytes) {
            FailToWrite();
            return false;
        }
        samples -= static_cast<std::int64_t>(step);
    }
    return true;
}

bool VocDecode::FinishWave() {
    // The data chunk's size becomes the sample bytes written, the RIFF size 36 more.
    dataChunk_.dwFlags |= kMmioDirty;
    MMCKINFO riff;
    riff.ckid = kFourCCRiff;
    riff.cksize = kWaveHeaderBytes - 8;
    riff.fccType = kFourCCWave;
    riff.dwDataOffset = 8;
    riff.dwFlags = kMmioDirty;
    bool ok = wave_.Ascend(dataChunk_) == 0 && wave_.Ascend(riff) == 0;
    if (!wave_.Close() || !ok) {
        FailToWrite();
        return false;
    }
    return true;
}

std::int16_t VocDecode::Run(VocTrailer& trailer) {
    if (!voc_.Stream().IsOpen())
        return Fail("the file can't be opened: " + OpenFailureText(voc_.Stream()));
    if (!voc_.Ok()) return Fail("the file's length can't be read");
    if (!CheckHeader()) return 0;
    for (;;) {
        const std::int64_t blockAt = voc_.Position();
        std::uint8_t type = 0;
        if (!voc_.Read(&type, 1))
            return Fail("the file ends at offset " + std::to_string(blockAt) +
                        " without a terminator block");
        if (type == kBlockTerminator) break;
        if (type == kBlockSound) {
            if (!SoundBlock(blockAt)) return 0;
            continue;
        }
        // Other blocks (silence, markers, text, repeats, extended and newer sound formats)
        // are passed over by their 3-byte length; their contents are not decoded.
        std::uint8_t length[3];
        if (!voc_.Read(length, sizeof length) || !voc_.Skip(Le24(length)))
            return Fail("the file ends inside the block of type " + std::to_string(type) +
                        " at offset " + std::to_string(blockAt));
    }

    const std::int64_t trailerAt = voc_.Position();
    if (voc_.Remaining() != static_cast<std::int64_t>(kVocTrailerBytes))
        return Fail("the terminator at offset " + std::to_string(trailerAt - 1) +
                    " is followed by " + std::to_string(voc_.Remaining()) +
                    " bytes, not by the 100-byte trailer");
    std::uint8_t bytes[kVocTrailerBytes];
    if (!voc_.Read(bytes, sizeof bytes)) return Fail("the trailer could not be read");
    if (wave_ && !FinishWave()) return 0;
    std::copy(bytes + kVocTrailerBytes - trailer.bytes.size(), bytes + kVocTrailerBytes,
              trailer.bytes.begin());
    return 1;
}

} // namespace

std::uint32_t VocSampleRate(std::uint8_t timeConstant) {
    // The divisor is formed in 16 bits, as the format has always defined it.
    auto divisor = static_cast<std::uint16_t>(65536 - 256 * timeConstant);
    if (divisor == 0) return 0;
    return 256000000u / divisor;
}

std::int16_t VocToWave(const std::string& vocPath, const std::string& wavePath, VocTrailer& trailer,
                       MessageSink& messages, std::string* failureReason) {
    if (vocPath.empty()) {
        if (failureReason != nullptr) *failureReason = "no VOC file named";
        return 0;
    }
    VocDecode decode(vocPath, wavePath, messages);
    std::int16_t result = decode.Run(trailer);
    if (result == 0 && failureReason != nullptr) *failureReason = decode.Reason();
    return result;
}

} // namespace chpimport
