// The converters' inner work, in output samples per second, for both modes: the reference's
// loop (FirDot per output, ShiftHistory per frame) against the fast engine's (the phase
// schedule worked out first, then FilterOutputs with each kernel, on one thread or two), on
// one input of 262,144 frames held in memory (long enough for the Zuvan mode's long spans).
// No file I/O, no table design.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "audio/resample/fast_filter.hpp"
#include "audio/resample/fast_kernels.hpp"
#include "audio/resample/filter_design.hpp"
#include "audio/resample/fir_kernel.hpp"
#include "audio/resample/kernel_table.hpp"
#include "audio/resample/phase_schedule.hpp"

namespace chpimport {
namespace {

constexpr std::size_t kFrames = 262144;

// T - 1 samples of history, then kFrames of speech-like signal: a sweep plus noise.
const std::vector<float>& Samples() {
    static const std::vector<float> samples = [] {
        std::vector<float> out(319 + kFrames, 0.0f);
        std::mt19937 random(3);
        for (std::size_t i = 0; i < out.size(); ++i) {
            const double t = static_cast<double>(i) / 22222.0;
            const double sweep = std::sin(2 * 3.141592653589793 * (100 + 500 * t) * t);
            out[i] = static_cast<float>(static_cast<std::int16_t>(
                12000 * sweep + static_cast<int>(random() % 4001) - 2000));
        }
        return out;
    }();
    return samples;
}

void BM_ReferenceKernel(benchmark::State& state) {
    const ConverterMode mode = MakeConverterMode(state.range(0) != 0);
    PolyphaseTable table(mode.BranchCount, mode.TapsPerBranch);
    DesignPolyphaseTable(mode, table);
    const std::vector<float>& samples = Samples();
    const std::int32_t taps = mode.TapsPerBranch;
    const double branches = mode.BranchCount;
    std::int64_t outputs = 0;
    for (auto _ : state) {
        FirHistoryBuffer history{};
        std::copy_n(samples.begin(), taps - 1, history.begin());
        float phase = 0.0f;
        for (std::size_t f = 0; f < kFrames; ++f) {
            const float x = samples[static_cast<std::size_t>(taps - 1) + f];
            while (branches > phase) {
                const auto branch = static_cast<std::int32_t>(phase);
                benchmark::DoNotOptimize(FirDot(x, table.Row(branch), taps, history.data()));
                ++outputs;
                phase = static_cast<float>(static_cast<double>(phase) + mode.PhaseStep);
            }
            phase = static_cast<float>(static_cast<double>(phase) - branches);
            ShiftHistory(x, taps, history.data());
        }
    }
    state.counters["out_samples/s"] =
        benchmark::Counter(static_cast<double>(outputs), benchmark::Counter::kIsRate);
    state.SetLabel(state.range(0) != 0 ? "zuvan" : "plain");
}
BENCHMARK(BM_ReferenceKernel)->ArgName("zuvan")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FastKernel(benchmark::State& state) {
    const bool zuvan = state.range(0) != 0;
    const auto isa = static_cast<KernelIsa>(state.range(1));
    const GroupKernel* kernel = AvailableGroupKernel(isa);
    if (kernel == nullptr) {
        state.SkipWithError("kernel not available on this processor");
        return;
    }
    const KernelTable& table = KernelTableCache::Instance().ForMode(MakeConverterMode(zuvan));
    const std::vector<std::int16_t> samples(Samples().begin(), Samples().end());
    std::vector<PlannedOutput> plan;
    std::vector<float> values;
    std::int64_t outputs = 0;
    for (auto _ : state) {
        plan.clear();
        PhaseSchedule schedule(table.Mode());
        // Window start indices: frame f's window starts at sample f (after T - 1 of history).
        schedule.Frames(0, kFrames, [&](std::int64_t frame, std::int32_t branch) {
            plan.push_back({frame, branch});
        });
        values.resize(plan.size());
        FilterJob job;
        job.kernel = kernel;
        job.table = &table;
        job.samples = samples.data();
        job.sampleCount = samples.size();
        job.outputs = plan.data();
        job.count = plan.size();
        job.threads = static_cast<std::int32_t>(state.range(2));
        FilterOutputs(job, values.data());
        benchmark::DoNotOptimize(values.data());
        outputs += static_cast<std::int64_t>(plan.size());
    }
    state.counters["out_samples/s"] =
        benchmark::Counter(static_cast<double>(outputs), benchmark::Counter::kIsRate);
    state.SetLabel(std::string(zuvan ? "zuvan " : "plain ") + kernel->name + " " +
                   std::to_string(state.range(2)) + " thread(s)");
}
BENCHMARK(BM_FastKernel)
    ->ArgNames({"zuvan", "isa", "threads"})
    ->ArgsProduct({{0, 1},
                   {static_cast<int>(KernelIsa::Scalar), static_cast<int>(KernelIsa::Sse2),
                    static_cast<int>(KernelIsa::Avx2), static_cast<int>(KernelIsa::Avx512)},
                   {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
} // namespace chpimport
