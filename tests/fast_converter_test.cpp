// The fast engine against the reference, byte for byte, with every kernel the machine can
// run: lengths around the kernels' lane spans, the input blocks and the thread split,
// adversarial signals, other sample formats, truncated inputs, failures, and sequences of
// conversions that carry the history from one to the next.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "audio/resample/fast_filter.hpp"
#include "support/engine_compare.hpp"

namespace chpimport {
namespace {

using fixtures::Bytes;
using fixtures::Convert;
using fixtures::ExpectFastMatchesReference;
using fixtures::Limited;
using fixtures::Mono16;
using fixtures::Noise;
using fixtures::Step;
using fixtures::WavBuilder;

std::vector<std::int16_t> Square(std::size_t count, std::size_t halfPeriod) {
    std::vector<std::int16_t> out(count);
    for (std::size_t i = 0; i < count; ++i) out[i] = (i / halfPeriod) % 2 ? -32768 : 32767;
    return out;
}

// Noise whose samples are small odd numbers: their products with the coefficients often
// need more than 24 bits and round on a tie.
std::vector<std::int16_t> SmallOdd(std::size_t count, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<std::int16_t> out(count);
    for (auto& s : out) s = static_cast<std::int16_t>(static_cast<int>(random() % 8) * 2 - 7);
    return out;
}

Bytes Mono8(const std::vector<std::uint8_t>& bytes) {
    WavBuilder builder;
    builder.bitsPerSample = 8;
    builder.blockAlign = 1;
    builder.data = bytes;
    return builder.Build();
}

std::vector<std::uint8_t> Bytes8(std::size_t count, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> out(count);
    for (auto& b : out) b = static_cast<std::uint8_t>(random());
    return out;
}

// A mono 16-bit file whose data chunk claims `frames` frames and holds `present` bytes of
// them, with nothing after.
Bytes Truncated(std::size_t frames, std::size_t present) {
    WavBuilder builder = Mono16(Noise(frames, static_cast<std::uint32_t>(frames)));
    builder.autoDataSize = false;
    builder.dataSize = static_cast<std::uint32_t>(2 * frames);
    builder.data.resize(present);
    return builder.Build();
}

// FastLengths in input frames: small ones, and those around the lane spans of each kernel
// (641, 1282, 2564 and 5128 outputs, 2 or 2.0156 frames each, and the eight-lane long span
// of 41536), the thread split (kThreadedOutputs), and the input blocks (frame 0 alone, then
// 32768 at a time).
const std::size_t kLengths[] = {
    0,     1,     2,     3,     4,     5,     6,     7,     8,     13,    100,   319,   320,
    321,   322,   641,   642,   999,   1000,  1281,  1282,  1283,  1292,  2563,  2564,  2565,
    2584,  2585,  5127,  5128,  5129,  5168,  5169,  7693,  10257, 10259, 16383, 16384, 16385,
    16512, 16513, 32769, 32770, 65537, 65538, 83071, 83073, 83075, 83722, 83724};

class FastLengths : public ::testing::TestWithParam<std::size_t> {};

TEST_P(FastLengths, NoiseInBothModes) {
    const std::size_t frames = GetParam();
    const Bytes input = Mono16(Noise(frames, static_cast<std::uint32_t>(frames) + 1)).Build();
    ExpectFastMatchesReference({Convert(input, false), Convert(input, true)});
}

INSTANTIATE_TEST_SUITE_P(Frames, FastLengths, ::testing::ValuesIn(kLengths));

TEST(FastConverter, ThreadSplitGivesTheSameBytesAsOneThread) {
    // Long enough for the helper to take part in an engine's first conversion too.
    const Bytes input = Mono16(Noise(70000, 5)).Build();
    for (std::int32_t threads : {1, 2}) {
        SCOPED_TRACE(threads);
        ExpectFastMatchesReference({Convert(input, false), Convert(input, true)}, threads);
    }
}

struct SignalCase {
    const char* name;
    Bytes input;
};

void PrintTo(const SignalCase& c, std::ostream* os) {
    *os << c.name;
}

class FastSignals : public ::testing::TestWithParam<SignalCase> {};

TEST_P(FastSignals, InBothModes) {
    const Bytes& input = GetParam().input;
    ExpectFastMatchesReference({Convert(input, false), Convert(input, true)});
}

WavBuilder Interleaved(std::uint16_t channels, std::uint16_t blockAlign, std::uint16_t bits,
                       std::size_t frames) {
    WavBuilder builder;
    builder.channels = channels;
    builder.blockAlign = blockAlign;
    builder.bitsPerSample = bits;
    builder.data = Bytes8(frames * blockAlign, frames);
    return builder;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FastSignals,
    ::testing::Values(
        SignalCase{"Silence", Mono16(std::vector<std::int16_t>(6000, 0)).Build()},
        SignalCase{"FullScaleNoise", Mono16(Noise(6000, 77)).Build()},
        SignalCase{"ClippingSquareFast", Mono16(Square(6000, 1)).Build()},
        SignalCase{"ClippingSquare", Mono16(Square(6000, 3)).Build()},
        SignalCase{"ClippingSquareSlow", Mono16(Square(6000, 160)).Build()},
        SignalCase{"PositiveFullScale", Mono16(std::vector<std::int16_t>(6000, 32767)).Build()},
        SignalCase{"NegativeFullScale", Mono16(std::vector<std::int16_t>(6000, -32768)).Build()},
        SignalCase{"SmallOddValues", Mono16(SmallOdd(6000, 3)).Build()},
        SignalCase{"EightBit", Mono8(Bytes8(6000, 8))},
        SignalCase{"EightBitSquare",
                   Mono8([] {
                       std::vector<std::uint8_t> b(6000);
                       for (std::size_t i = 0; i < b.size(); ++i) b[i] = (i / 7) % 2 ? 0 : 255;
                       return b;
                   }())},
        SignalCase{"TwelveBitReadAsEightBit", Interleaved(1, 2, 12, 3000).Build()},
        SignalCase{"RateFieldIgnored",
                   [] {
                       WavBuilder b = Mono16(Noise(3000, 4));
                       b.sampleRate = 8000;
                       return b.Build();
                   }()},
        SignalCase{"ChunksAfterTheData",
                   [] {
                       WavBuilder b = Mono16(Noise(3000, 6));
                       b.afterData = fixtures::Chunk("DISP", Bytes{1, 0, 0, 0, 'H', 'i', 0});
                       return b.Build();
                   }()},
        SignalCase{"EmptyDataThenMoreBytes",
                   [] {
                       WavBuilder b = Mono16({});
                       b.afterData = fixtures::Chunk("LIST", Bytes(10, 'x'));
                       return b.Build();
                   }()},
        SignalCase{"OddDataSize",
                   [] {
                       WavBuilder b = Mono16(Noise(3001, 7));
                       b.data.push_back(0x55); // half a frame, after a whole data chunk
                       return b.Build();
                   }()}),
    [](const auto& info) { return info.param.name; });

struct ChannelCase {
    const char* name;
    WavBuilder input;
    std::vector<int> keys;
};

void PrintTo(const ChannelCase& c, std::ostream* os) {
    *os << c.name;
}

class FastChannels : public ::testing::TestWithParam<ChannelCase> {};

TEST_P(FastChannels, ChosenByKeyInBothModes) {
    const ChannelCase& c = GetParam();
    std::vector<Step> steps;
    for (bool zuvan : {false, true}) {
        Step step = Convert(c.input.Build(), zuvan);
        step.keys = c.keys;
        steps.push_back(step);
    }
    ExpectFastMatchesReference(steps);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, FastChannels,
    ::testing::Values(
        ChannelCase{"StereoSecond", Interleaved(2, 4, 16, 7000), {'1'}},
        ChannelCase{"StereoFirstAfterOtherKeys", Interleaved(2, 4, 16, 3000), {'7', 'x', '0'}},
        ChannelCase{"FourChannelsEightBit", Interleaved(4, 4, 8, 6000), {'3'}},
        // Channel 3's bytes lie past a 2-byte frame: they read as zero.
        ChannelCase{"ChannelPastTheFrame", Interleaved(4, 2, 16, 3000), {'3'}},
        ChannelCase{"ThreeBytesAFrame", Interleaved(3, 3, 8, 5000), {'2'}}),
    [](const auto& info) { return info.param.name; });

class FastTruncatedData : public ::testing::TestWithParam<std::pair<std::size_t, std::size_t>> {};

// The data chunk claims more frames than the file holds: the conversion stops at the first
// frame the file does not hold whole, with the output made final for the samples written.
TEST_P(FastTruncatedData, StopsAtTheFirstMissingFrame) {
    const auto [frames, present] = GetParam();
    const Bytes input = Truncated(frames, present);
    ExpectFastMatchesReference({Convert(input, false), Convert(input, true)});
}

INSTANTIATE_TEST_SUITE_P(Cut, FastTruncatedData,
                         ::testing::Values(std::pair<std::size_t, std::size_t>{10, 0},
                                           std::pair{10, 1}, std::pair{10, 2}, std::pair{10, 3},
                                           std::pair{1000, 1401}, std::pair{9000, 2 * 5129},
                                           std::pair{9000, 2 * 5129 + 1},
                                           std::pair{70000, 2 * 65537},
                                           std::pair{70000, 2 * 65537 + 1},
                                           std::pair{70000, 2 * 65538 + 1}));

TEST(FastConverter, TruncatedStereoKeepsThePartialFrame) {
    WavBuilder builder = Interleaved(2, 4, 16, 3000);
    builder.autoDataSize = false;
    builder.dataSize = 4 * 3000;
    builder.data.resize(4 * 2000 + 3);
    Step step = Convert(builder.Build(), true);
    step.keys = {'1'};
    ExpectFastMatchesReference({step});
}

Bytes Header(void (*edit)(WavBuilder&)) {
    WavBuilder builder = Mono16(Noise(500, 2));
    edit(builder);
    return builder.Build();
}

// Inputs the converter refuses, each after a good conversion so that the history and the
// header records carry something, and each followed by one more good conversion.
TEST(FastConverter, RefusedInputsAndTheirNeighbours) {
    const Bytes good = Mono16(Noise(3000, 12)).Build();
    const std::vector<Bytes> bad = {
        Header([](WavBuilder& b) { b.riffId = "RIFX"; }),
        Header([](WavBuilder& b) { b.waveId = "WAVX"; }),
        Header([](WavBuilder& b) { b.fmtSize = 18; }),
        Header([](WavBuilder& b) { b.formatTag = 3; }),
        Header([](WavBuilder& b) { b.channels = 5; }),
        Header([](WavBuilder& b) { b.blockAlign = 9; }),
        Header([](WavBuilder& b) { b.blockAlign = 0; }),
        Bytes(good.begin(), good.begin() + 30), // the header itself cut short
        Bytes(good.begin(), good.begin() + 40),
        Bytes(good.begin(), good.begin() + 44), // an empty data chunk at the very end
    };
    std::vector<Step> steps;
    for (bool zuvan : {false, true}) {
        for (const Bytes& input : bad) {
            steps.push_back(Convert(good, zuvan));
            steps.push_back(Convert(input, zuvan));
        }
        Step missing;
        missing.zuvan = zuvan;
        steps.push_back(missing);
        steps.push_back(Convert(good, !zuvan));
    }
    ExpectFastMatchesReference(steps);
}

TEST(FastConverter, UncreatableOutput) {
    Step step = Convert(Mono16(Noise(3000, 1)).Build(), true);
    step.uncreatableOutput = true;
    ExpectFastMatchesReference({Convert(Mono16(Noise(700, 3)).Build(), true), step,
                                Convert(Mono16(Noise(700, 4)).Build(), true)});
}

// A disk that fills up: the writes stop after a given number of bytes, in the provisional
// header, in the samples (on a sample's first or second byte, around the kernels' spans
// and the input blocks), in the final header or in the display text.
class FastFailures : public ::testing::TestWithParam<bool> {};

TEST_P(FastFailures, DiskFullWhileWriting) {
    // 35000 outputs: two blocks of input, the first ending after output 32768.
    const Bytes input = Mono16(Noise(70000, 21)).Build();
    const std::uint64_t limits[] = {0,
                                    7,
                                    8,
                                    43,
                                    44,
                                    45,
                                    47,
                                    44 + 2 * 1000 + 1,
                                    44 + 2 * 2564,
                                    44 + 2 * 2564 + 1,
                                    44 + 2 * 32768 + 1,
                                    44 + 2 * 34999,
                                    44 + 2 * 35000 + 44,
                                    44 + 2 * 35000 + 44 + 5};
    std::vector<Step> steps;
    for (std::uint64_t limit : limits)
        steps.push_back(Limited(Convert(input, GetParam()), IoOp::Write, limit));
    ExpectFastMatchesReference(steps);
}

// A file that breaks while it is read: in its header, in the first frame, inside and at the
// end of an input block, and in the display text read after the conversion.
TEST_P(FastFailures, InputBreaksWhileReading) {
    WavBuilder builder = Mono16(Noise(66000, 22));
    builder.afterData = fixtures::Chunk("DISP", Bytes{1, 0, 0, 0, 'a', 'b', 0});
    const Bytes input = builder.Build();
    const std::uint64_t limits[] = {0,
                                    7,
                                    8,
                                    20,
                                    43,
                                    44,
                                    45,
                                    46,
                                    47,
                                    44 + 2 * 3000 + 1,
                                    46 + 2 * 65536,
                                    46 + 2 * 65536 + 1,
                                    44 + 2 * 70000,
                                    44 + 2 * 70000 + 30};
    std::vector<Step> steps;
    for (std::uint64_t limit : limits)
        steps.push_back(Limited(Convert(input, GetParam()), IoOp::Read, limit));
    ExpectFastMatchesReference(steps);
}

INSTANTIATE_TEST_SUITE_P(Modes, FastFailures, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Zuvan" : "Plain"; });

// One converter importing message after message: the history goes from each conversion into
// the next, whatever the mode, length and outcome of each.
TEST(FastConverter, SequencesCarryTheHistory) {
    std::mt19937 random(99);
    std::vector<Step> steps;
    const std::size_t lengths[] = {3000, 1, 2, 319, 5, 7000, 640, 0, 66000, 13, 2565, 321};
    for (std::size_t i = 0; i < std::size(lengths); ++i) {
        const bool zuvan = random() % 2 != 0;
        const std::size_t n = lengths[i];
        switch (i % 4) {
        case 0:
            steps.push_back(
                Convert(Mono16(Noise(n, static_cast<std::uint32_t>(i))).Build(), zuvan));
            break;
        case 1:
            steps.push_back(Convert(Mono16(Square(n, 1 + i)).Build(), zuvan));
            break;
        case 2:
            steps.push_back(Convert(Mono8(Bytes8(n, static_cast<std::uint32_t>(i))), zuvan));
            break;
        default:
            steps.push_back(Convert(Truncated(n + 50, 2 * n), zuvan));
            break;
        }
    }
    // A write failure in the middle of a long one, then more conversions.
    steps.insert(steps.begin() + 9,
                 Limited(Convert(Mono16(Noise(30000, 8)).Build(), true), IoOp::Write, 44 + 20001));
    ExpectFastMatchesReference(steps);
}

// The same input again and again through one converter, in both modes alternately.
TEST(FastConverter, RepeatedMessagesAlternatingModes) {
    const Bytes input = Mono16(Noise(22222, 31)).Build();
    ExpectFastMatchesReference(
        {Convert(input, false), Convert(input, true), Convert(input, true), Convert(input, false)});
}

// Inputs that go round the engine's ring of samples twice, whole, cut short, with a disk
// that fills up far in, and with the frames' bytes kept apart from their samples (stereo).
TEST(FastConverter, LongInputsGoRoundTheRing) {
    const std::size_t frames = 600000;
    const Bytes input = Mono16(Noise(frames, 41)).Build();
    Step stereo = Convert(Interleaved(2, 4, 16, frames).Build(), true);
    stereo.keys = {'1'};
    ExpectFastMatchesReference({Convert(input, false), Convert(input, true),
                                Limited(Convert(input, true), IoOp::Write, 44 + 2 * 250001),
                                Convert(Truncated(frames, 2 * 400001 + 1), false), stereo});
}

// A history that is not made of samples (no conversion leaves one) cannot live in the
// engine's ring: such a conversion goes the reference's way, with the same result.
TEST(FastConverter, HistoryOutsideTheSamplesGoesTheReferenceWay) {
    const Bytes input = Mono16(Noise(20000, 9)).Build();
    for (const float odd : {0.5f, -0.0f, 40000.0f}) {
        SCOPED_TRACE(odd);
        fixtures::ConverterRig reference;
        fixtures::ConverterRig fast;
        reference.converter.SetEngine(reference.converter.Reference());
        for (fixtures::ConverterRig* rig : {&reference, &fast}) {
            rig->converter.State().FirHistory[100] = odd;
            rig->Convert(Mono16(Noise(5, 1)).Build(), true); // keeps it in the history
            rig->Convert(input, true);
        }
        EXPECT_EQ(fixtures::ReadFile(fast.out), fixtures::ReadFile(reference.out));
        EXPECT_EQ(fast.converter.Fast().HandedOver(), 2);
    }
}

TEST(FastConverter, IsTheDefaultEngine) {
    fixtures::ConverterRig rig;
    EXPECT_EQ(&rig.converter.Engine(), &rig.converter.Fast());
    EXPECT_NE(&rig.converter.Engine(), static_cast<ConversionEngine*>(&rig.converter.Reference()));
}

} // namespace
} // namespace chpimport
