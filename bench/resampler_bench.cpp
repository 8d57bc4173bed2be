// Throughput of the sample-rate converter, in output samples per second, for both modes and
// both engines: whole conversions file to file (the reference designs its table for every
// conversion, the fast engine once per process), the filter design alone, and the
// reference's dot product alone.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "audio/resample/canonical_header.hpp"
#include "audio/resample/designed_tables.hpp"
#include "audio/resample/filter_design.hpp"
#include "audio/resample/fir_kernel.hpp"
#include "audio/resample/kernel_table.hpp"
#include "audio/resample/resampler.hpp"
#include "audio/resample/table_layout.hpp"
#include "base/file.hpp"
#include "base/message_sink.hpp"

namespace chpimport {
namespace {

constexpr std::uint32_t kInputRate = 22222;

// A 16-bit mono file of speech-like test signal: a sweep plus noise, the same every run.
class InputFile {
public:
    explicit InputFile(std::uint32_t seconds) {
        const auto dir = std::filesystem::temp_directory_path();
        path_ = (dir / ("chpimport-bench-" + std::to_string(seconds) + "s.wav")).string();
        outPath_ = path_ + ".out.wav";
        const std::uint32_t frames = seconds * kInputRate;
        CanonicalWaveHeader h = InitialOutputHeader();
        h.SampleRate = kInputRate;
        h.ByteRate = 2 * kInputRate;
        h.BlockAlign = 2;
        h.BitsPerSample = 16;
        h.DataSize = 2 * frames;
        h.RiffSize = h.DataSize + 36;
        std::vector<std::uint8_t> bytes;
        const HeaderBytes header = EncodeHeader(h);
        bytes.assign(header.begin(), header.end());
        std::mt19937 random(1);
        for (std::uint32_t i = 0; i < frames; ++i) {
            const double t = static_cast<double>(i) / kInputRate;
            const double sweep = std::sin(2 * 3.141592653589793 * (100 + 500 * t) * t);
            const auto s =
                static_cast<std::int16_t>(12000 * sweep + static_cast<int>(random() % 4001) - 2000);
            bytes.push_back(static_cast<std::uint8_t>(s & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
        }
        File file = File::Open(path_, OpenMode::Create);
        file.Write(bytes.data(), bytes.size());
        file.Close();
    }
    ~InputFile() {
        RemoveFile(path_);
        RemoveFile(outPath_);
    }
    const std::string& Path() const { return path_; }
    const std::string& OutPath() const { return outPath_; }

private:
    std::string path_;
    std::string outPath_;
};

void BM_ResampleWave(benchmark::State& state) {
    const bool zuvan = state.range(0) != 0;
    const bool fast = state.range(1) != 0;
    static const InputFile input(10);
    SilentMessageSink messages;
    SampleRateConverter converter(messages, [] { return -1; });
    if (!fast) converter.SetEngine(converter.Reference());
    std::int64_t outputs = 0;
    for (auto _ : state) {
        const std::int32_t made = converter.ResampleWave(input.Path(), input.OutPath(), zuvan);
        if (made == 0) state.SkipWithError("conversion failed");
        outputs += made;
    }
    state.counters["out_samples/s"] =
        benchmark::Counter(static_cast<double>(outputs), benchmark::Counter::kIsRate);
    state.SetLabel(std::string(fast ? "fast, " : "reference, ") +
                   (zuvan ? "zuvan 11025 Hz" : "plain 11111 Hz"));
}
BENCHMARK(BM_ResampleWave)
    ->ArgNames({"zuvan", "fast"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_DesignTable(benchmark::State& state) {
    const bool zuvan = state.range(0) != 0;
    for (auto _ : state) {
        const ConverterMode mode = MakeConverterMode(zuvan);
        PolyphaseTable table(mode.BranchCount, mode.TapsPerBranch);
        DesignPolyphaseTable(mode, table);
        benchmark::DoNotOptimize(table.Row(0)[160]);
    }
}
BENCHMARK(BM_DesignTable)->ArgName("zuvan")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same table as the fast converter designs it (once per process), on one thread.
void BM_DesignTableBatched(benchmark::State& state) {
    const bool zuvan = state.range(0) != 0;
    for (auto _ : state) {
        const ConverterMode mode = MakeConverterMode(zuvan);
        PolyphaseTable table(mode.BranchCount, mode.TapsPerBranch);
        DesignWindowedSincBatched(mode, table, 1, mode.HalfLength);
        CompletePrototype(mode, table);
        benchmark::DoNotOptimize(table.Row(0)[160]);
    }
}
BENCHMARK(BM_DesignTableBatched)->ArgName("zuvan")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The kernel layout of a mode's table from its built-in prototype, as the browser's build
// makes it on first use (the program has the Zuvan table built in already laid out).
void BM_KernelTable(benchmark::State& state) {
    const ConverterMode mode = MakeConverterMode(state.range(0) != 0);
    const DesignedPrototype* built = FindBuiltInPrototype(mode);
    if (built == nullptr) {
        state.SkipWithError("this build designs its tables at run time");
        return;
    }
    std::vector<double> rows(static_cast<std::size_t>(mode.BranchCount) *
                             static_cast<std::size_t>(mode.TapsPerBranch));
    for (auto _ : state) {
        benchmark::DoNotOptimize(LayOutPrototypeRows(
            built->half, mode.BranchCount, mode.TapsPerBranch, mode.HalfLength, rows.data()));
        benchmark::DoNotOptimize(rows[160]);
    }
}
BENCHMARK(BM_KernelTable)->ArgName("zuvan")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One output's dot product of T = 320 terms, the same work in either mode.
void BM_FirDot(benchmark::State& state) {
    const ConverterMode mode = MakeConverterMode(false);
    PolyphaseTable table(mode.BranchCount, mode.TapsPerBranch);
    DesignPolyphaseTable(mode, table);
    FirHistoryBuffer history{};
    std::mt19937 random(2);
    for (float& h : history) h = static_cast<float>(static_cast<int>(random() % 65536) - 32768);
    float x = 1234.0f;
    for (auto _ : state) {
        x = FirDot(x, table.Row(0), mode.TapsPerBranch, history.data()) * 0.25f;
        benchmark::DoNotOptimize(x);
    }
    state.counters["out_samples/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FirDot);

} // namespace
} // namespace chpimport
