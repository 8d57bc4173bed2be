#include <algorithm>

#include "audio/resample/resampler.hpp"
#include "audio/wav_post.hpp"
#include "base/file.hpp"
#include "harness.hpp"
#include "scratch.hpp"
#include "support/message_recorder.hpp"
#include "wave_check.hpp"

namespace fuzzing {

using namespace chpimport;

FastEngine& SharedEngine() {
    static FastEngine engine;
    return engine;
}

std::string RunConverterInput(const std::uint8_t* data, std::size_t size) {
    const std::string folder = Scratch::Get().Folder("converter");
    const std::string in = InFolder(folder, "tmp.wav");
    const std::string out = InFolder(folder, "tmp1.wav");
    RemoveFile(out);
    if (!WriteBytes(in, data, size)) return "";

    int keys = 0;
    const int firstKey = size > 0 && data[size - 1] >= 4 ? data[size - 1] : '0';
    fixtures::MessageRecorder messages;
    SampleRateConverter converter(messages, [&] { return keys++ == 0 ? firstKey : '0'; });
    converter.SetEngine(SharedEngine());
    const std::int32_t result = converter.ResampleWave(in, out, false);
    const ConverterState& state = converter.State();

    if (result <= 0) {
        if (result < 0) return "ResampleWave returned a negative count";
        if (messages.messages.empty() && !state.InputTruncated)
            return "a failed conversion neither reported nor marked a short input";
        return "";
    }
    if (!messages.messages.empty()) return "a conversion that reported a failure counted samples";
    const CanonicalWaveHeader& h = state.InputWaveHeader;
    const std::uint64_t frames = std::max<std::uint64_t>(h.DataSize / h.BlockAlign, 1);
    if (size < 44 + frames * h.BlockAlign) return "more frames converted than the input holds";
    if (static_cast<std::uint64_t>(result) != (frames + 1) / 2)
        return "not one output for every second input frame";

    std::string text;
    ReadDispText(in, text);
    const std::size_t disp = 12 + ((text.size() + 2) & ~std::size_t{1});
    const std::string wave = ReadBytes(out);
    std::uint32_t rate = 0;
    std::size_t samples = 0;
    if (std::string broken = CheckCanonicalWave(wave, disp, rate, samples); !broken.empty())
        return broken;
    if (rate != 11111) return "the output's rate is not 11111 Hz";
    if (samples != static_cast<std::size_t>(result)) return "the output holds another count";
    if (wave.compare(44 + 2 * samples, 4, "DISP") != 0) return "no display text after the samples";
    return "";
}

} // namespace fuzzing
