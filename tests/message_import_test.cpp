#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/resample/resampler.hpp"
#include "base/file.hpp"
#include "base/message_sink.hpp"
#include "chp/message_import.hpp"
#include "chp/message_length.hpp"
#include "project/project_files.hpp"
#include "support/fixtures.hpp"

namespace chpimport {
namespace {

namespace fs = std::filesystem;
using fixtures::Bytes;

std::uint32_t Le32At(const Bytes& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
                                      (static_cast<std::uint32_t>(bytes[at + 3]) << 24));
}

// What a final WAV file holds: its rate and its number of samples, or -1 when its layout
// isn't the plain 44-byte header followed by the data.
struct WaveSummary {
    std::int64_t rate = -1;
    std::int64_t samples = -1;
};

WaveSummary Summarise(const std::string& path) {
    Bytes bytes = fixtures::ReadFile(path);
    WaveSummary summary;
    if (bytes.size() < 44 || std::string(bytes.begin(), bytes.begin() + 4) != "RIFF" ||
        std::string(bytes.begin() + 36, bytes.begin() + 40) != "data")
        return summary;
    std::uint32_t dataBytes = Le32At(bytes, 40);
    if (44 + dataBytes != bytes.size() || Le32At(bytes, 4) != 36 + dataBytes) return summary;
    summary.rate = Le32At(bytes, 24);
    summary.samples = dataBytes / 2;
    return summary;
}

// A sound of `count` 8-bit samples, not silent.
Bytes Tone(std::size_t count) {
    Bytes samples(count);
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = static_cast<std::uint8_t>(128 + 90 * std::sin(0.05 * static_cast<double>(i)));
    return samples;
}

// Enough input for a message of `sampleCount` output samples in either mode.
std::size_t InputFor(std::int32_t sampleCount) {
    return static_cast<std::size_t>(sampleCount) * 205 / 100 + 64;
}

class MessageImport : public ::testing::Test {
protected:
    void SetUp() override { session.ChipName = "ISD2560"; }
    void TearDown() override { SetIoFaultHook(nullptr, nullptr); }

    void WriteChp(const fixtures::ChpBuilder& builder) {
        fixtures::WriteFile(chp, builder.Build());
    }
    void WriteVoc(const std::string& name, std::uint8_t chipCode, std::uint16_t rowCount,
                  std::size_t samples) {
        fixtures::VocBuilder voc;
        voc.chipCode = chipCode;
        voc.rowCount = rowCount;
        if (samples > 0) voc.Sound(166, Tone(samples));
        fixtures::WriteFile(project.File(name), voc.Build());
    }
    void OpenLog() { session.DebugLog = TextFile::Create(logPath); }
    std::string LogText() {
        if (session.DebugLog) session.DebugLog->Close();
        session.DebugLog.reset();
        return fixtures::ReadText(logPath);
    }
    std::int16_t Import(std::int16_t n) { return ImportMessage(env, chp, n, wavePath, length); }
    std::string Line(const std::string& vocName, int n, const char* addressAndRows) {
        return "file " + project.File(vocName) + " nb [" + std::to_string(n) + "] addr [" +
               addressAndRows + "\r\n";
    }
    bool WorkFolderEmpty() const { return fs::is_empty(work.path()); }

