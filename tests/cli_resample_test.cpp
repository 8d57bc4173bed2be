#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.hpp"
#include "support/cli_run.hpp"
#include "support/converter_fixtures.hpp"

namespace chpimport::cli {
namespace {

using Result = fixtures::CliResult;
constexpr auto RunArgs = fixtures::RunCli;

class CliResample : public ::testing::Test {
protected:
    void SetUp() override {
        fixtures::WriteFile(in, fixtures::Mono16(fixtures::Noise(4000, 9)).Build());
    }
    fixtures::TempDir dir;
    std::string in = dir.File("in.wav");
    std::string out = dir.File("out.wav");
};

TEST_F(CliResample, PrintsTheNumberOfSamples) {
    Result r = RunArgs({"resample", in, out});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.out, "2000\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(fixtures::ReadConverted(out).header.SampleRate, 11111u);

    r = RunArgs({"resample", "--zuvan", in, out});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.out, "1985\n");
    EXPECT_EQ(fixtures::ReadConverted(out).header.SampleRate, 11025u);
}

TEST_F(CliResample, ChannelOptionChoosesTheChannel) {
    fixtures::WavBuilder builder;
    builder.channels = 2;
    builder.blockAlign = 4;
    std::vector<std::int16_t> frames;
    for (int i = 0; i < 400; ++i) frames.insert(frames.end(), {500, -700});
    builder.Samples16(frames);
    fixtures::WriteFile(in, builder.Build());

    Result r = RunArgs({"resample", in, out, "--channel", "1"});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.out, "200\n");
    EXPECT_EQ(fixtures::ReadConverted(out).samples.back(), -699);
}

TEST_F(CliResample, ConverterMessagesGoToStandardError) {
    fixtures::WavBuilder builder;
    builder.channels = 6;
    fixtures::WriteFile(in, builder.Build());
    Result r = RunArgs({"resample", in, out});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "ERROR: Error in WAVEfmt header- Channels/BlockSize\n");

    r = RunArgs({"resample", dir.File("missing.wav"), out});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err, "ERROR: Error opening *.WAV input file in GETINPUT2\n");
}

TEST_F(CliResample, TruncatedInputIsReported) {
    fixtures::WavBuilder builder = fixtures::Mono16(fixtures::Noise(10, 1));
    builder.autoDataSize = false;
    builder.dataSize = 100;
    fixtures::WriteFile(in, builder.Build());
    Result r = RunArgs({"resample", in, out});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("ends before its last frame"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("holds the 5 samples"), std::string::npos) << r.err;
}

// The hidden option converts with the reference engine, for timings: the same bytes.
TEST_F(CliResample, ReferenceConverterOptionWritesTheSameFile) {
    fixtures::WriteFile(in, fixtures::Mono16(fixtures::Noise(30000, 3)).Build());
    const std::string reference = dir.File("reference.wav");
    for (bool zuvan : {false, true}) {
        Args fast = {"resample", in, out};
        Args slow = {"resample", in, reference, "--reference-converter"};
        if (zuvan) {
            fast.push_back("--zuvan");
            slow.push_back("--zuvan");
        }
        const Result a = RunArgs(fast);
        const Result b = RunArgs(slow);
        EXPECT_EQ(a.status, kExitOk);
        EXPECT_EQ(b.status, kExitOk);
        EXPECT_EQ(a.out, b.out);
        EXPECT_EQ(fixtures::ReadFile(out), fixtures::ReadFile(reference)) << zuvan;
    }
}

TEST_F(CliResample, RefusesToOverwriteItsInput) {
    const fixtures::Bytes before = fixtures::ReadFile(in);
    Result r = RunArgs({"resample", in, in});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_EQ(fixtures::ReadFile(in), before);
}

class CliResampleUsage : public ::testing::TestWithParam<Args> {};

TEST_P(CliResampleUsage, BadUsageExitsTwo) {
    Result r = RunArgs(GetParam());
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("usage: chpimport resample", 0), 0u) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Args, CliResampleUsage,
                         ::testing::Values(Args{"resample"}, Args{"resample", "a.wav"},
                                           Args{"resample", "a.wav", "b.wav", "c.wav"},
                                           Args{"resample", "a.wav", "b.wav", "--channel"},
                                           Args{"resample", "a.wav", "b.wav", "--channel", "x"},
                                           Args{"resample", "a.wav", "b.wav", "--channel", "12"},
                                           Args{"resample", "a.wav", "b.wav", "--fast"}));

} // namespace
} // namespace chpimport::cli
