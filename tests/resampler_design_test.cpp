#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "audio/resample/filter_design.hpp"
#include "audio/resample/fir_kernel.hpp"

namespace chpimport {
namespace {

// The figures each mode must reproduce, down to the last bit where they are exact.
struct ModeCase {
    bool zuvan;
    std::int32_t branches;
    float ratio;
    std::uint32_t rate;
    float step;
    float transition;
    std::int32_t length;
    std::int32_t half;
    double nearCentre; // h[H - 1] = h[H + 1]
    double nearTolerance;
    double branchSum; // every branch sums to this, within branchTolerance
    double branchTolerance;
};

const ModeCase kModes[] = {
    {false, 2, 2.0f, 11111, 4.0f, 0.0099999905f, 641, 320, 0.900274, 5e-7, 2.0, 3e-6},
    // 0.9999996 exactly: all-single-precision arithmetic would give the float below it.
    {true, 1024, 2.0156009197235107421875f, 11025, 2063.975341796875f, 0.000019531231f, 328023,
     163840, 0.9999996f, 0.0, 2.01560, 5e-6},
};

class ModeDesign : public ::testing::TestWithParam<ModeCase> {};

TEST_P(ModeDesign, FixesTheModesFigures) {
    const ModeCase& c = GetParam();
    ConverterMode mode = MakeConverterMode(c.zuvan);
    EXPECT_EQ(mode.BranchCount, c.branches);
    EXPECT_EQ(mode.StepRatio, c.ratio);
    EXPECT_EQ(mode.OutputRate, c.rate);
    EXPECT_EQ(mode.PhaseStep, c.step);
    EXPECT_FLOAT_EQ(mode.TransitionWidth, c.transition);
    EXPECT_FLOAT_EQ(mode.Beta, 10.060158f);
    EXPECT_EQ(mode.FilterLength, c.length);
    EXPECT_EQ(mode.TapsPerBranch, 320);
    EXPECT_EQ(mode.HalfLength, c.half);
    EXPECT_EQ(mode.TapsPerBranch * mode.BranchCount, 2 * c.half);
    // The converter's history holds T - 1 samples.
    EXPECT_LE(mode.TapsPerBranch - 1, kFirHistorySize);
}

TEST_P(ModeDesign, TableIsTheSymmetricWindowedSinc) {
    const ModeCase& c = GetParam();
    ConverterMode mode = MakeConverterMode(c.zuvan);
    PolyphaseTable table(mode.BranchCount, mode.TapsPerBranch);
    DesignPolyphaseTable(mode, table);
    const std::int32_t h = mode.HalfLength;

    EXPECT_EQ(table.Entry(0), 0.0f);
    EXPECT_EQ(table.Entry(h), 1.0f);
    // The centre tap lies in branch 0, column T / 2: each output follows the input 160 frames
    // earlier.
    EXPECT_EQ(table.Row(0)[160], 1.0f);
    if (c.nearTolerance == 0.0) {
        EXPECT_EQ(table.Entry(h - 1), static_cast<float>(c.nearCentre));
    } else {
        EXPECT_NEAR(table.Entry(h - 1), c.nearCentre, c.nearTolerance);
    }
    for (std::int32_t k = 1; k < h; ++k) ASSERT_EQ(table.Entry(h + k), table.Entry(h - k)) << k;

    // Every branch passes DC at about R (the coefficients are not normalised).
    for (std::int32_t b = 0; b < mode.BranchCount; ++b) {
        double sum = 0.0;
        for (std::int32_t j = 0; j < mode.TapsPerBranch; ++j) sum += table.Row(b)[j];
        ASSERT_NEAR(sum, c.branchSum, c.branchTolerance) << "branch " << b;
    }
}

INSTANTIATE_TEST_SUITE_P(BothModes, ModeDesign, ::testing::ValuesIn(kModes),
                         [](const auto& info) { return info.param.zuvan ? "Zuvan" : "Plain"; });

TEST(ModeDesign, ZuvanRatioIsTheFloatNearest22222Over11025) {
    const float ratio = MakeConverterMode(true).StepRatio;
    const double exact = 22222.0 / 11025.0;
    EXPECT_EQ(ratio, static_cast<float>(exact));
    EXPECT_NEAR(ratio * 11025.0, 22222.0, 0.001);
}

TEST(ModeDesign, BranchZeroSumsToTwoInThePlainMode) {
    ConverterMode mode = MakeConverterMode(false);
    PolyphaseTable table(mode.BranchCount, mode.TapsPerBranch);
    DesignPolyphaseTable(mode, table);
    double sum = 0.0;
    for (std::int32_t j = 0; j < mode.TapsPerBranch; ++j) sum += table.Row(0)[j];
    EXPECT_NEAR(sum, 2.0, 2e-6);
}

struct KaiserCase {
    float attenuation;
    float transition;
    float beta;
    std::int32_t length;
};

class KaiserDesignTest : public ::testing::TestWithParam<KaiserCase> {};

TEST_P(KaiserDesignTest, BetaByAttenuationAndOddLength) {
    const KaiserCase& c = GetParam();
    float beta = -1.0f;
    EXPECT_EQ(KaiserDesign(c.attenuation, c.transition, beta), c.length);
    EXPECT_FLOAT_EQ(beta, c.beta);
}

INSTANTIATE_TEST_SUITE_P(Branches, KaiserDesignTest,
                         ::testing::Values(KaiserCase{100.0f, 0.0099999905f, 10.060158f, 641},
                                           KaiserCase{50.0f, 0.01f, 4.550158f, 2 * 146 + 1},
                                           // 21 <= A < 50: 0.5842 (A - 21)^0.4 + 0.07886 (A - 21)
                                           KaiserCase{40.0f, 0.01f, 3.3953210f, 2 * 111 + 1},
                                           KaiserCase{21.0f, 0.1f, 0.0f, 2 * 4 + 1},
                                           KaiserCase{20.0f, 0.1f, 0.0f, 2 * 4 + 1}));

struct BesselCase {
    float x;
    double value; // I0(x), from tables
    double tolerance;
};

class BesselI0Test : public ::testing::TestWithParam<BesselCase> {};

TEST_P(BesselI0Test, MatchesTheSeries) {
    EXPECT_NEAR(BesselI0(GetParam().x), GetParam().value, GetParam().tolerance);
}

INSTANTIATE_TEST_SUITE_P(Values, BesselI0Test,
                         ::testing::Values(BesselCase{0.0f, 1.0, 0.0},
                                           BesselCase{1.0f, 1.2660659, 1e-6},
                                           BesselCase{5.0f, 27.239872, 3e-5},
                                           BesselCase{10.060158f, 2981.10, 0.01}));

// FirDot's result depends on the order of its additions and on where it rounds; these
// cases have different results under any other order or rounding.
struct DotCase {
    const char* name;
    std::vector<float> history; // T - 1 values, oldest first
    std::vector<float> branch;  // T values, column 0 first
    float x;
    float expected;
};

class FirDotTest : public ::testing::TestWithParam<DotCase> {};

TEST_P(FirDotTest, AddsOldestFirstRoundingTheAccumulator) {
    const DotCase& c = GetParam();
    ASSERT_EQ(c.history.size() + 1, c.branch.size());
    const auto taps = static_cast<std::int32_t>(c.branch.size());
    EXPECT_EQ(FirDot(c.x, c.branch.data(), taps, c.history.data()), c.expected);
}

const float kTwo24 = 16777216.0f;

INSTANTIATE_TEST_SUITE_P(
    Cases, FirDotTest,
    ::testing::Values(
        // The newest sample weighs column 0, the oldest column T - 1.
        DotCase{"Columns", {1.0f, 10.0f}, {100.0f, 1000.0f, 10000.0f}, 3.0f, 10000 + 10000 + 300},
        // 2^24 + 1 rounds to 2^24 before the last addition takes 2^24 off: 0, not 1.
        DotCase{"OrderAndFloatAccumulator", {kTwo24, 1.0f}, {-1.0f, 1.0f, 1.0f}, kTwo24, 0.0f},
        // The product (1 - 2^-24)(1 + 2^-23) = 1 + 2^-24 - 2^-47 is kept whole: 2^24 plus it
        // rounds up to 2^24 + 2; a product rounded to float first (1.0) would tie down to 2^24.
        DotCase{"ExactProducts", {kTwo24}, {1.0f + 0x1p-23f, 1.0f}, 1.0f - 0x1p-24f, kTwo24 + 2.0f},
        DotCase{"TwoTaps", {-2.5f}, {0.5f, 4.0f}, 8.0f, -6.0f}),
    [](const auto& info) { return info.param.name; });

TEST(ShiftHistory, DropsTheOldestAndAppendsTheNewest) {
    std::vector<float> history = {1, 2, 3, 4, 99, 98};
    ShiftHistory(5.0f, 5, history.data()); // T - 1 = 4 entries in use
    EXPECT_EQ(history, (std::vector<float>{2, 3, 4, 5, 99, 98}));
    ShiftHistory(6.0f, 2, history.data()); // a single entry
    EXPECT_EQ(history, (std::vector<float>{6, 3, 4, 5, 99, 98}));
}

// Series summed side by side end where each one alone ends, with the same sum: batches of
// every size, arguments whose series take few and many terms, and zero.
TEST(BesselI0Batch, EachIsBesselI0) {
    std::vector<float> x;
    for (int i = 0; i < 997; ++i) x.push_back(static_cast<float>(i) * 0.0123f);
    x.push_back(0.0f);
    x.push_back(10.060158f);
    x.push_back(1e-20f);
    for (int count = 1; count <= kBesselBatch; ++count)
        for (std::size_t at = 0; at + static_cast<std::size_t>(count) <= x.size();
             at += static_cast<std::size_t>(count)) {
            float out[kBesselBatch];
            BesselI0Batch(x.data() + at, out, count);
            for (int i = 0; i < count; ++i)
                ASSERT_EQ(out[i], BesselI0(x[at + static_cast<std::size_t>(i)]))
                    << x[at + static_cast<std::size_t>(i)] << " in a batch of " << count;
        }
}

// The batched design gives the reference design's every entry, bit for bit.
TEST_P(ModeDesign, BatchedDesignIsTheReferenceDesign) {
    const ConverterMode mode = MakeConverterMode(GetParam().zuvan);
    PolyphaseTable reference(mode.BranchCount, mode.TapsPerBranch);
    PolyphaseTable batched(mode.BranchCount, mode.TapsPerBranch);
    DesignPolyphaseTable(mode, reference);
    // In two parts, the second starting off the batch size, as two threads would do it.
    const std::int32_t middle = mode.HalfLength / 2 + 3;
    DesignWindowedSincBatched(mode, batched, 1, middle);
    DesignWindowedSincBatched(mode, batched, middle, mode.HalfLength);
    CompletePrototype(mode, batched);
    for (std::int64_t i = 0; i < std::int64_t{mode.BranchCount} * mode.TapsPerBranch; ++i)
        ASSERT_EQ(std::bit_cast<std::uint32_t>(batched.Entry(i)),
                  std::bit_cast<std::uint32_t>(reference.Entry(i)))
            << i;
}

} // namespace
} // namespace chpimport
