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

// The sound the file holds, found by a walk of our own: the first sound block's rate and
// every sound block's sample bytes, in order. Only meaningful for a file that decoded.
struct VocSound {
    std::uint32_t rate = 0;
    std::string samples;
};

VocSound WalkSound(std::string_view b) {
    VocSound sound;
    std::size_t at = 26;
    while (at + 4 <= b.size() && b[at] != 0) {
        const auto type = static_cast<unsigned char>(b[at]);
        const std::uint32_t length = Le32At(std::string(b.substr(at + 1, 3)) + '\0', 0);
        if (type == 1 && length >= 2 && at + 6 <= b.size()) {
            if (sound.rate == 0) sound.rate = VocSampleRate(static_cast<std::uint8_t>(b[at + 4]));
            sound.samples += b.substr(at + 6, length - 2);
        }
        at += 4 + length;
    }
    return sound;
}

} // namespace

std::string RunVocInput(const std::uint8_t* data, std::size_t size) {
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
    const std::string input(reinterpret_cast<const char*>(data), size);
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
                const auto b = static_cast<unsigned char>(sound.samples[i]);
                if (wave[44 + 2 * i] != 0 ||
                    static_cast<unsigned char>(wave[45 + 2 * i]) != (b ^ 0x80))
                    return "a sample is not (b - 128) x 256";
            }
        } else if (sound.rate != 0) {
            return "a file with a sound block decoded without a wave file";
        }
    }

    // The command line on the same file: the same verdict, and no file left half-written.
    std::ostringstream out, err;
    const int exit = cli::Run({"decode", vocPath, outPath}, {out, err});
    if ((exit == cli::kExitOk) != (result == 1)) return "chpimport decode disagrees with VocToWave";
    if (exit != cli::kExitOk && IsRegularFile(outPath)) return "a failed decode left OUT.wav";
    if (IsRegularFile(outPath + ".part")) return "chpimport decode left its part file";
    return "";
}

} // namespace fuzzing
