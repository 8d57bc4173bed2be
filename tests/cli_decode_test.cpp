#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.hpp"
#include "cli/console_message_sink.hpp"
#include "support/cli_run.hpp"
#include "support/fixtures.hpp"

namespace chpimport::cli {
namespace {

using fixtures::Bytes;

using Result = fixtures::CliResult;
constexpr auto RunArgs = fixtures::RunCli;

class CliDecode : public ::testing::Test {
protected:
    std::string voc() const { return dir.File("MSG00001.VOC"); }
    std::string wav() const { return dir.File("out.wav"); }
    fixtures::TempDir dir;
};

TEST_F(CliDecode, WritesTheWaveAndPrintsTheTrailer) {
    fixtures::VocBuilder builder;
    builder.chipCode = 14;
    builder.rowCount = 0x8258;
    builder.Sound(131, {0x00, 0x80, 0xFF});
    fixtures::WriteFile(voc(), builder.Build());
    fixtures::WriteFile(wav(), Bytes(10, 1)); // replaced

    Result r = RunArgs({"decode", voc(), wav()});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.out, "Chip code: 14\nRow count: 33368\n");
    EXPECT_EQ(r.err, "");
    fixtures::WavBuilder expected;
    expected.sampleRate = 8000;
    expected.Samples16({-32768, 0, 32512});
    EXPECT_EQ(fixtures::ReadFile(wav()), expected.Build());
    EXPECT_FALSE(std::filesystem::exists(wav() + ".part"));
}

TEST_F(CliDecode, FailureGivesOneLineAndKeepsAnOlderWave) {
    fixtures::VocBuilder builder;
    builder.Sound(166, {1, 2, 3});
    builder.trailerSize = 99;
    fixtures::WriteFile(voc(), builder.Build());
    fixtures::WriteFile(wav(), Bytes(10, 1));

    Result r = RunArgs({"decode", voc(), wav()});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, voc() + ": the terminator at offset 35 is followed by 99 bytes, not by the "
                             "100-byte trailer\n");
    EXPECT_EQ(fixtures::ReadFile(wav()), Bytes(10, 1));
    EXPECT_FALSE(std::filesystem::exists(wav() + ".part"));

    r = RunArgs({"decode", dir.File("missing.voc"), wav()});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err,
              dir.File("missing.voc") + ": the file can't be opened: No such file or directory\n");
}

TEST_F(CliDecode, DiskErrorNamesTheOutputFile) {
    fixtures::VocBuilder builder;
    builder.Sound(166, {1});
    fixtures::WriteFile(voc(), builder.Build());
    std::string out = dir.File("no such folder/out.wav");
    Result r = RunArgs({"decode", voc(), out});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err, voc() + ": could not create the wave file " + out + "\n");
}

TEST_F(CliDecode, NoSoundBlockSaysSoAndWritesNothing) {
    fixtures::VocBuilder builder;
    builder.chipCode = 5;
    fixtures::WriteFile(voc(), builder.Build());
    Result r = RunArgs({"decode", voc(), wav()});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.out, "Chip code: 5\nRow count: 0\n");
    EXPECT_NE(r.err.find("no sound block"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(wav()));
}

// One line per block met, in order, the refused one included; the samples are not affected.
TEST_F(CliDecode, BlocksListsEveryBlockMet) {
    fixtures::VocBuilder builder;
    builder.Block(5, {'h', 0}).Sound(131, {1, 2, 3}).Continues({4}).Silence(9, 166);
    builder.Block(6, {1, 0}).NewSound(8000, 8, 1, 7, {5});
    fixtures::WriteFile(voc(), builder.Build());
    Result plain = RunArgs({"decode", voc(), wav()});
    const Bytes samples = fixtures::ReadFile(wav());
    Result r = RunArgs({"decode", "--blocks", voc(), wav()});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(fixtures::ReadFile(wav()), samples);

    // After the heading: offset, type, length, rate and what was done.
    std::istringstream lines(r.out);
    std::string line;
    std::getline(lines, line);
    const std::vector<std::vector<std::string>> expected = {
        {"26", "5 text", "2", "passed over"},
        {"32", "1 sound data", "5", "8000 Hz", "decoded: 3 samples, 8-bit unsigned"},
        {"41", "2 sound continues", "1", "8000 Hz", "decoded: 1 sample,"},
        {"46", "3 silence", "3", "11111 Hz", "9 samples of silence"},
        {"53", "6 repeat start", "2", "not expanded"},
        {"59", "9 sound data (new format)", "13", "8000 Hz", "decoded: 1 sample, mu-law"},
        {"76", "0 terminator"}};
    for (const auto& fields : expected) {
        ASSERT_TRUE(std::getline(lines, line)) << fields[0];
        for (const std::string& field : fields)
            EXPECT_NE(line.find(field), std::string::npos) << field << " in: " << line;
    }
    EXPECT_EQ(plain.out, r.out.substr(r.out.size() - plain.out.size()));

    builder.NewSound(8000, 4, 1, 2, {1});
    fixtures::WriteFile(voc(), builder.Build());
    r = RunArgs({"decode", voc(), wav(), "--blocks"});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_NE(r.out.find("76  9 sound data (new format)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("refused"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("ADPCM"), std::string::npos) << r.err;
}

TEST_F(CliDecode, RefusesToWriteOverTheVocFile) {
    fixtures::VocBuilder builder;
    builder.Sound(166, {1});
    Bytes bytes = builder.Build();
    fixtures::WriteFile(voc(), bytes);
    Result r = RunArgs({"decode", voc(), voc()});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_EQ(fixtures::ReadFile(voc()), bytes);
}

TEST(CliDecodeUsage, ExitStatuses) {
    EXPECT_EQ(RunArgs({"decode"}).status, kExitUsage);
    EXPECT_EQ(RunArgs({"decode", "a.voc"}).status, kExitUsage);
    EXPECT_EQ(RunArgs({"decode", "a", "b", "c"}).status, kExitUsage);
    Result help = RunArgs({"decode", "--help"});
    EXPECT_EQ(help.status, kExitOk);
    EXPECT_EQ(help.out.rfind("usage: chpimport decode MESSAGE.VOC OUT.wav [--blocks]\n", 0), 0u)
        << help.out;
    EXPECT_NE(RunArgs({"--help"}).out.find("decode MESSAGE.VOC OUT.wav"), std::string::npos);
}

TEST(ConsoleMessages, OneLinePerMessageAndAFixedAnswer) {
    std::ostringstream err;
    ConsoleMessageSink sink(err);
    EXPECT_EQ(sink.ShowMessage("Could not create wave file", "Disk Error", kMbIconExclamation),
              kIdOk);
    EXPECT_EQ(sink.ShowMessage("Not Finished Importing! Abort ?", "User Input Required", kMbYesNo),
              kIdNo);
    EXPECT_EQ(err.str(), "Disk Error: Could not create wave file\n"
                         "User Input Required: Not Finished Importing! Abort ?\n");
    ConsoleMessageSink yes(err, kIdYes);
    EXPECT_EQ(yes.ShowMessage("q", "c", kMbYesNo | kMbIconStop), kIdYes);
}

} // namespace
} // namespace chpimport::cli
