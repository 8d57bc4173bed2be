#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "audio/resample/resampler.hpp"
#include "base/file.hpp"
#include "support/converter_fixtures.hpp"

namespace chpimport {
namespace {

using fixtures::ConverterRig;
using fixtures::Mono16;

// An input the converter refuses: six channels.
fixtures::WavBuilder NoiseForRejection() {
    fixtures::WavBuilder builder = Mono16(fixtures::Noise(100, 4));
    builder.channels = 6;
    return builder;
}

struct CountCase {
    std::uint32_t frames;
    bool zuvan;
    std::int32_t samples; // ceil(F x L / S)
};

class OutputCount : public ::testing::TestWithParam<CountCase> {};

TEST_P(OutputCount, SamplesAndFinalHeader) {
    const CountCase& c = GetParam();
    ConverterRig rig;
    ASSERT_EQ(rig.Convert(Mono16(fixtures::Noise(c.frames, c.frames)), c.zuvan), c.samples);
    EXPECT_TRUE(rig.messages.messages.empty());

    fixtures::ConvertedWave wave = rig.Output();
    const std::uint32_t rate = c.zuvan ? 11025 : 11111;
    const CanonicalWaveHeader& h = wave.header;
    EXPECT_EQ(fixtures::Id(h.RiffId), "RIFF");
    EXPECT_EQ(h.RiffSize, 2u * c.samples + 36);
    EXPECT_EQ(fixtures::Id(h.WaveId), "WAVE");
    EXPECT_EQ(fixtures::Id(h.FmtId), "fmt ");
    EXPECT_EQ(h.FmtSize, 16u);
    EXPECT_EQ(h.FormatTag, 1);
    EXPECT_EQ(h.Channels, 1);
    EXPECT_EQ(h.SampleRate, rate);
    EXPECT_EQ(h.ByteRate, 2 * rate);
    EXPECT_EQ(h.BlockAlign, 2);
    EXPECT_EQ(h.BitsPerSample, 16);
    EXPECT_EQ(fixtures::Id(h.DataId), "data");
    EXPECT_EQ(h.DataSize, 2u * c.samples);
    EXPECT_EQ(wave.samples.size(), static_cast<std::size_t>(c.samples));
    EXPECT_EQ(wave.rest, fixtures::DispChunk("")); // beyond the declared RIFF end
    EXPECT_EQ(rig.converter.State().SamplesWritten, c.samples);
    EXPECT_FALSE(rig.converter.State().InputStream.IsOpen());
    EXPECT_FALSE(rig.converter.State().OutputStream.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(Frames, OutputCount,
                         ::testing::Values(CountCase{22222, false, 11111},
                                           CountCase{22222, true, 11025},
                                           CountCase{44444, true, 22050}, CountCase{5, false, 3},
                                           CountCase{1, false, 1}, CountCase{2, false, 1},
                                           CountCase{1, true, 1}, CountCase{3, true, 2},
                                           CountCase{1000, true, 497}, CountCase{4031, true, 2000},
                                           CountCase{4032, true, 2001}));

// Applies SENDOUT2's conversion to a filter value.
std::int16_t ToSample(float value) {
    const auto y = static_cast<float>(value * 0.5);
    if (y > 32767.0f) return 32767;
    if (y < -32768.0f) return -32768;
    return static_cast<std::int16_t>(y);
}

// In the plain mode every output uses branch 0 and is made at frames 1, 3, 5, ... of each
// conversion, from the T - 1 samples consumed before, by this and earlier conversions.
TEST(PlainMode, OutputsAreMadeAtOddFramesFromTheCarriedHistory) {
    const ConverterMode mode = MakeConverterMode(false);
    PolyphaseTable table(mode.BranchCount, mode.TapsPerBranch);
    DesignPolyphaseTable(mode, table);
    std::vector<float> history(mode.TapsPerBranch - 1, 0.0f);
    auto model = [&](const std::vector<std::int16_t>& input) {
        std::vector<std::int16_t> out;
        for (std::size_t m = 1; m <= input.size(); ++m) {
            const auto x = static_cast<float>(input[m - 1]);
            if (m % 2 == 1)
                out.push_back(
                    ToSample(FirDot(x, table.Row(0), mode.TapsPerBranch, history.data())));
            history.erase(history.begin());
            history.push_back(x);
        }
        return out;
    };

    ConverterRig rig;
    for (std::size_t frames : {400u, 5u, 1u, 333u}) {
        const auto input = fixtures::Noise(frames, static_cast<std::uint32_t>(frames), 20000);
        const std::vector<std::int16_t> expected = model(input);
        ASSERT_EQ(rig.Convert(Mono16(input), false), static_cast<std::int32_t>(expected.size()));
        EXPECT_EQ(rig.Output().samples, expected) << frames << " frames";
    }
}

struct SettleCase {
    bool zuvan;
    std::int16_t value;
};

class Settling : public ::testing::TestWithParam<SettleCase> {};

TEST_P(Settling, ConstantInputGivesRTimesHalfTheValueTruncated) {
    const SettleCase& c = GetParam();
    ConverterRig rig;
    ASSERT_GT(rig.Convert(Mono16(std::vector<std::int16_t>(2000, c.value)), c.zuvan), 900);
    const std::vector<std::int16_t> out = rig.Output().samples;
    const double gain = (c.zuvan ? 2.0156009 : 2.0) / 2.0;
    const double target = c.value * gain;
    for (std::size_t i = 170; i < out.size(); ++i) {
        ASSERT_NEAR(out[i], target, 1.0) << i;
        // Truncated toward zero: never beyond the target.
        ASSERT_LE(std::abs(out[i]), std::abs(target) + 0.01) << i;
    }
    // Before the filter has filled, the zeros it started with still count.
    EXPECT_EQ(out[0], 0);
}

INSTANTIATE_TEST_SUITE_P(Values, Settling,
                         ::testing::Values(SettleCase{false, 1000}, SettleCase{false, -1000},
                                           SettleCase{false, 31111}, SettleCase{true, 1000},
                                           SettleCase{true, -1000}, SettleCase{true, 10000}));

TEST(Settling, FullScaleInputClipsInTheZuvanMode) {
    // 1.0078 x full scale is beyond 16 bits.
    for (std::int16_t value : {std::int16_t{32767}, std::int16_t{-32768}}) {
        ConverterRig rig;
        rig.Convert(Mono16(std::vector<std::int16_t>(1000, value)), true);
        const std::vector<std::int16_t> out = rig.Output().samples;
        for (std::size_t i = 170; i < out.size(); ++i) ASSERT_EQ(out[i], value) << i;
    }
}

struct ClipCase {
    float value;
    std::int16_t written;
};

TEST(SENDOUT2, HalvesClipsAndTruncatesTowardZero) {
    const ClipCase cases[] = {{70000.0f, 32767},   {-70000.0f, -32768}, {7.8f, 3},
                              {-7.8f, -3},         {65534.0f, 32767},   {65535.0f, 32767},
                              {65536.0f, 32767},   {-65536.0f, -32768}, {-65537.0f, -32768},
                              {1.9f, 0},           {-1.9f, 0},          {0.0f, 0},
                              {-65535.9f, -32767}, {-0.0f, 0},          {1e-45f, 0},
                              {INFINITY, 32767},   {-INFINITY, -32768}};
    ConverterRig rig;
    for (const ClipCase& c : cases) rig.converter.SENDOUT2(c.value, rig.out);
    rig.converter.FinishOutputWave(11111);
    rig.converter.State().OutputStream.Close();
    EXPECT_FALSE(rig.converter.State().ConvertFailed);

    const std::vector<std::int16_t> written = rig.Output().samples;
    ASSERT_EQ(written.size(), std::size(cases));
    for (std::size_t i = 0; i < written.size(); ++i)
        EXPECT_EQ(written[i], cases[i].written) << cases[i].value;
}

// The same input twice in one process: the second conversion starts with the first one's
// tail in its history, so only its first outputs differ.
TEST(History, IsCarriedIntoTheNextConversion) {
    for (bool zuvan : {false, true}) {
        const auto input = fixtures::Noise(3000, 7);
        ConverterRig rig;
        rig.Convert(Mono16(input), zuvan);
        const std::vector<std::int16_t> first = rig.Output().samples;
        rig.Convert(Mono16(input), zuvan);
        const std::vector<std::int16_t> second = rig.Output().samples;
        ASSERT_EQ(first.size(), second.size());

        // Output 160 is made at frame 321 (322.5 in the Zuvan mode): from there on the
        // filter sees only this conversion's input.
        const std::size_t settled = zuvan ? 161 : 160;
        std::size_t differing = 0;
        for (std::size_t i = 0; i < settled; ++i) differing += first[i] != second[i];
        EXPECT_GT(differing, settled / 2) << zuvan;
        for (std::size_t i = settled; i < first.size(); ++i)
            ASSERT_EQ(first[i], second[i]) << zuvan << " output " << i;

        // A converter of its own starts from silence again.
        ConverterRig fresh;
        fresh.Convert(Mono16(input), zuvan);
        EXPECT_EQ(fresh.Output().samples, first);
    }
}

TEST(History, HoldsTheLastSamplesConsumedOldestFirst) {
    const auto input = fixtures::Noise(500, 3);
    ConverterRig rig;
    rig.Convert(Mono16(input), true);
    const FirHistoryBuffer& history = rig.converter.State().FirHistory;
    for (std::size_t j = 0; j < 319; ++j)
        ASSERT_EQ(history[j], static_cast<float>(input[500 - 319 + j])) << j;
    for (std::size_t j = 319; j < history.size(); ++j) ASSERT_EQ(history[j], 0.0f) << j;
}

TEST(OutputFailure, UncreatableOutputIsReportedOnce) {
    ConverterRig rig;
    rig.out = rig.dir.File("no-such-dir/out.wav");
    EXPECT_EQ(rig.Convert(Mono16(fixtures::Noise(100, 1)), false), 0);
    ASSERT_EQ(rig.messages.messages.size(), 1u);
    EXPECT_EQ(rig.messages.messages[0].text, "Error opening *.WAV output file in SENDOUT2");
    EXPECT_EQ(rig.messages.messages[0].caption, "ERROR");
    EXPECT_EQ(rig.messages.messages[0].style, kMbOk | kMbSystemModal);
    EXPECT_TRUE(rig.converter.State().ConvertFailed);
    EXPECT_FALSE(rig.converter.State().InputStream.IsOpen());
    EXPECT_FALSE(IsRegularFile(rig.out));
}

TEST(OutputFailure, FailedWriteLeavesTheProvisionalHeader) {
    ConverterRig rig;
    // One write per sample, as the reference engine makes them (the fast engine writes in
    // blocks: its failures are compared with these in fast_converter_test.cpp).
    rig.converter.SetEngine(rig.converter.Reference());
    // A finished conversion leaves its sizes in the header record...
    ASSERT_EQ(rig.Convert(Mono16(fixtures::Noise(200, 1)), false), 100);
    rig.messages.messages.clear();

    // ...which the next output's provisional header carries. Writes 1 to 4 are the header's
    // pieces; the tenth sample is write 14.
    std::int32_t result;
    {
        fixtures::FailIo fault(IoOp::Write, 14, false);
        result = rig.Convert(Mono16(fixtures::Noise(400, 2)), false);
    }

    EXPECT_EQ(result, 0);
    ASSERT_EQ(rig.messages.messages.size(), 1u);
    EXPECT_EQ(rig.messages.messages[0].text, "Error writing 16 Bit output *.WAV file in SENDOUT2");
    EXPECT_EQ(rig.converter.State().SamplesWritten, 9);
    const fixtures::ConvertedWave wave = rig.Output();
    EXPECT_EQ(wave.header.SampleRate, 11025u);
    EXPECT_EQ(wave.header.ByteRate, 22050u);
    EXPECT_EQ(wave.header.DataSize, 200u);
    EXPECT_EQ(wave.header.RiffSize, 236u);
    // The nine samples written, then the display text, which is still carried over.
    EXPECT_EQ(wave.fileSize, 44u + 18u + 14u);
}

struct DispCase {
    const char* name;
    fixtures::Bytes afterData;  // inside the RIFF chunk
    fixtures::Bytes beyondRiff; // after its declared end
    std::string expected;
};

fixtures::Bytes DispBody(std::uint32_t type, std::string_view text) {
    fixtures::Bytes body;
    fixtures::PutLe32(body, type);
    fixtures::PutText(body, text);
    return body;
}

class DisplayText : public ::testing::TestWithParam<DispCase> {};

TEST_P(DisplayText, IsCarriedBeyondTheOutputsRiffChunk) {
    const DispCase& c = GetParam();
    fixtures::WavBuilder builder = Mono16(fixtures::Noise(100, 4));
    builder.afterData = c.afterData;
    builder.beyondRiff = c.beyondRiff;
    ConverterRig rig;
    ASSERT_EQ(rig.Convert(builder, false), 50);
    const fixtures::ConvertedWave wave = rig.Output();
    EXPECT_EQ(wave.header.RiffSize, 136u);
    EXPECT_EQ(wave.rest, fixtures::DispChunk(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DisplayText,
    ::testing::Values(
        DispCase{"None", {}, {}, ""},
        DispCase{
            "Text", fixtures::Chunk("DISP", DispBody(1, std::string("Hello\0", 6))), {}, "Hello"},
        DispCase{"AfterOtherChunks",
                 [] {
                     fixtures::Bytes b = fixtures::Chunk("LIST", fixtures::Bytes(9, 'x'));
                     fixtures::Bytes d = fixtures::Chunk("DISP", DispBody(1, "Hi!"));
                     b.insert(b.end(), d.begin(), d.end());
                     return b;
                 }(),
                 {},
                 "Hi!"},
        DispCase{"Longest",
                 fixtures::Chunk("DISP", DispBody(1, std::string(300, 'a'))),
                 {},
                 std::string(255, 'a')},
        // As the converter's own outputs carry it: not inside the RIFF chunk, so not seen.
        DispCase{"BeyondRiff", {}, fixtures::DispChunk("old"), ""}),
    [](const auto& info) { return info.param.name; });

TEST(DisplayText, FailedInputLeavesAnExistingOutputAlone) {
    ConverterRig rig;
    const fixtures::Bytes before = fixtures::Mono16({1, 2, 3}).Build();
    fixtures::WriteFile(rig.out, before);
    fixtures::WavBuilder bad = NoiseForRejection();
    EXPECT_EQ(rig.Convert(bad, false), 0);
    EXPECT_EQ(rig.messages.messages.size(), 1u);
    EXPECT_EQ(fixtures::ReadFile(rig.out), before);
}

// Counts the conversions it runs, through the reference.
class CountingEngine final : public ConversionEngine {
public:
    explicit CountingEngine(ConversionEngine& inner) : inner_(inner) {}
    std::int32_t Run(SampleRateConverter& converter, const std::string& in,
                     const std::string& out) override {
        ++runs;
        return inner_.Run(converter, in, out);
    }
    int runs = 0;

private:
    ConversionEngine& inner_;
};

TEST(Engine, ConversionsRunThroughTheEngineSet) {
    ConverterRig rig;
    CountingEngine counting(rig.converter.Reference());
    rig.converter.SetEngine(counting);
    EXPECT_EQ(rig.Convert(Mono16(fixtures::Noise(10, 1)), false), 5);
    EXPECT_EQ(counting.runs, 1);
}

} // namespace
} // namespace chpimport
