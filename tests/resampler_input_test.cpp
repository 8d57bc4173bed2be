#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "audio/resample/resampler.hpp"
#include "base/file.hpp"
#include "support/converter_fixtures.hpp"

namespace chpimport {
namespace {

using fixtures::Bytes;
using fixtures::ConverterRig;
using fixtures::Mono16;
using fixtures::WavBuilder;

struct DecodeCase {
    const char* name;
    std::uint16_t bits;
    std::uint16_t blockAlign;
    Bytes data;
    std::vector<float> samples;
};

class SampleDecoding : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(SampleDecoding, ReadsChannelZeroOfEachFrame) {
    const DecodeCase& c = GetParam();
    WavBuilder builder;
    builder.bitsPerSample = c.bits;
    builder.blockAlign = c.blockAlign;
    builder.data = c.data;
    ConverterRig rig;
    fixtures::WriteFile(rig.in, builder.Build());
    for (float expected : c.samples) EXPECT_EQ(rig.converter.GETINPUT2(rig.in), expected);
    EXPECT_FALSE(rig.converter.State().ConvertFailed);
    EXPECT_EQ(rig.converter.State().FrameCount, c.samples.size());
}

INSTANTIATE_TEST_SUITE_P(
    Depths, SampleDecoding,
    ::testing::Values(
        DecodeCase{"Bits16",
                   16,
                   2,
                   {0x00, 0x80, 0xFF, 0x7F, 0xFF, 0xFF, 0x34, 0x12},
                   {-32768.0f, 32767.0f, -1.0f, 4660.0f}},
        // Anything but 16 bits is unsigned 8-bit: top bit flipped, shifted up by 8.
        DecodeCase{
            "Bits8", 8, 1, {128, 255, 0, 127, 1}, {0.0f, 32512.0f, -32768.0f, -256.0f, -32512.0f}},
        DecodeCase{"Bits12", 12, 1, {129, 0}, {256.0f, -32768.0f}},
        DecodeCase{"Bits24", 24, 3, {200, 1, 2, 56, 9, 9}, {18432.0f, -18432.0f}}),
    [](const auto& info) { return info.param.name; });

// 22222 frames of 16-bit mono noise, with header fields as given.
WavBuilder NoiseFile() {
    return Mono16(fixtures::Noise(2000, 11));
}

struct IdCase {
    const char* riff;
    const char* wave;
    const char* fmt;
};

class Identifiers : public ::testing::TestWithParam<IdCase> {};

TEST_P(Identifiers, AreComparedWithoutLetterCase) {
    WavBuilder builder = NoiseFile();
    builder.riffId = GetParam().riff;
    builder.waveId = GetParam().wave;
    builder.fmtId = GetParam().fmt;
    ConverterRig rig;
    EXPECT_EQ(rig.Convert(builder, false), 1000);
    EXPECT_TRUE(rig.messages.messages.empty());
    const fixtures::ConvertedWave wave = rig.Output();
    EXPECT_EQ(wave.header.SampleRate, 11111u);
    EXPECT_EQ(fixtures::Id(wave.header.RiffId), "RIFF");
}

INSTANTIATE_TEST_SUITE_P(Cases, Identifiers,
                         ::testing::Values(IdCase{"riff", "wave", "fmt "},
                                           IdCase{"RiFf", "wAvE", "FMT "},
                                           IdCase{"RIFF", "WAVE", "Fmt "}));

// The data chunk's id is not looked at, nor the sample rate field.
TEST(HeaderFields, DataIdAndSampleRateAreIgnored) {
    ConverterRig reference;
    reference.Convert(NoiseFile(), true);
    const Bytes expected = fixtures::ReadFile(reference.out);
    for (std::uint32_t rate : {8000u, 44100u, 0u}) {
        WavBuilder builder = NoiseFile();
        builder.sampleRate = rate;
        builder.dataId = "junk";
        ConverterRig rig;
        EXPECT_EQ(rig.Convert(builder, true), 993);
        EXPECT_EQ(fixtures::ReadFile(rig.out), expected) << rate;
    }
}

struct RejectCase {
    const char* name;
    std::function<Bytes()> input; // nothing: no input file at all
    const char* message;
};

Bytes Mutated(const std::function<void(WavBuilder&)>& change) {
    WavBuilder builder = NoiseFile();
    change(builder);
    return builder.Build();
}

Bytes FirstBytes(std::size_t count) {
    Bytes bytes = NoiseFile().Build();
    bytes.resize(count);
    return bytes;
}

const char* const kRiff = "Error in RIFF header";
const char* const kFmt = "Error in WAVEfmt header";
const char* const kChannels = "Error in WAVEfmt header- Channels/BlockSize";
const char* const kData = "Error in data chunk header";

const RejectCase kRejections[] = {
    {"Missing", nullptr, "Error opening *.WAV input file in GETINPUT2"},
    {"NotRiff", [] { return Mutated([](WavBuilder& b) { b.riffId = "RIFX"; }); }, kRiff},
    {"NotWave", [] { return Mutated([](WavBuilder& b) { b.waveId = "AVI "; }); }, kFmt},
    {"NotFmt", [] { return Mutated([](WavBuilder& b) { b.fmtId = "fmtx"; }); }, kFmt},
    {"FmtSize18", [] { return Mutated([](WavBuilder& b) { b.fmtSize = 18; }); }, kFmt},
    {"FmtSize14", [] { return Mutated([](WavBuilder& b) { b.fmtSize = 14; }); }, kFmt},
    {"FloatFormat", [] { return Mutated([](WavBuilder& b) { b.formatTag = 3; }); }, kFmt},
    {"Extensible", [] { return Mutated([](WavBuilder& b) { b.formatTag = 0xFFFE; }); }, kFmt},
    {"Channels5", [] { return Mutated([](WavBuilder& b) { b.channels = 5; }); }, kChannels},
    {"Channels65535", [] { return Mutated([](WavBuilder& b) { b.channels = 0xFFFF; }); },
     kChannels},
    {"BlockAlign9", [] { return Mutated([](WavBuilder& b) { b.blockAlign = 9; }); }, kChannels},
    {"BlockAlign0", [] { return Mutated([](WavBuilder& b) { b.blockAlign = 0; }); }, kChannels},
    // A file shorter than the header: the message of the piece it ends in.
    {"Empty", [] { return FirstBytes(0); }, kRiff},
    {"Ends4", [] { return FirstBytes(4); }, kRiff},
    {"Ends7", [] { return FirstBytes(7); }, kRiff},
    {"Ends8", [] { return FirstBytes(8); }, kFmt},
    {"Ends19", [] { return FirstBytes(19); }, kFmt},
    {"Ends20", [] { return FirstBytes(20); }, kFmt},
    {"Ends35", [] { return FirstBytes(35); }, kFmt},
    {"Ends36", [] { return FirstBytes(36); }, kData},
    {"Ends43", [] { return FirstBytes(43); }, kData},
};

class HeaderRejection : public ::testing::TestWithParam<RejectCase> {};

// Each case runs after a good conversion, whose header must not take part in the checks.
TEST_P(HeaderRejection, ShowsOneMessageAndWritesNothing) {
    const RejectCase& c = GetParam();
    ConverterRig rig;
    ASSERT_EQ(rig.Convert(NoiseFile(), false), 1000);
    const std::string output = rig.dir.File("rejected.wav");
    std::int32_t result;
    if (c.input) {
        fixtures::WriteFile(rig.in, c.input());
        result = rig.converter.ResampleWave(rig.in, output, false);
    } else {
        result = rig.converter.ResampleWave(rig.dir.File("missing.wav"), output, false);
    }
    EXPECT_EQ(result, 0);
    ASSERT_EQ(rig.messages.messages.size(), 1u);
    EXPECT_EQ(rig.messages.messages[0].text, c.message);
    EXPECT_EQ(rig.messages.messages[0].caption, "ERROR");
    EXPECT_EQ(rig.messages.messages[0].style, kMbOk | kMbSystemModal);
    EXPECT_TRUE(rig.converter.State().ConvertFailed);
    EXPECT_FALSE(rig.converter.State().InputStream.IsOpen());
    EXPECT_FALSE(IsRegularFile(output));
    EXPECT_EQ(rig.keyCalls, 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, HeaderRejection, ::testing::ValuesIn(kRejections),
                         [](const auto& info) { return info.param.name; });

// The largest frames accepted: four 16-bit channels, 8 bytes.
TEST(HeaderLimits, FourChannelsAndEightBytesAreAccepted) {
    WavBuilder builder;
    builder.channels = 4;
    builder.blockAlign = 8;
    std::vector<std::int16_t> frames;
    for (int i = 0; i < 600; ++i) frames.insert(frames.end(), {111, 222, 333, 4000});
    builder.Samples16(frames);
    ConverterRig rig;
    rig.keys = {'4', '3'};
    EXPECT_EQ(rig.Convert(builder, false), 300);
    EXPECT_EQ(rig.keyCalls, 2u); // '4' names no channel of four
    EXPECT_EQ(rig.converter.State().SelectedChannel, 3);
    EXPECT_EQ(rig.Output().samples.back(), 3999);
}

struct ChannelCase {
    const char* name;
    std::uint16_t bits;
    std::vector<int> keys;
    std::size_t keyCalls;
    std::int32_t channel;
    std::int16_t settled;
};

class TwoChannels : public ::testing::TestWithParam<ChannelCase> {};

TEST_P(TwoChannels, KeyChoosesTheChannel) {
    const ChannelCase& c = GetParam();
    WavBuilder builder;
    builder.channels = 2;
    builder.bitsPerSample = c.bits;
    if (c.bits == 16) {
        builder.blockAlign = 4;
        std::vector<std::int16_t> frames;
        for (int i = 0; i < 600; ++i) frames.insert(frames.end(), {1000, -2000});
        builder.Samples16(frames);
    } else {
        builder.blockAlign = 2;
        for (int i = 0; i < 600; ++i) builder.data.insert(builder.data.end(), {138, 108});
    }
    ConverterRig rig;
    rig.keys = c.keys;
    EXPECT_EQ(rig.Convert(builder, false), 300);
    EXPECT_EQ(rig.keyCalls, c.keyCalls);
    EXPECT_EQ(rig.converter.State().SelectedChannel, c.channel);
    EXPECT_EQ(rig.Output().samples.back(), c.settled);

    // Mono input asks for nothing.
    rig.keyCalls = 0;
    rig.Convert(NoiseFile(), false);
    EXPECT_EQ(rig.keyCalls, 0u);
    EXPECT_EQ(rig.converter.State().SelectedChannel, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, TwoChannels,
    ::testing::Values(ChannelCase{"Key1", 16, {'1'}, 1, 1, -1999},
                      ChannelCase{"Key0", 16, {'0'}, 1, 0, 999},
                      // Keys that name no channel are passed over.
                      ChannelCase{"Key7ThenKey1", 16, {'7', '1'}, 2, 1, -1999},
                      ChannelCase{"OthersThenKey0", 16, {'x', '2', '/', 200, 4, '0'}, 6, 0, 999},
                      // 8-bit: 138 reads as 2560, 108 as -5120.
                      ChannelCase{"EightBitKey1", 8, {'1'}, 1, 1, -5119}),
    [](const auto& info) { return info.param.name; });

#if GTEST_HAS_DEATH_TEST && !defined(_WIN32)
class TwoChannelsDeathTest : public ::testing::TestWithParam<int> {};

// Ctrl+C, an extended key's lead code, or no console: the process ends with status 1.
TEST_P(TwoChannelsDeathTest, KeyBelowFourEndsTheProcess) {
    WavBuilder builder;
    builder.channels = 2;
    builder.blockAlign = 4;
    builder.Samples16({1, 2, 3, 4});
    ConverterRig rig;
    rig.keys = {'9', GetParam()};
    fixtures::WriteFile(rig.in, builder.Build());
    EXPECT_EXIT(rig.converter.ResampleWave(rig.in, rig.out, false), ::testing::ExitedWithCode(1),
                "");
}

INSTANTIATE_TEST_SUITE_P(Keys, TwoChannelsDeathTest, ::testing::Values(3, 0, 1, -1));
#endif

// Whatever chunk follows the format chunk is taken for the data chunk.
TEST(DataChunk, TheChunkAfterTheFormatIsTakenForIt) {
    WavBuilder builder;
    builder.dataId = "LIST";
    builder.data = {1, 0, 2, 0, 3, 0};
    builder.afterData = fixtures::Chunk("data", Bytes(4000, 0));
    ConverterRig rig;
    EXPECT_EQ(rig.Convert(builder, false), 2);
    EXPECT_EQ(rig.converter.State().FrameCount, 3u);
}

TEST(DataChunk, EmptyButFollowedByBytesStillGivesOneSample) {
    WavBuilder builder;
    builder.afterData = fixtures::Chunk("LIST", Bytes(20, 7));
    ConverterRig rig;
    EXPECT_EQ(rig.Convert(builder, true), 1);
    EXPECT_TRUE(rig.messages.messages.empty());
    EXPECT_EQ(rig.converter.State().FrameCount, 0u);
    EXPECT_EQ(rig.Output().samples.size(), 1u);
}

TEST(DataChunk, EmptyAtTheEndOfTheFileFailsWithoutAnOutput) {
    ConverterRig rig;
    EXPECT_EQ(rig.Convert(WavBuilder(), false), 0);
    EXPECT_TRUE(rig.messages.messages.empty());
    EXPECT_TRUE(rig.converter.State().InputTruncated);
    EXPECT_FALSE(IsRegularFile(rig.out));
}

struct TruncatedCase {
    bool zuvan;
    std::int32_t samples; // made from the 101 frames present
};

class TruncatedData : public ::testing::TestWithParam<TruncatedCase> {};

TEST_P(TruncatedData, OutputIsMadeFinalForTheSamplesWritten) {
    WavBuilder builder = Mono16(fixtures::Noise(101, 5));
    builder.autoDataSize = false;
    builder.dataSize = 2001; // 1000 frames claimed
    ConverterRig rig;
    EXPECT_EQ(rig.Convert(builder, GetParam().zuvan), 0);
    EXPECT_TRUE(rig.messages.messages.empty());
    const ConverterState& state = rig.converter.State();
    EXPECT_TRUE(state.ConvertFailed);
    EXPECT_TRUE(state.InputTruncated);
    EXPECT_EQ(state.FrameCount, 1000u);
    EXPECT_EQ(state.SamplesWritten, GetParam().samples);
    EXPECT_FALSE(state.InputStream.IsOpen());
    EXPECT_FALSE(state.OutputStream.IsOpen());

    const fixtures::ConvertedWave wave = rig.Output();
    const std::uint32_t rate = GetParam().zuvan ? 11025 : 11111;
    EXPECT_EQ(wave.header.DataSize, 2u * GetParam().samples);
    EXPECT_EQ(wave.header.RiffSize, 2u * GetParam().samples + 36);
    EXPECT_EQ(wave.header.SampleRate, rate);
    EXPECT_EQ(wave.header.ByteRate, 2 * rate);
    EXPECT_EQ(wave.samples.size(), static_cast<std::size_t>(GetParam().samples));
    EXPECT_EQ(wave.rest, fixtures::DispChunk(""));

    // The next conversion starts afresh.
    EXPECT_EQ(rig.Convert(NoiseFile(), false), 1000);
    EXPECT_FALSE(rig.converter.State().InputTruncated);
}

INSTANTIATE_TEST_SUITE_P(Modes, TruncatedData,
                         ::testing::Values(TruncatedCase{false, 51}, TruncatedCase{true, 51}));

} // namespace
} // namespace chpimport
