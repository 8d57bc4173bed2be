// The fast converter's parts: the kernel table and its cache, each kernel against the plain
// dot product (ties in the rounding included), and the lane planning of FilterOutputs for
// outputs that do not fit the lanes' pattern.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "audio/resample/fast_filter.hpp"
#include "audio/resample/fast_kernels.hpp"
#include "audio/resample/kernel_table.hpp"
#include "audio/resample/phase_schedule.hpp"
#include "audio/resample/resampler.hpp"
#include "support/engine_compare.hpp"

namespace chpimport {
namespace {

class KernelTableModes : public ::testing::TestWithParam<bool> {};

TEST_P(KernelTableModes, RowsAreTheDesignedBranchesReversed) {
    const ConverterMode mode = MakeConverterMode(GetParam());
    PolyphaseTable designed(mode.BranchCount, mode.TapsPerBranch);
    DesignPolyphaseTable(mode, designed);
    const KernelTable& table = KernelTableCache::Instance().ForMode(mode);
    ASSERT_EQ(table.Taps(), mode.TapsPerBranch);
    EXPECT_TRUE(table.NormalRange());
    for (std::int32_t b = 0; b < mode.BranchCount; ++b)
        for (std::int32_t j = 0; j < mode.TapsPerBranch; ++j)
            ASSERT_EQ(table.Row(b)[j], designed.Row(b)[mode.TapsPerBranch - 1 - j])
                << b << " " << j;
}

TEST_P(KernelTableModes, IsDesignedOncePerMode) {
    const ConverterMode mode = MakeConverterMode(GetParam());
    const KernelTable& first = KernelTableCache::Instance().ForMode(mode);
    EXPECT_EQ(&KernelTableCache::Instance().ForMode(MakeConverterMode(GetParam())), &first);
    EXPECT_NE(&KernelTableCache::Instance().ForMode(MakeConverterMode(!GetParam())), &first);
}

// The same float, bit for bit, except that a wide kernel's zero may be +0 where the plain
// dot product's is -0 (see fast_kernels.hpp): equal values, the same output sample.
void ExpectSameValue(float value, float expected) {
    if (expected == 0.0f) {
        EXPECT_EQ(value, 0.0f);
    } else {
        EXPECT_EQ(std::bit_cast<std::uint32_t>(value), std::bit_cast<std::uint32_t>(expected))
            << value << " instead of " << expected;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, KernelTableModes, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Zuvan" : "Plain"; });

enum class SampleKind { Full, SmallOdd, Zero };

// Random lane groups over random windows and rows; each lane is checked against ScalarDot.
struct KernelRig {
    std::int32_t lanes;
    std::int32_t taps;
    std::vector<std::vector<float>> windows; // per group and lane: taps samples
    std::vector<std::vector<double>> rows;
    std::vector<std::vector<double>> interleaved;
    std::vector<LaneGroup> groups;
    std::vector<std::vector<std::size_t>> laneRows; // per group and lane

    // `rowCount`: the most rows a group's lanes may use (GroupKernel::rows).
    KernelRig(std::int32_t laneCount, std::int32_t rowCount, std::int32_t tapCount,
              std::size_t groupCount, std::uint32_t seed, SampleKind kind)
        : lanes(laneCount), taps(tapCount) {
        std::mt19937 random(seed);
        for (int r = 0; r < 6; ++r) {
            std::vector<double> row(static_cast<std::size_t>(taps));
            // Any float of a normal size, with all its 24 bits in use: products with small
            // odd samples then often fall exactly halfway between two floats.
            for (double& c : row) {
                const auto mantissa = static_cast<float>((random() & 0xFFFFFF) | 0x800001);
                const int exponent = static_cast<int>(random() % 40) - 44;
                c = std::ldexp(static_cast<double>(mantissa), exponent) * (random() % 2 ? 1 : -1);
                c = static_cast<float>(c);
            }
            rows.push_back(row);
        }
        for (std::size_t g = 0; g < groupCount; ++g) {
            std::vector<double> z(static_cast<std::size_t>(taps * lanes));
            std::vector<std::size_t> which(static_cast<std::size_t>(lanes));
            LaneGroup group{};
            const std::size_t a = random() % rows.size();
            const std::size_t b = random() % rows.size();
            const std::size_t c = random() % rows.size();
            for (std::int32_t k = 0; k < lanes; ++k) {
                const auto row = k == 0 ? 0 : random() % static_cast<std::uint32_t>(rowCount);
                which[static_cast<std::size_t>(k)] = row == 0 ? a : row == 1 ? b : c;
                if (row == 1) group.useB |= 1u << k;
                if (row == 2) group.useC |= 1u << k;
                std::vector<float> w(static_cast<std::size_t>(taps));
                for (float& s : w) {
                    const int r = static_cast<int>(random() % 65536);
                    s = kind == SampleKind::SmallOdd ? static_cast<float>(r % 8 * 2 - 7)
                        : kind == SampleKind::Zero   ? 0.0f
                                                     : static_cast<float>(r - 32768);
                }
                for (std::int32_t j = 0; j < taps; ++j)
                    z[static_cast<std::size_t>(j * lanes + k)] = w[static_cast<std::size_t>(j)];
                windows.push_back(w);
            }
            interleaved.push_back(z);
            laneRows.push_back(which);
            group.rowA = rows[a].data();
            group.rowB = rows[b].data();
            group.rowC = rows[c].data();
            groups.push_back(group);
        }
        for (std::size_t g = 0; g < groups.size(); ++g) groups[g].window = interleaved[g].data();
    }

    void Check(const GroupKernel& kernel) const {
        std::vector<float> out(groups.size() * static_cast<std::size_t>(lanes), -1.0f);
        kernel.run(groups.data(), groups.size(), taps, out.data());
        for (std::size_t g = 0; g < groups.size(); ++g)
            for (std::size_t k = 0; k < static_cast<std::size_t>(lanes); ++k) {
                const float expected =
                    ScalarDot(windows[g * static_cast<std::size_t>(lanes) + k].data(),
                              rows[laneRows[g][k]].data(), taps);
                ASSERT_EQ(
                    std::bit_cast<std::uint32_t>(out[g * static_cast<std::size_t>(lanes) + k]),
                    std::bit_cast<std::uint32_t>(expected))
                    << "group " << g << " lane " << k;
            }
    }
};

struct KernelCase {
    std::int32_t taps;
    std::size_t groups;
    SampleKind samples;
};

void PrintTo(const KernelCase& c, std::ostream* os) {
    *os << c.taps << " taps, " << c.groups << " groups, samples of kind "
        << static_cast<int>(c.samples);
}

class Kernels : public ::testing::TestWithParam<KernelCase> {};

TEST_P(Kernels, EachLaneIsThePlainDotProduct) {
    const KernelCase& c = GetParam();
    for (const GroupKernel* kernel : fixtures::RunnableKernels()) {
        SCOPED_TRACE(kernel->name);
        KernelRig rig(kernel->lanes, kernel->rows, c.taps, c.groups,
                      static_cast<std::uint32_t>(c.taps * 131 + c.groups), c.samples);
        rig.Check(*kernel);
    }
}

// Group counts around the kernels' batches of eight (and two); tap counts from the least.
constexpr auto kFull = SampleKind::Full;
constexpr auto kSmall = SampleKind::SmallOdd;
INSTANTIATE_TEST_SUITE_P(Shapes, Kernels,
                         ::testing::Values(KernelCase{2, 1, kSmall}, KernelCase{3, 7, kSmall},
                                           KernelCase{5, 9, kFull}, KernelCase{320, 1, kSmall},
                                           KernelCase{320, 2, kFull}, KernelCase{320, 3, kSmall},
                                           KernelCase{320, 8, kFull}, KernelCase{320, 13, kSmall},
                                           KernelCase{320, 17, kSmall}, KernelCase{320, 64, kSmall},
                                           KernelCase{320, 64, kFull},
                                           KernelCase{320, 24, SampleKind::Zero}));

// Outputs that break the lanes' pattern: windows that do not lie a whole lane stride apart,
// three branches where a group can take two, and the last span cut short.
TEST(FilterOutputs, OutputsOutsideTheLanePatternAreComputedOnTheirOwn) {
    const KernelTable& table = KernelTableCache::Instance().ForMode(MakeConverterMode(true));
    const std::int32_t taps = table.Taps();
    std::mt19937 random(5);
    std::vector<std::int16_t> samples(40000);
    for (auto& s : samples)
        s = static_cast<std::int16_t>(static_cast<int>(random() % 65536) - 32768);
    const std::vector<float> wide(samples.begin(), samples.end());

    std::vector<PlannedOutput> plan;
    std::int64_t window = 0;
    for (std::size_t i = 0; i < 9000; ++i) {
        window += 2 + (random() % 11 == 0 ? 1 : 0);
        plan.push_back({window, static_cast<std::int32_t>(random() % 1024)});
    }
    std::vector<float> expected(plan.size());
    for (std::size_t i = 0; i < plan.size(); ++i)
        expected[i] = ScalarDot(wide.data() + plan[i].window, table.Row(plan[i].branch), taps);

    for (const GroupKernel* kernel : fixtures::RunnableKernels())
        for (std::int32_t threads : {1, 2}) {
            SCOPED_TRACE(std::string(kernel->name) + " " + std::to_string(threads));
            FilterJob job;
            job.kernel = kernel;
            job.table = &table;
            job.samples = samples.data();
            job.sampleCount = samples.size();
            job.outputs = plan.data();
            job.count = plan.size();
            job.threads = threads;
            std::vector<float> values(plan.size(), -1.0f);
            FilterOutputs(job, values.data());
            for (std::size_t i = 0; i < plan.size(); ++i) {
                ExpectSameValue(values[i], expected[i]);
                if (::testing::Test::HasFailure()) {
                    ADD_FAILURE() << "output " << i;
                    return;
                }
            }
        }
}

// The lanes fit the outputs the phase schedule makes in both modes: all but a handful go
// through the kernels (whose lane pattern a run of random outputs, above, does not fit).
TEST(FilterOutputs, ScheduledOutputsFitTheLanes) {
    std::vector<std::int16_t> samples(120000);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(static_cast<int>(i * 7919 % 65536) - 32768);
    for (bool zuvan : {false, true}) {
        const KernelTable& table = KernelTableCache::Instance().ForMode(MakeConverterMode(zuvan));
        std::vector<PlannedOutput> plan;
        PhaseSchedule schedule(table.Mode());
        schedule.Frames(0, static_cast<std::int64_t>(samples.size()) - table.Taps(),
                        [&](std::int64_t frame, std::int32_t branch) {
                            plan.push_back({frame, branch});
                        });
        for (const GroupKernel* kernel : fixtures::RunnableKernels()) {
            FilterJob job;
            job.kernel = kernel;
            job.table = &table;
            job.samples = samples.data();
            job.sampleCount = samples.size();
            job.outputs = plan.data();
            job.count = plan.size();
            std::vector<float> values(plan.size());
            EXPECT_LT(FilterOutputs(job, values.data()), plan.size() / 500)
                << kernel->name << (zuvan ? " zuvan" : " plain");
        }
    }
}

// The batch conversion to output samples against the one-by-one one: clipping, rounding of
// the halving, signed zeros, the smallest floats and infinities, at every position of the
// four-wide steps and the tail after them.
TEST(OutputSamples, EqualOutputSampleOneByOne) {
    std::vector<float> values = {70000.0f, -70000.0f, 65534.0f,  65535.0f,  65535.99f,
                                 65536.0f, -65536.0f, -65537.0f, -65535.9f, 7.8f,
                                 -7.8f,    1.9f,      -1.9f,     0.0f,      -0.0f,
                                 1e-45f,   -1e-45f,   3.0f,      -3.0f,     1.0f,
                                 2.5e-38f, INFINITY,  -INFINITY, 1e30f,     -1e30f};
    std::mt19937 random(11);
    std::uniform_real_distribution<float> wide(-80000.0f, 80000.0f);
    for (int i = 0; i < 200; ++i) values.push_back(wide(random));
    for (std::size_t skip = 0; skip < 9; ++skip) {
        const std::size_t count = values.size() - skip;
        std::vector<std::uint16_t> bits(count);
        OutputSamples(values.data() + skip, count, bits.data());
        for (std::size_t i = 0; i < count; ++i)
            ASSERT_EQ(bits[i], static_cast<std::uint16_t>(OutputSample(values[skip + i])))
                << values[skip + i] << " at " << i << " of " << count;
    }
}

TEST(Kernels, TheWidestRunnableOneIsTheDefault) {
    const std::vector<const GroupKernel*> kernels = fixtures::RunnableKernels();
    ASSERT_FALSE(kernels.empty());
    EXPECT_EQ(&BestGroupKernel(), kernels.back());
    EXPECT_EQ(kernels.front()->isa, KernelIsa::Scalar);
}

} // namespace
} // namespace chpimport
