#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>

#include "chp/chip_table.hpp"
#include "chp/message_length.hpp"

namespace chpimport {
namespace {

struct LengthCase {
    std::uint8_t chipCode;
    std::int16_t rowCount;
    bool zuvan;
    std::int16_t length;
    std::int32_t sampleCount;
    std::int32_t durationMs;
};

class MessageLengthTable : public ::testing::TestWithParam<LengthCase> {};

TEST_P(MessageLengthTable, LengthSamplesAndDuration) {
    const LengthCase& c = GetParam();
    MessageLength got =
        ComputeMessageLength(c.rowCount, GetChipInfo(c.chipCode, ""), OutputRate(c.zuvan));
    EXPECT_EQ(got.Length, c.length);
    EXPECT_EQ(got.SampleCount, c.sampleCount);
    EXPECT_EQ(got.DurationMs, c.durationMs);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, MessageLengthTable,
    ::testing::Values(
        LengthCase{5, 600, false, 150, 166665, 15000}, LengthCase{5, 600, true, 150, 165375, 15000},
        LengthCase{5, 0, false, 0, 0, 0}, LengthCase{5, 0, true, 0, 0, 0},
        LengthCase{14, 7, false, 3, 5833, 524}, LengthCase{14, 7, true, 3, 5788, 524},
        LengthCase{5, 1, false, 0, 277, 24},
        // The exact duration is 32600; the rounded quotient lies just below.
        LengthCase{5, 1304, true, 326, 359415, 32599}, LengthCase{5, 160, false, 40, 44444, 4000},
        LengthCase{5, 100, false, 25, 27777, 2499}, LengthCase{3, 600, false, 150, 208331, 18749},
        // The largest supported count on the slowest chip: 64-bit products.
        LengthCase{8, 32767, false, 8191, 18203706, 1638349},
        LengthCase{14, 32767, true, 16383, 27094213, 2457524}));

TEST(OutputRate, FollowsTheCompatibilityFlag) {
    EXPECT_EQ(OutputRate(false), 11111);
    EXPECT_EQ(OutputRate(true), 11025);
}

TEST(DurationMs, WholeExactValuesThatStayWhole) {
    // Exact quotients (a whole number of seconds) survive both roundings.
    EXPECT_EQ(DurationMs(11111, 11111), 1000);
    EXPECT_EQ(DurationMs(44444, 11111), 4000);
    EXPECT_EQ(DurationMs(22050, 11025), 2000);
    EXPECT_EQ(DurationMs(1, 11111), 0);
    EXPECT_EQ(DurationMs(0, 11025), 0);
}

// Where long double is the x87 extended format and the FPU really rounds to 64 bits, the
// integer computation must agree with it for every sample count the chips can produce.
bool ExtendedPrecisionAvailable() {
    if (LDBL_MANT_DIG != 64) return false;
    volatile long double one = 1.0L;
    volatile long double tiny = LDBL_EPSILON; // 2^-63
    return one + tiny != one;
}

TEST(DurationMs, AgreesWithExtendedPrecisionFloatingPoint) {
    if (!ExtendedPrecisionAvailable()) GTEST_SKIP() << "no 64-bit long double here";
    const std::int16_t rowMs[] = {100, 125, 150, 200};
    const std::int16_t divisors[] = {2, 4};
    const std::int32_t rates[] = {11111, 11025};
    int mismatches = 0;
    int belowWhole = 0;
    for (std::int32_t rate : rates) {
        for (std::int16_t ms : rowMs) {
            for (std::int16_t divisor : divisors) {
                for (std::int32_t rows = 0; rows <= 32767; ++rows) {
                    std::int32_t samples =
                        SampleCount(static_cast<std::int16_t>(rows), ms, divisor, rate);
                    volatile long double q =
                        static_cast<long double>(samples) / static_cast<long double>(rate);
                    volatile long double p = q * 1000.0L;
                    auto expected = static_cast<std::int32_t>(p);
                    if (DurationMs(samples, rate) != expected && ++mismatches < 5)
                        ADD_FAILURE() << samples << " samples at " << rate << " Hz";
                    if (std::int64_t{samples} * 1000 % rate == 0 &&
                        expected < std::int64_t{samples} * 1000 / rate)
                        ++belowWhole;
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
    // The comparison covers the cases that matter: whole values that come out one less.
    EXPECT_GT(belowWhole, 0);
}

} // namespace
} // namespace chpimport
