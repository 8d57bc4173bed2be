#include <algorithm>
#include <sstream>
#include <vector>

#include "audio/voc_decoder.hpp"
#include "base/file.hpp"
#include "base/message_sink.hpp"
#include "cli/cli.hpp"
#include "harness.hpp"
#include "scratch.hpp"
#include "wave_check.hpp"

namespace fuzzing {
namespace {

using namespace chpimport;

// The sound the file holds, found by a walk of our own: the rate of the first sound block
// (of the silence when there is no sound) and every sample in order; kAnySample for A-law
// and mu-law, whose expansion is checked against sox and ffmpeg instead. Only meaningful for a
// file that decoded.
constexpr int kAnySample = 1 << 20;
struct VocSound {
    std::uint32_t rate = 0;
    std::vector<int> samples;
};

VocSound WalkSound(std::string_view b) {
    VocSound sound;
    std::uint32_t silenceRate = 0, extendedRate = 0, lastCodec = 0;
    auto u8 = [&](std::size_t at) { return static_cast<unsigned char>(b[at]); };
    auto push = [&](std::uint32_t codec, std::size_t from, std::size_t bytes) {
        for (std::size_t i = 0; codec == 4 && i + 1 < bytes; i += 2)
            sound.samples.push_back(static_cast<std::int16_t>(Le16At(b, from + i)));
        for (std::size_t i = 0; codec != 4 && i < bytes; ++i)
            sound.samples.push_back(codec == 0 ? (u8(from + i) - 128) * 256 : kAnySample);
    };
    std::size_t at = 26;
    while (at + 4 <= b.size() && b[at] != 0) {
        const unsigned type = u8(at);
        const std::uint32_t length = Le32At(std::string(b.substr(at + 1, 3)) + '\0', 0);
        const std::size_t body = at + 4;
        std::uint32_t rate = 0;
        if (type == 1) {
            rate = extendedRate != 0 ? extendedRate : VocSampleRate(u8(body));
            extendedRate = lastCodec = 0;
            push(0, body + 2, length - 2);
        } else if (type == 2) {
            push(lastCodec, body, length);
        } else if (type == 3) {
            if (silenceRate == 0) silenceRate = VocSampleRate(u8(body + 2));
            sound.samples.insert(sound.samples.end(), Le16At(b, body) + 1u, 0);
        } else if (type == 8) {
            extendedRate = 256000000u / ((65536u - Le16At(b, body)) * (u8(body + 3) + 1u));
        } else if (type == 9) {
            rate = Le32At(b, body);
            lastCodec = Le16At(b, body + 6);
            push(lastCodec, body + 12, length - 12);
            // sox's 16-bit block ends 8 bytes short, just before the terminator and trailer.
            const std::size_t end = body + length;
            if (lastCodec == 4 && end + 8 + 1 + 100 == b.size() &&
                !(u8(end) >= 1 && u8(end) <= 9 && Le32At(b, end) >> 8 == 4)) {
                push(4, end, 8);
                at += 8;
            }
        }
        if (sound.rate == 0) sound.rate = rate;
        at += 4 + length;
    }
    if (sound.rate == 0) sound.rate = silenceRate;
    return sound;
}

// The samples of silence the file's silence blocks announce, by a walk of the block headers.
std::uint64_t AnnouncedSilence(std::string_view b) {
    std::uint64_t samples = 0;
    auto u8 = [&](std::size_t at) { return static_cast<unsigned char>(b[at]); };
    for (std::size_t at = 26; at + 4 <= b.size() && b[at] != 0;) {
        const std::size_t length = u8(at + 1) | u8(at + 2) << 8 | std::size_t{u8(at + 3)} << 16;
        if (u8(at) == 3 && at + 6 <= b.size()) samples += Le16At(b, at + 4) + 1u;
        at += 4 + length;
    }
    return samples;
}

// Seven bytes of silence block announce up to 65536 samples: a 4 KiB input of nothing else
// decodes to some 70 MB, twice (VocToWave, then the command line) and is walked and compared
// sample by sample, taking seconds where other inputs take a fraction of a millisecond. Four
// silence blocks of the longest kind still run; a file announcing more is passed over. The
// decoder's own limit (a WAV file's 4 GiB) is covered by the unit tests.
constexpr std::uint64_t kMaxSilence = 4 * 65536;

} // namespace

std::string RunVocInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    if (AnnouncedSilence(input) > kMaxSilence) return "";
    const std::string folder = Scratch::Get().Folder("voc");
    const std::string vocPath = InFolder(folder, "MSG.VOC");
    const std::string wavePath = InFolder(folder, "tmp.wav");
    const std::string outPath = InFolder(folder, "OUT.wav");
    RemoveFile(wavePath);
    RemoveFile(outPath);
    if (!WriteBytes(vocPath, data, size)) return "";

    SilentMessageSink messages;
    VocTrailer trailer;
    trailer.bytes.fill(0xA5);
    std::string reason;
    const std::int16_t result = VocToWave(vocPath, wavePath, trailer, messages, &reason);
    if (result == 0) {
        if (reason.empty()) return "a failed decode gives no reason";
        if (std::any_of(trailer.bytes.begin(), trailer.bytes.end(),
                        [](auto v) { return v != 0xA5; }))
            return "a failed decode wrote the trailer";
    } else {
        if (result != 1) return "VocToWave returns neither 0 nor 1";
        if (size < 26 + 1 + 100)
            return "a file too short for header, terminator and trailer decoded";
        if (!std::equal(trailer.bytes.begin(), trailer.bytes.end(),
                        reinterpret_cast<const std::uint8_t*>(input.data()) + size - 24))
            return "the trailer is not the file's last 24 bytes";
        const VocSound sound = WalkSound(input);
        if (IsRegularFile(wavePath)) {
            const std::string wave = ReadBytes(wavePath);
            std::uint32_t rate = 0;
            std::size_t samples = 0;
            if (std::string broken = CheckCanonicalWave(wave, 0, rate, samples); !broken.empty())
                return broken;
            if (rate != sound.rate) return "the wave file's rate is not the first block's";
            if (samples != sound.samples.size()) return "the wave file holds other samples";
            for (std::size_t i = 0; i < samples; ++i) {
                if (sound.samples[i] != kAnySample &&
                    static_cast<std::int16_t>(Le16At(wave, 44 + 2 * i)) != sound.samples[i])
                    return "a sample is not the one its block holds";
            }
        } else if (sound.rate != 0) {
            return "a file with sound decoded without a wave file";
        }
    }

    // The command on the same file: the same verdict, and no file left half-written. (Its
    // arguments never change; building the parser for them took a third of the time.)
    std::ostringstream out, err;
    const int exit = cli::CmdDecode({vocPath, outPath, true}, {out, err});
    if ((exit == cli::kExitOk) != (result == 1)) return "chpimport decode disagrees with VocToWave";
    if (exit != cli::kExitOk && IsRegularFile(outPath)) return "a failed decode left OUT.wav";
    if (IsRegularFile(outPath + ".part")) return "chpimport decode left its part file";
    return "";
}

} // namespace fuzzing
