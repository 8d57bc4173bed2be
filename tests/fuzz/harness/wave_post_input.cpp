#include "audio/wav_post.hpp"
#include "base/file.hpp"
#include "harness.hpp"
#include "scratch.hpp"
#include "wave_check.hpp"

namespace fuzzing {
namespace {

using namespace chpimport;

// The destination of a range copy: a RIFF file whose every size agrees with the file, its
// format chunk 16 bytes, its data chunk `samples` samples long. "" when it holds.
std::string CheckCopy(const std::string& path, std::int32_t samples) {
    const std::string b = ReadBytes(path);
    if (b.size() < 12 + 24 + 8) return "a range copy shorter than its three headers";
    if (b.compare(0, 4, "RIFF") != 0) return "a range copy that is not a RIFF file";
    if (Le32At(b, 4) != b.size() - 8) return "a range copy whose RIFF size is not its length";
    if (Le32At(b, 16) != 16) return "a range copy whose format chunk is not 16 bytes";
    const std::uint32_t data = Le32At(b, 40);
    if (data / 2 != static_cast<std::uint32_t>(samples)) return "a range copy counts other samples";
    // The chunks after the data chunk must tile the rest of the RIFF chunk exactly.
    std::size_t at = 44 + data + (data & 1);
    while (at < b.size()) {
        if (at + 8 > b.size()) return "a range copy ends inside a chunk header";
        const std::uint32_t size = Le32At(b, at + 4);
        at += 8 + static_cast<std::size_t>(size) + (size & 1);
    }
    if (at != b.size()) return "a chunk of the range copy reaches past its end";
    return "";
}

} // namespace

std::string RunWavePostInput(const std::uint8_t* data, std::size_t size) {
    const std::string folder = Scratch::Get().Folder("wavepost");
    const std::string in = InFolder(folder, "tmp1.wav");
    if (!WriteBytes(in, data, size)) return "";

    std::string text = "stale";
    const std::int16_t read = ReadDispText(in, text);
    if (read < -1 || read > 255) return "ReadDispText counts outside -1..255";
    if (read <= 0 && !text.empty()) return "no display text read, but the text is not empty";
    if (read > 0 && text.size() > static_cast<std::size_t>(read)) return "a text longer than read";

    struct Range {
        std::int32_t first, last;
    };
    for (Range r : {Range{0, -1}, Range{0, 999}, Range{1, 4}, Range{3, 3}}) {
        const std::string out = InFolder(folder, "out.wav");
        const std::int32_t samples = CopyWaveRange(in, out, r.first, r.last);
        if (samples < 0) return "CopyWaveRange returned a negative count";
        if (r.last >= 0 && samples > r.last - r.first) return "a range copy holds too many samples";
        if (samples > 0)
            if (std::string broken = CheckCopy(out, samples); !broken.empty()) return broken;
        RemoveFile(out);
    }
    // A copy onto its own source is refused before anything is truncated.
    if (CopyWaveRange(in, in, 0, -1) != 0 || ReadBytes(in).size() != size)
        return "a range copy onto its source changed it";

    const std::int16_t appended = AppendDispChunk(in, "fuzz");
    if (appended != 0) {
        const std::string after = ReadBytes(in);
        const std::size_t pad = size % 2;
        if (appended != 6) return "the text \"fuzz\" gave a count other than 6";
        if (after.size() != size + pad + 8 + 4 + 6) return "the DISP chunk has another length";
        if (after.compare(0, size, std::string(reinterpret_cast<const char*>(data), size)) != 0)
            return "appending a DISP chunk changed what was there";
        if (after.compare(size + pad, 8, std::string("DISP\x0a\0\0\0", 8)) != 0)
            return "the appended chunk's header is wrong";
    }
    return "";
}

} // namespace fuzzing
