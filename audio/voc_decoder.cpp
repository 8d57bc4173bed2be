#include "audio/voc_decoder.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "audio/riff_io.hpp"
#include "audio/voc_reader.hpp"
#include "audio/voc_samples.hpp"
#include "audio/wave_file.hpp"
#include "base/bytes.hpp"
#include "base/file.hpp"

namespace chpimport {
namespace {

constexpr char kSignature[] = "Creative Voice File";
constexpr std::size_t kSignatureBytes = sizeof kSignature - 1;
constexpr std::uint8_t kEndOfTextMark = 0x1A;
// Blocks start here whatever the header-size field says.
constexpr std::size_t kHeaderBytes = 26;

enum BlockType : std::uint8_t {
    kTerminator = 0,
    kSound = 1,
    kContinues = 2,
    kSilence = 3,
    kMarker = 4,
    kText = 5,
    kRepeat = 6,
    kRepeatEnd = 7,
    kExtended = 8,
    kNewSound = 9,
};

// Samples converted and written per step.
constexpr std::size_t kSamplesPerStep = 16 * 1024;
// The RIFF size, 36 + data bytes, must fit in 32 bits, and the data hold whole samples.
constexpr std::uint64_t kMaxWaveData = (0xFFFFFFFFull - (kWaveHeaderBytes - 8)) & ~1ull;
// A type-9 block starts with its rate, bits, channels, codec and 4 reserved bytes.
constexpr std::uint32_t kNewSoundHeaderBytes = 12;
// sox gives a 16-bit block the length 2 x samples + 4 instead of 2 x samples + 12.
constexpr std::int64_t kSoxShortfall = 8;

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::string Count(std::uint64_t count, const char* noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::optional<VocSampleFormat> CodecFormat(std::uint16_t codec) {
    switch (codec) {
    case 0:
        return VocSampleFormat::Unsigned8;
    case 4:
        return VocSampleFormat::Signed16;
    case 6:
        return VocSampleFormat::ALaw;
    case 7:
        return VocSampleFormat::MuLaw;
    default:
        return std::nullopt;
    }
}

std::string CodecName(std::uint16_t codec) {
    switch (codec) {
    case 1:
        return "Creative 4-bit ADPCM";
    case 2:
        return "Creative 2.6-bit ADPCM";
    case 3:
        return "Creative 2-bit ADPCM";
    case 0x200:
        return "Creative 16-bit ADPCM";
    default:
        return "an unknown codec";
    }
}

// The sound a block holds: what a continuation goes on with.
struct Sound {
    VocSampleFormat format;
    std::uint32_t rate;
};

// What an extended block sets up for the sound block after it.
struct Extension {
    std::uint32_t rate;
    unsigned channels;
    std::int64_t at;
};

// One decode: the VOC file being walked and the wave file being filled.
class VocDecode {
public:
    VocDecode(const std::string& vocPath, const std::string& wavePath, MessageSink& messages,
              VocDecodeNotes* notes)
        : voc_(File::Open(vocPath, OpenMode::Read, 64 * 1024)), wavePath_(wavePath),
          messages_(messages), notes_(notes) {}

    std::int16_t Run(VocTrailer& trailer);
    const std::string& Reason() const { return reason_; }

private:
    bool Fail(std::string reason) {
        reason_ = std::move(reason);
        return false;
    }
    bool FailToWrite() {
        messages_.ShowMessage("Could not write wave file", "Disk Error", kMbIconExclamation);
        return Fail("could not write the wave file " + wavePath_);
    }
    std::string Where() const { return " at offset " + std::to_string(at_); }
    bool TooShort(const char* what, std::uint32_t length, std::uint32_t needed) {
        return Fail(std::string("the ") + what + Where() + " has the length " +
                    std::to_string(length) + ", too short for its " + std::to_string(needed) +
                    "-byte header");
    }
    bool Noting() const { return notes_ != nullptr && notes_->onBlock; }
    void Note(std::uint8_t type, std::uint32_t length, std::uint32_t rate, std::string action) {
        if (Noting()) notes_->onBlock(VocBlockNote{at_, type, length, rate, std::move(action)});
    }
    std::string Decoded(std::uint64_t samples, const Sound& sound) const;

    bool CheckHeader();
    bool Block(std::uint8_t type, std::uint32_t length);
    bool SoundBlock(std::uint32_t length);
    bool Continuation(std::uint32_t length);
    bool Silence(std::uint32_t length);
    bool Extended(std::uint32_t length);
    bool NewSound(std::uint32_t length);
    bool SoxTail(std::int64_t& taken);
    bool PassOver(std::uint8_t type, std::uint32_t length);

    bool Fits(std::uint64_t samples);
    bool OpenWave(std::uint32_t rate);
    bool DecodeSamples(const Sound& sound, std::int64_t bytes);
    bool WriteSilence(std::uint64_t samples);
    bool WriteWave(std::size_t bytes);
    bool FinishWave();

    VocReader voc_;
    std::string wavePath_;
    MessageSink& messages_;
    VocDecodeNotes* notes_;
    RiffFile wave_;
    MMCKINFO dataChunk_;
    std::uint32_t waveRate_ = 0;
    std::uint64_t dataBytes_ = 0;
    std::int64_t at_ = 0;                // offset of the block being walked
    std::optional<Sound> last_;          // the sound block a continuation goes on with
    std::optional<Extension> extension_; // for the next type-1 block
    // Silence met before the first sound block, which decides the wave file's rate.
    std::uint64_t silenceAhead_ = 0;
    std::uint32_t silenceRate_ = 0;
    std::string reason_;
    std::vector<std::uint8_t> in_;
    std::vector<std::uint8_t> out_;
};

std::string VocDecode::Decoded(std::uint64_t samples, const Sound& sound) const {
    std::string text =
        "decoded: " + Count(samples, "sample") + ", " + VocSampleFormatName(sound.format);
    if (sound.rate != waveRate_)
        text +=
            "; the wave file keeps the first sound block's " + std::to_string(waveRate_) + " Hz";
    return text;
}

bool VocDecode::CheckHeader() {
    std::uint8_t header[kHeaderBytes] = {};
    std::size_t got = voc_.ReadSome(header, kHeaderBytes);
    if (got < kSignatureBytes || std::memcmp(header, kSignature, kSignatureBytes) != 0)
        return Fail("not a Creative Voice file: the signature \"Creative Voice File\" is missing");
    if (got <= kSignatureBytes || header[kSignatureBytes] != kEndOfTextMark)
        return Fail("not a Creative Voice file: the end-of-text mark 0x1A is missing");
    if (got < kHeaderBytes) return Fail("the file ends inside its 26-byte header");
    // Bytes 20-21, the header size, are not used: blocks always start at offset 26.
    const std::uint16_t version = Le16(header + 22);
    const std::uint16_t checksum = Le16(header + 24);
    auto expected = static_cast<std::uint16_t>(0x1234 - version - 1);
    if (checksum != expected)
        return Fail("the header checksum " + Hex(checksum, 4) + " does not match version " +
                    Hex(version, 4) + " (" + Hex(expected, 4) + " expected)");
    return true;
}

bool VocDecode::Block(std::uint8_t type, std::uint32_t length) {
    switch (type) {
    case kSound:
        return SoundBlock(length);
    case kContinues:
        return Continuation(length);
    case kSilence:
        return Silence(length);
    case kExtended:
        return Extended(length);
    case kNewSound:
        return NewSound(length);
    default:
        return PassOver(type, length);
    }
}

bool VocDecode::SoundBlock(std::uint32_t length) {
    if (length < 2)
        return Fail("the sound block" + Where() + " has the length " + std::to_string(length) +
                    ", too short for its time constant and pack byte");
    std::uint8_t head[2];
    if (!voc_.Read(head, sizeof head)) return Fail("the VOC file could not be read" + Where());
    // The pack byte (head[1]) is not used: every type-1 block is read as 8-bit unsigned PCM.
    Sound sound{VocSampleFormat::Unsigned8, VocSampleRate(head[0])};
    const std::optional<Extension> extension = std::exchange(extension_, std::nullopt);
    if (extension) {
        if (extension->channels != 1)
            return Fail("the sound block" + Where() + " holds " +
                        std::to_string(extension->channels) +
                        " channels (extended block at offset " + std::to_string(extension->at) +
                        "); only mono sound is decoded");
        sound.rate = extension->rate;
    } else if (sound.rate == 0) {
        return Fail("the sound block" + Where() + " has the time constant 0, which gives no rate");
    }
    last_ = sound;
    if (!DecodeSamples(sound, length - 2)) return false;
    if (Noting())
        Note(kSound, length, sound.rate,
             Decoded(length - 2, sound) + (extension ? "; rate from the extended block at offset " +
                                                           std::to_string(extension->at)
                                                     : ""));
    return true;
}

bool VocDecode::Continuation(std::uint32_t length) {
    if (!last_) return Fail("the sound-continues block" + Where() + " follows no sound block");
    const std::size_t width = VocSampleBytes(last_->format);
    if (length % width != 0)
        return Fail("the sound-continues block" + Where() + " ends inside a 16-bit sample");
    if (!DecodeSamples(*last_, length)) return false;
    if (Noting()) Note(kContinues, length, last_->rate, Decoded(length / width, *last_));
    return true;
}

bool VocDecode::Silence(std::uint32_t length) {
    if (length < 3) return TooShort("silence block", length, 3);
    std::uint8_t body[3];
    if (!voc_.Read(body, sizeof body) || !voc_.Skip(length - 3))
        return Fail("the VOC file could not be read" + Where());
    // The block gives the number of samples less one, and a time constant.
    const std::uint64_t samples = Le16(body) + 1u;
    const std::uint32_t rate = VocSampleRate(body[2]);
    if (rate == 0)
        return Fail("the silence block" + Where() +
                    " has the time constant 0, which gives no rate");
    if (wave_) {
        if (!WriteSilence(samples)) return false;
    } else {
        silenceAhead_ += samples;
        if (silenceRate_ == 0) silenceRate_ = rate;
    }
    Note(kSilence, length, rate, "decoded: " + Count(samples, "sample") + " of silence");
    return true;
}

bool VocDecode::Extended(std::uint32_t length) {
    if (length < 4) return TooShort("extended block", length, 4);
    std::uint8_t body[4];
    if (!voc_.Read(body, sizeof body) || !voc_.Skip(length - 4))
        return Fail("the VOC file could not be read" + Where());
    // A 16-bit time constant for all channels together, the pack byte (not used, as in the
    // type-1 block) and the mode: 0 mono, 1 stereo.
    const auto divisor = static_cast<std::uint16_t>(65536 - Le16(body));
    const unsigned channels = body[3] + 1u;
    if (divisor == 0)
        return Fail("the extended block" + Where() +
                    " has the time constant 0, which gives no rate");
    const std::uint32_t rate = 256000000u / (divisor * channels);
    extension_ = Extension{rate, channels, at_};
    Note(kExtended, length, rate,
         "sets the rate and channels (" + std::to_string(channels) + ") of the next sound block");
    return true;
}

bool VocDecode::NewSound(std::uint32_t length) {
    if (length < kNewSoundHeaderBytes) return TooShort("sound block", length, kNewSoundHeaderBytes);
    std::uint8_t head[kNewSoundHeaderBytes];
    if (!voc_.Read(head, sizeof head)) return Fail("the VOC file could not be read" + Where());
    const std::uint32_t rate = Le32(head);
    const unsigned bits = head[4];
    const unsigned channels = head[5];
    const std::uint16_t codec = Le16(head + 6);
    const std::optional<VocSampleFormat> format = CodecFormat(codec);
    if (!format)
        return Fail("the sound block" + Where() + " holds " + CodecName(codec) + " (codec " +
                    std::to_string(codec) + "), which is not decoded");
    if (channels != 1)
        return Fail("the sound block" + Where() + " holds " + std::to_string(channels) +
                    " channels; only mono sound is decoded");
    const std::size_t width = VocSampleBytes(*format);
    if (bits != 8 * width)
        return Fail("the sound block" + Where() + " gives " + std::to_string(bits) +
                    " bits per sample for " + VocSampleFormatName(*format));
    if (rate == 0) return Fail("the sound block" + Where() + " has the rate 0");
    const std::uint32_t bytes = length - kNewSoundHeaderBytes;
    if (bytes % width != 0)
        return Fail("the sound block" + Where() + " ends inside a 16-bit sample");
    const Sound sound{*format, rate};
    last_ = sound;
    if (!DecodeSamples(sound, bytes)) return false;
    std::int64_t taken = 0;
    if (*format == VocSampleFormat::Signed16 &&
        voc_.Remaining() == kSoxShortfall + 1 + static_cast<std::int64_t>(kVocTrailerBytes) &&
        !SoxTail(taken))
        return false;
    if (Noting())
        Note(kNewSound, length, rate,
             Decoded(bytes / width + static_cast<std::uint64_t>(taken / 2), sound) +
                 (taken != 0 ? "; the last 4 lie past the block's length, which sox writes "
                               "8 bytes short"
                             : ""));
    return true;
}

// sox's 16-bit block ends 8 bytes short of its samples, so those 8 bytes stand just before the
// terminator. They are taken as the block's last 4 samples unless they form a block of their
// own.
bool VocDecode::SoxTail(std::int64_t& taken) {
    if (!voc_.Read(in_.data(), kSoxShortfall))
        return Fail("the VOC file could not be read" + Where());
    const std::uint8_t type = in_[0];
    if (type >= kSound && type <= kNewSound && Le24(in_.data() + 1) == 4) {
        if (!voc_.Skip(-kSoxShortfall)) return Fail("the VOC file could not be read" + Where());
        return true;
    }
    constexpr std::size_t kSamples = kSoxShortfall / 2;
    if (!Fits(kSamples)) return false;
    ConvertVocSamples(VocSampleFormat::Signed16, in_.data(), kSamples, out_.data());
    if (!WriteWave(2 * kSamples)) return false;
    taken = kSoxShortfall;
    return true;
}

bool VocDecode::PassOver(std::uint8_t type, std::uint32_t length) {
    if (!voc_.Skip(length)) return Fail("the VOC file could not be read" + Where());
    if (!Noting()) return true;
    switch (type) {
    case kMarker:
    case kText:
    case kRepeatEnd:
        Note(type, length, 0, "passed over");
        break;
    case kRepeat:
        Note(type, length, 0, "passed over: the repeat is not expanded");
        break;
    default:
        Note(type, length, 0, "passed over: unknown block type");
        break;
    }
    return true;
}

bool VocDecode::Fits(std::uint64_t samples) {
    if (2 * samples <= kMaxWaveData - dataBytes_) return true;
    return Fail("the sound of the block" + Where() +
                " takes the wave file past the 4 GiB a WAV file can hold");
}

// Creates the wave file at the first sound block's rate, with the silence met before it.
bool VocDecode::OpenWave(std::uint32_t rate) {
    if (!wave_) {
        wave_ = CreateWaveFile(wavePath_, 1, rate, 16, dataChunk_, messages_);
        if (!wave_) return Fail("could not create the wave file " + wavePath_);
        waveRate_ = rate;
        if (notes_ != nullptr) notes_->rate = rate;
        in_.resize(2 * kSamplesPerStep);
        out_.resize(2 * kSamplesPerStep);
    }
    return WriteSilence(std::exchange(silenceAhead_, 0));
}

bool VocDecode::DecodeSamples(const Sound& sound, std::int64_t bytes) {
    const std::size_t width = VocSampleBytes(sound.format);
    if (!OpenWave(sound.rate) || !Fits(static_cast<std::uint64_t>(bytes) / width)) return false;
    while (bytes > 0) {
        const std::size_t step = static_cast<std::size_t>(
            std::min<std::int64_t>(bytes, static_cast<std::int64_t>(width * kSamplesPerStep)));
        if (!voc_.Read(in_.data(), step)) return Fail("the VOC file could not be read" + Where());
        ConvertVocSamples(sound.format, in_.data(), step / width, out_.data());
        if (!WriteWave(2 * (step / width))) return false;
        bytes -= static_cast<std::int64_t>(step);
    }
    return true;
}

bool VocDecode::WriteSilence(std::uint64_t samples) {
    if (samples == 0) return true;
    if (!Fits(samples)) return false;
    std::fill(out_.begin(), out_.end(), std::uint8_t{0});
    while (samples > 0) {
        const std::uint64_t step = std::min<std::uint64_t>(samples, kSamplesPerStep);
        if (!WriteWave(static_cast<std::size_t>(2 * step))) return false;
        samples -= step;
    }
    return true;
}

// Writes the first `bytes` bytes of out_.
bool VocDecode::WriteWave(std::size_t bytes) {
    const auto count = static_cast<std::int32_t>(bytes);
    if (wave_.Write(out_.data(), count) != count) return FailToWrite();
    dataBytes_ += bytes;
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
    if (!wave_.Close() || !ok) return FailToWrite();
    return true;
}

std::string BlockWhat(std::uint8_t type) {
    return type == kSound ? "sound block" : "block of type " + std::to_string(type);
}

std::int16_t VocDecode::Run(VocTrailer& trailer) {
    if (!voc_.Stream().IsOpen())
        return Fail("the file can't be opened: " + OpenFailureText(voc_.Stream()));
    if (!voc_.Ok()) return Fail("the file's length can't be read");
    if (!CheckHeader()) return 0;
    for (;;) {
        at_ = voc_.Position();
        std::uint8_t type = 0;
        if (!voc_.Read(&type, 1))
            return Fail("the file ends at offset " + std::to_string(at_) +
                        " without a terminator block");
        if (type == kTerminator) break;
        std::uint8_t size[3];
        if (!voc_.Read(size, sizeof size))
            return Fail("the file ends inside the " + BlockWhat(type) + Where());
        const std::uint32_t length = Le24(size);
        const bool ok = length <= voc_.Remaining()
                            ? Block(type, length)
                            : Fail("the file ends inside the " + BlockWhat(type) + Where() + " (" +
                                   std::to_string(length) + " bytes announced, " +
                                   std::to_string(voc_.Remaining()) + " left)");
        if (!ok) {
            Note(type, length, 0, "refused");
            return 0;
        }
    }

    const std::int64_t trailerAt = voc_.Position();
    Note(kTerminator, 0, 0, "ends the blocks");
    if (voc_.Remaining() != static_cast<std::int64_t>(kVocTrailerBytes))
        return Fail("the terminator at offset " + std::to_string(trailerAt - 1) +
                    " is followed by " + std::to_string(voc_.Remaining()) +
                    " bytes, not by the 100-byte trailer");
    std::uint8_t bytes[kVocTrailerBytes];
    if (!voc_.Read(bytes, sizeof bytes)) return Fail("the trailer could not be read");
    // Silence alone: the wave file takes its rate.
    if (silenceAhead_ > 0 && !OpenWave(silenceRate_)) return 0;
    if (wave_ && !FinishWave()) return 0;
    std::copy(bytes + kVocTrailerBytes - trailer.bytes.size(), bytes + kVocTrailerBytes,
              trailer.bytes.begin());
    return 1;
}

} // namespace

const char* VocBlockName(std::uint8_t type) {
    static const char* const kNames[] = {
        "terminator", "sound data",   "sound continues", "silence",  "marker",
        "text",       "repeat start", "repeat end",      "extended", "sound data (new format)",
    };
    return type < std::size(kNames) ? kNames[type] : "unknown";
}

std::uint32_t VocSampleRate(std::uint8_t timeConstant) {
    // The divisor is formed in 16 bits, as the format has always defined it.
    auto divisor = static_cast<std::uint16_t>(65536 - 256 * timeConstant);
    if (divisor == 0) return 0;
    return 256000000u / divisor;
}

std::int16_t VocToWave(const std::string& vocPath, const std::string& wavePath, VocTrailer& trailer,
                       MessageSink& messages, std::string* failureReason, VocDecodeNotes* notes) {
    if (notes != nullptr) notes->rate = 0;
    if (vocPath.empty()) {
        if (failureReason != nullptr) *failureReason = "no VOC file named";
        return 0;
    }
    VocDecode decode(vocPath, wavePath, messages, notes);
    std::int16_t result = decode.Run(trailer);
    if (result == 0 && failureReason != nullptr) *failureReason = decode.Reason();
    return result;
}

} // namespace chpimport
