#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

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
    EXPECT_EQ(help.out.rfind("usage: chpimport decode MESSAGE.VOC OUT.wav\n", 0), 0u) << help.out;
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