    fixtures::TempDir project;
    fixtures::TempDir work;
    std::string chp = project.File("DEMO.CHP");
    fixtures::TempDir logs;
    std::string logPath = logs.File("debug.bid");
    SilentMessageSink sink;
    SampleRateConverter converter{sink, [] { return -1; }};
    ImportSession session;
    ImportEnvironment env{session, converter, sink, work.path().string()};
    std::string wavePath = "untouched";
    std::int16_t length = -7;
};

struct ImportCase {
    const char* name;
    int previousCode; // the trailer code of a message imported before, or -1
    std::uint8_t chipCode;
    std::uint16_t rowCount;
    bool zuvan;
    const char* chipAfter;
    std::int16_t length;
    std::int32_t sampleCount;
    std::int32_t durationMs;
};

class MessageImportTable : public MessageImport,
                           public ::testing::WithParamInterface<ImportCase> {};

TEST_P(MessageImportTable, LengthDurationChipAndFinalFile) {
    const ImportCase& c = GetParam();
    session.ZuvanCompatible = c.zuvan ? 1 : 0;
    fixtures::ChpBuilder builder;
    if (c.previousCode >= 0) {
        builder.Message(0, "FIRST.VOC");
        WriteVoc("FIRST.VOC", static_cast<std::uint8_t>(c.previousCode), 8, 200);
    }
    builder.Message(100, "MSG00001.VOC");
    WriteChp(builder);
    // A message of no length keeps all it was converted to: 1000 inputs give 500 at 2:1.
    const std::size_t inputs = c.sampleCount == 0 ? 1000 : InputFor(c.sampleCount);
    WriteVoc("MSG00001.VOC", c.chipCode, c.rowCount, inputs);

    if (c.previousCode >= 0) {
        ASSERT_EQ(Import(1), 0);
    }
    const auto n = static_cast<std::int16_t>(builder.entries.size());
    ASSERT_EQ(Import(n), 100);
    EXPECT_EQ(session.ChipName, c.chipAfter);
    EXPECT_EQ(length, c.length);
    EXPECT_EQ(session.DurationMs, c.durationMs);
    EXPECT_EQ(wavePath, project.File("MSG00001.wav"));
    WaveSummary wave = Summarise(wavePath);
    EXPECT_EQ(wave.rate, c.zuvan ? 11025 : 11111);
    EXPECT_EQ(wave.samples, c.sampleCount == 0 ? 500 : c.sampleCount - 1);
    // The sample count itself, through the length of the final file.
    EXPECT_EQ(ComputeMessageLength(static_cast<std::int16_t>(c.rowCount),
                                   GetChipInfo(c.chipCode, c.chipAfter), OutputRate(c.zuvan))
                  .SampleCount,
              c.sampleCount);
    EXPECT_TRUE(WorkFolderEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Examples, MessageImportTable,
    ::testing::Values(
        ImportCase{"Isd2560", -1, 5, 600, false, "ISD2560", 150, 166665, 15000},
        ImportCase{"Isd2560Compatible", -1, 5, 600, true, "ISD2560", 150, 165375, 15000},
        ImportCase{"RowCountZero", -1, 5, 0, false, "ISD2560", 0, 0, 0},
        ImportCase{"Isd1212", -1, 14, 7, false, "ISD1212", 3, 5833, 524},
        ImportCase{"Isd1212Compatible", -1, 14, 7, true, "ISD1212", 3, 5788, 524},
        ImportCase{"RowCountOne", -1, 5, 1, false, "ISD2560", 0, 277, 24},
        ImportCase{"WholeValueRoundedBelow", -1, 5, 1304, true, "ISD2560", 326, 359415, 32599},
        ImportCase{"Code3RenamesTheChip", -1, 3, 600, false, "ISD1020", 150, 208331, 18749},
        ImportCase{"RenamedChipStaysForLaterMessages", 3, 0, 600, false, "ISD1020", 150, 208331,
                   18749}),
    [](const ::testing::TestParamInfo<ImportCase>& info) { return info.param.name; });

TEST_F(MessageImport, PathsAndDebugLine) {
    fixtures::ChpBuilder builder;
    builder.Message(0x1234, "MSG00001.VOC");
    WriteChp(builder);
    WriteVoc("MSG00001.VOC", 5, 600, InputFor(166665));
    OpenLog();
    ASSERT_EQ(Import(1), 0x1234);
    EXPECT_EQ(wavePath, project.File("MSG00001.wav"));
    EXPECT_EQ(LogText(), Line("MSG00001.VOC", 1, "1234] rows 58 02"));
}

TEST_F(MessageImport, RowBytesPrintedUnsigned) {
    fixtures::ChpBuilder builder;
    builder.Message(7, "M.VOC");
    WriteChp(builder);
    WriteVoc("M.VOC", 5, 0x0180, InputFor(106665));
    OpenLog();
    ASSERT_EQ(Import(1), 7);
    EXPECT_EQ(LogText(), Line("M.VOC", 1, "0007] rows 80 01"));
}

TEST_F(MessageImport, EntryThatCannotBeReadLeavesNoLine) {
    fixtures::ChpBuilder builder;
    builder.Message(0, "A.VOC").Message(10, "B.VOC");
    builder.entries[1].number = 5; // entry 2 carries another number
    WriteChp(builder);
    WriteVoc("A.VOC", 5, 4, 200);
    WriteVoc("B.VOC", 5, 4, 200);
    OpenLog();
    EXPECT_EQ(Import(2), -1);
    EXPECT_EQ(Import(3), -1); // beyond the directory
    EXPECT_EQ(Import(0), -1);
    EXPECT_EQ(ImportMessage(env, project.File("NONE.CHP"), 1, wavePath, length), -1);
    EXPECT_EQ(LogText(), "");
    EXPECT_EQ(wavePath, "untouched");
    EXPECT_EQ(length, -7);
}

TEST_F(MessageImport, MissingVocFileLeavesOneLineAndTouchesNothing) {
    fixtures::ChpBuilder builder;
    builder.Message(40, "MISSING.VOC");
    WriteChp(builder);
    session.DurationMs = 1234;
    OpenLog();
    EXPECT_EQ(Import(1), -1);
    EXPECT_EQ(LogText(), Line("MISSING.VOC", 1, "0028] rows 00 00"));
    EXPECT_EQ(wavePath, "untouched");
    EXPECT_EQ(length, -7);
    EXPECT_EQ(session.DurationMs, 1234);
    EXPECT_EQ(session.ChipName, "ISD2560");
}

TEST_F(MessageImport, ShortNameUsedWithoutBlanks) {
    fixtures::ChpBuilder builder;
    builder.Message(3, "A.VOC");
    WriteChp(builder);
    WriteVoc("A.VOC", 5, 8, InputFor(2222));
    OpenLog();
    ASSERT_EQ(Import(1), 3);
    EXPECT_EQ(wavePath, project.File("A.wav"));
    EXPECT_EQ(LogText(), Line("A.VOC", 1, "0003] rows 08 00"));
}

TEST_F(MessageImport, LowerCaseFileOnDisk) {
    fixtures::ChpBuilder builder;
    builder.Message(0, "MSG00001.VOC");
    WriteChp(builder);
    WriteVoc("msg00001.voc", 5, 8, InputFor(2222));
    OpenLog();
    ASSERT_EQ(Import(1), 0);
#ifdef _WIN32
    const std::string onDisk = "MSG00001", vocOnDisk = "MSG00001.VOC"; // case ignored anyway
#else
    const std::string onDisk = "msg00001", vocOnDisk = "msg00001.voc";
#endif
    EXPECT_EQ(wavePath, project.File(onDisk + ".wav"));
    EXPECT_TRUE(IsRegularFile(wavePath));
    EXPECT_EQ(LogText(), Line(vocOnDisk, 1, "0000] rows 08 00"));
}

TEST_F(MessageImport, NamesLeadingOutOfTheProjectAreRefused) {
    // A VOC file beside the project's folder that a crafted entry would reach.
    fs::path inner = project.path() / "inner";
    fs::create_directory(inner);
    chp = (inner / "DEMO.CHP").string();
    fixtures::VocBuilder voc;
    voc.Sound(166, Tone(500));
    fixtures::WriteFile(project.File("SECR.VOC"), voc.Build());
    fixtures::ChpBuilder builder;
    builder.Message(1, "..\\SECR.VOC").Message(2, "../SECR.VOC").Message(3, "..");
    builder.Message(4, std::string("A\r\nB.VOC"));
    WriteChp(builder);
    OpenLog();
    for (std::int16_t n = 1; n <= 4; ++n) EXPECT_EQ(Import(n), -1) << n;
    const std::string dir = chp.substr(0, chp.size() - 8); // up to "DEMO.CHP"
    EXPECT_EQ(LogText(), "file " + dir + "..\\SECR.VOC nb [1] addr [0001] rows 00 00\r\n" +
                             "file " + dir + "../SECR.VOC nb [2] addr [0002] rows 00 00\r\n" +
                             "file " + dir + ".. nb [3] addr [0003] rows 00 00\r\n" + "file " +
                             dir + "A??B.VOC nb [4] addr [0004] rows 00 00\r\n");
    EXPECT_FALSE(IsRegularFile(project.File("SECR.wav")));
    EXPECT_TRUE(WorkFolderEmpty());
}

TEST_F(MessageImport, OutOfRangeAddressOrRowCountFails) {
    fixtures::ChpBuilder builder;
    builder.Message(0x8000, "A.VOC").Message(5, "B.VOC");
    WriteChp(builder);
    WriteVoc("A.VOC", 5, 8, 2000);
    WriteVoc("B.VOC", 5, 0x8001, 2000);
    OpenLog();
    EXPECT_EQ(Import(1), -1);
    EXPECT_EQ(Import(2), -1);
    EXPECT_EQ(LogText(),
              Line("A.VOC", 1, "8000] rows 08 00") + Line("B.VOC", 2, "0005] rows 01 80"));
    EXPECT_FALSE(IsRegularFile(project.File("A.wav")));
    EXPECT_FALSE(IsRegularFile(project.File("B.wav")));
    EXPECT_EQ(wavePath, "untouched");
    EXPECT_TRUE(WorkFolderEmpty());
}

TEST_F(MessageImport, PathsOverTheLimitAreRefused) {
    // A project path of 255 characters or fewer whose VOC path (or WAV path) is longer.
    const std::size_t base = project.path().string().size() + 1;
    fs::path deep = project.path() / std::string(249 - base, 'd');
    fs::create_directory(deep);
    chp = (deep / "D.CHP").string();
    ASSERT_LE(chp.size(), 255u);
    fixtures::ChpBuilder builder;
    builder.Message(1, "MSG00001.VOC").Message(2, "ABC");
    WriteChp(builder);
    OpenLog();
    EXPECT_EQ(Import(1), -1); // 250 + 12 characters
    EXPECT_EQ(Import(2), -1); // 253 characters, but 257 with ".wav"
    std::string log = LogText();
    EXPECT_NE(log.find("MSG00001.VOC nb [1] addr [0001] rows 00 00\r\n"), std::string::npos);
    EXPECT_NE(log.find("ABC nb [2] addr [0002] rows 00 00\r\n"), std::string::npos);
    EXPECT_EQ(wavePath, "untouched");
}

TEST_F(MessageImport, VocFileNamedLikeItsWaveFileIsKept) {
    fixtures::ChpBuilder builder;
    builder.Message(0, "MSG.WAV");
    WriteChp(builder);
    WriteVoc("MSG.WAV", 5, 8, 2000);
    const Bytes original = fixtures::ReadFile(project.File("MSG.WAV"));
    EXPECT_EQ(Import(1), -1);
    EXPECT_EQ(fixtures::ReadFile(project.File("MSG.WAV")), original);
}

TEST_F(MessageImport, UserFilesInTheCurrentDirectorySurvive) {
    fixtures::TempDir user;
    fixtures::ScopedCurrentDir cwd(user.path());
    fixtures::WriteFile(user.File("tmp.wav"), {'m', 'i', 'n', 'e'});
    fixtures::WriteFile(user.File("tmp1.wav"), {'t', 'o', 'o'});
    fixtures::ChpBuilder builder;
    builder.Message(0, "A.VOC").Message(9, "B.VOC");
    WriteChp(builder);
    WriteVoc("A.VOC", 5, 8, InputFor(2222));
    ASSERT_EQ(Import(1), 0);
    EXPECT_EQ(Import(2), -1); // B.VOC is missing
    EXPECT_EQ(fixtures::ReadText(user.File("tmp.wav")), "mine");
    EXPECT_EQ(fixtures::ReadText(user.File("tmp1.wav")), "too");
    EXPECT_EQ(std::distance(fs::directory_iterator(user.path()), fs::directory_iterator()), 2);
}

TEST_F(MessageImport, VocWithoutSoundNeverTakesAnotherMessagesAudio) {
    fixtures::ChpBuilder builder;
    builder.Message(0, "BROKEN.VOC").Message(10, "EMPTY.VOC");
    WriteChp(builder);
    // Sound, then a trailer one byte short: the decoder has begun tmp.wav, then fails.
    fixtures::VocBuilder broken;
    broken.Sound(166, Tone(3000));
    broken.trailerSize = 99;
    fixtures::WriteFile(project.File("BROKEN.VOC"), broken.Build());
    WriteVoc("EMPTY.VOC", 5, 8, 0);
    // And a working file left from an earlier run of the process.
    fixtures::WavBuilder stale;
    stale.Samples16(std::vector<std::int16_t>(5000, 1000));
    fixtures::WriteFile(work.File("tmp.wav"), stale.Build());
    EXPECT_EQ(Import(1), -1);
    EXPECT_EQ(Import(2), -1);
    fixtures::WriteFile(work.File("tmp.wav"), stale.Build());
    EXPECT_EQ(Import(2), -1);
    EXPECT_FALSE(IsRegularFile(project.File("EMPTY.wav")));
    EXPECT_TRUE(WorkFolderEmpty());
}

TEST_F(MessageImport, FailedConversionWritesNoFileAndKeepsTheOldOne) {
    fixtures::ChpBuilder builder;
    builder.Message(0, "A.VOC");
    WriteChp(builder);
    // One sound block of no samples: the converted input has nothing to read.
    fixtures::VocBuilder voc;
    voc.rowCount = 8;
    voc.Sound(166, {});
    fixtures::WriteFile(project.File("A.VOC"), voc.Build());
    fixtures::WriteFile(project.File("A.wav"), {'o', 'l', 'd'});
    session.DurationMs = 55;
    EXPECT_EQ(Import(1), -1);
    EXPECT_EQ(fixtures::ReadText(project.File("A.wav")), "old");
    EXPECT_EQ(session.DurationMs, 55);
    EXPECT_EQ(length, -7);
    EXPECT_TRUE(WorkFolderEmpty());
    EXPECT_FALSE(IsRegularFile(project.File("A.wa~")));
}

// Converts completely, then reports failure, as a conversion that fails at its very end.
class FailingAtTheEnd final : public ConversionEngine {
public:
    std::int32_t Run(SampleRateConverter& converter, const std::string& input,
                     const std::string& output) override {
        std::int32_t made = converter.Reference().Run(converter, input, output);
        converter.FinishOutputWave(converter.State().Mode.OutputRate);
        converter.State().ConvertFailed = true;
        return made;
    }
};

TEST_F(MessageImport, ConversionReportingFailureFailsTheMessage) {
    fixtures::ChpBuilder builder;
    builder.Message(0, "A.VOC");
    WriteChp(builder);
    WriteVoc("A.VOC", 5, 8, InputFor(2222));
    FailingAtTheEnd engine;
    converter.SetEngine(engine);
    EXPECT_EQ(Import(1), -1);
    EXPECT_FALSE(IsRegularFile(project.File("A.wav")));
    converter.SetEngine(converter.Reference());
    EXPECT_EQ(Import(1), 0);
}

TEST_F(MessageImport, FailedReplacementKeepsTheOldFinalFile) {
    fixtures::ChpBuilder builder;
    builder.Message(0, "A.VOC");
    WriteChp(builder);
    WriteVoc("A.VOC", 5, 8, InputFor(2222));
    fixtures::WriteFile(project.File("A.wav"), {'o', 'l', 'd'});
    SetIoFaultHook([](IoOp op, void*) { return op == IoOp::Rename; }, nullptr);
    EXPECT_EQ(Import(1), -1);
    SetIoFaultHook(nullptr, nullptr);
    EXPECT_EQ(fixtures::ReadText(project.File("A.wav")), "old");
    EXPECT_FALSE(IsRegularFile(project.File("A.wa~")));
    // Without the fault the same message replaces it.
    ASSERT_EQ(Import(1), 0);
    EXPECT_EQ(Summarise(project.File("A.wav")).samples, 2221);
}

TEST_F(MessageImport, FailedCutKeepsTheOldFinalFile) {
    fixtures::ChpBuilder builder;
    builder.Message(0, "A.VOC");
    WriteChp(builder);
    WriteVoc("A.VOC", 5, 8, InputFor(2222));
    fixtures::WriteFile(project.File("A.wav"), {'o', 'l', 'd'});
    fs::create_directory(project.path() / "A.wa~"); // the cut can't create its file
    EXPECT_EQ(Import(1), -1);
    EXPECT_EQ(fixtures::ReadText(project.File("A.wav")), "old");
    EXPECT_TRUE(fs::is_directory(project.path() / "A.wa~"));
    EXPECT_TRUE(WorkFolderEmpty());
}

TEST_F(MessageImport, StagingNameNeverTheVocFile) {
    fixtures::ChpBuilder builder;
    builder.Message(0, "A.WA~");
    WriteChp(builder);
    WriteVoc("A.WA~", 5, 8, InputFor(2222));
    const Bytes original = fixtures::ReadFile(project.File("A.WA~"));
    ASSERT_EQ(Import(1), 0);
    EXPECT_EQ(fixtures::ReadFile(project.File("A.WA~")), original);
    EXPECT_EQ(Summarise(project.File("A.wav")).samples, 2221);
}

} // namespace
} // namespace chpimport
