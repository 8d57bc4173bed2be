#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/file.hpp"
#include "base/memory.hpp"
#include "base/path.hpp"
#include "base/text_file.hpp"
#include "support/fixtures.hpp"

namespace chpimport {
namespace {

struct ExtensionCase {
    const char* path;
    const char* extension;
    const char* expected;
};

class ChangeExtensionTest : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(ChangeExtensionTest, JoinsDriveDirectoryAndBaseName) {
    const ExtensionCase& c = GetParam();
    auto result = ChangeExtension(c.path, c.extension);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ChangeExtensionTest,
    ::testing::Values(ExtensionCase{"C:\\VOICE\\DEMO.CHP", ".zpf", "C:\\VOICE\\DEMO.zpf"},
                      ExtensionCase{"C:\\VOICE\\MSG00001.VOC", ".wav", "C:\\VOICE\\MSG00001.wav"},
                      ExtensionCase{"/home/u/proj/DEMO.CHP", ".tbl", "/home/u/proj/DEMO.tbl"},
                      ExtensionCase{"C:DEMO.CHP", ".tbl", "C:DEMO.tbl"},
                      ExtensionCase{"DEMO", ".wav", "DEMO.wav"},
                      ExtensionCase{"a.b.c", ".wav", "a.b.wav"},
                      // A dot in a directory is not an extension.
                      ExtensionCase{"C:\\V.1\\DEMO", ".wav", "C:\\V.1\\DEMO.wav"},
                      ExtensionCase{"dir.d/name", ".zpf", "dir.d/name.zpf"},
                      // Both separators count; the last one wins.
                      ExtensionCase{"C:\\a/b\\c.voc", ".WAV", "C:\\a/b\\c.WAV"},
                      ExtensionCase{"dir/.hidden", ".wav", "dir/.wav"},
                      ExtensionCase{"", ".wav", ".wav"}));

TEST(ChangeExtensionLimits, RefusesPathsOverTheLimit) {
    std::string at(255, 'a');
    EXPECT_FALSE(ChangeExtension(at + "b", ".wav").has_value());
    // 251 characters plus ".VOC" is 255: the result with ".wav" fits exactly.
    std::string name = std::string(251, 'x') + ".VOC";
    ASSERT_TRUE(ChangeExtension(name, ".wav").has_value());
    EXPECT_EQ(ChangeExtension(name, ".wav")->size(), 255u);
    // A longer extension would overflow the 255 characters: refused, not truncated.
    EXPECT_FALSE(ChangeExtension(name, ".wave").has_value());
}

TEST(SplitPath, KeepsEachPart) {
    PathParts parts = SplitPath("D:\\dir\\sub/NAME.EXT");
    EXPECT_EQ(parts.drive, "D:");
    EXPECT_EQ(parts.directory, "\\dir\\sub/");
    EXPECT_EQ(parts.baseName, "NAME");
    EXPECT_EQ(parts.extension, ".EXT");
    // A colon that isn't a drive letter's belongs to the name.
    EXPECT_EQ(SplitPath("1:x").drive, "");
}

TEST(AllocZeroed, GivesZeroFilledMemory) {
    ZeroedArray<std::uint32_t> block(10000);
    for (std::size_t i = 0; i < block.size(); ++i) ASSERT_EQ(block[i], 0u) << i;
    block[9999] = 7;
    EXPECT_EQ(block[9999], 7u);
}

#if GTEST_HAS_DEATH_TEST && !defined(_WIN32)
TEST(AllocZeroedDeathTest, EndsTheProcessWithStatusMinusOneWhenNothingIsObtained) {
    EXPECT_EXIT(AllocZeroed(SIZE_MAX / 2, 4), ::testing::ExitedWithCode(255), "");
}
#endif

TEST(TextFile, WritesCrLfLineEndsOnEveryPlatform) {
    fixtures::TempDir dir;
    auto file = TextFile::Create(dir.File("t.txt"));
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->Printf(";\n;\tPROJECT :[%s][%s]\n", "a", "b"));
    EXPECT_TRUE(file->Write("CONC\n"));
    EXPECT_TRUE(file->Close());
    EXPECT_EQ(fixtures::ReadText(dir.File("t.txt")), ";\r\n;\tPROJECT :[a][b]\r\nCONC\r\n");
}

TEST(FormatText, FormatsWholeAtAnyLength) {
    // The debug line's format at its edges, and a text longer than any buffer on the stack:
    // nothing cut off, not even the last character.
    const char* line = "file %s nb [%hd] addr [%04X] rows %02X %02X\n";
    EXPECT_EQ(FormatText(line, "A.VOC", static_cast<short>(-1), 0xFFFFu, 0u, 0xABu),
              "file A.VOC nb [-1] addr [FFFF] rows 00 AB\n");
    EXPECT_EQ(FormatText("%s", ""), "");
    const std::string longName(5000, 'n');
    EXPECT_EQ(FormatText("[%s]", longName.c_str()), "[" + longName + "]");
}

TEST(File, RefusesDirectoriesAndMissingFiles) {
    fixtures::TempDir dir;
    EXPECT_FALSE(File::Open(dir.path().string(), OpenMode::Read));
    EXPECT_FALSE(File::Open(dir.File("absent"), OpenMode::Read));
    EXPECT_FALSE(File::Open("", OpenMode::Read));
}

TEST(File, MixesReadsAndWritesOnOneHandle) {
    fixtures::TempDir dir;
    File file = File::Open(dir.File("f.bin"), OpenMode::CreateReadWrite);
    ASSERT_TRUE(file);
    ASSERT_EQ(file.Write("abcdef", 6), 6u);
    ASSERT_TRUE(file.Seek(2, SEEK_SET));
    char two[2];
    ASSERT_EQ(file.Read(two, 2), 2u);
    EXPECT_EQ(std::string(two, 2), "cd");
    // A write right after a read lands at the current position.
    ASSERT_EQ(file.Write("XY", 2), 2u);
    EXPECT_EQ(file.Size(), 6);
    EXPECT_EQ(file.Tell(), 6);
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(fixtures::ReadText(dir.File("f.bin")), "abcdXY");
}

struct FaultCounter {
    IoOp op;
    int countdown;
};

bool FailNth(IoOp op, void* context) {
    auto* counter = static_cast<FaultCounter*>(context);
    return op == counter->op && --counter->countdown == 0;
}

TEST(File, FaultHookFailsTheChosenOperation) {
    fixtures::TempDir dir;
    FaultCounter counter{IoOp::Write, 2};
    SetIoFaultHook(FailNth, &counter);
    File file = File::Open(dir.File("f.bin"), OpenMode::Create);
    ASSERT_TRUE(file);
    EXPECT_EQ(file.Write("ab", 2), 2u);
    EXPECT_EQ(file.Write("cd", 2), 0u);
    EXPECT_TRUE(file.HadError());
    EXPECT_FALSE(file.Close());
    SetIoFaultHook(nullptr, nullptr);
    EXPECT_EQ(fixtures::ReadText(dir.File("f.bin")), "ab");
}

TEST(File, RenameReplacesTheTarget) {
    fixtures::TempDir dir;
    fixtures::WriteFile(dir.File("new"), {'n'});
    fixtures::WriteFile(dir.File("old"), {'o', 'o'});
    EXPECT_TRUE(RenameFile(dir.File("new"), dir.File("old")));
    EXPECT_EQ(fixtures::ReadText(dir.File("old")), "n");
    EXPECT_FALSE(IsRegularFile(dir.File("new")));
}

} // namespace
} // namespace chpimport
