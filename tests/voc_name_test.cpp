#include <gtest/gtest.h>

#include <string>

#include "chp/voc_name.hpp"
#include "support/fixtures.hpp"

namespace chpimport {
namespace {

class SafeVocName : public ::testing::TestWithParam<const char*> {};
class UnsafeVocName : public ::testing::TestWithParam<std::string> {};

TEST_P(SafeVocName, IsUsed) {
    EXPECT_TRUE(IsSafeVocName(GetParam()));
}

TEST_P(UnsafeVocName, IsRefused) {
    EXPECT_FALSE(IsSafeVocName(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Names, SafeVocName,
                         ::testing::Values("MSG00001.VOC", "A.VOC", "a b.voc", "..X.VOC", "X..VOC",
                                           "CONSOLE.VOC", "COM10.VOC", "NULL", "LPT0.VOC",
                                           "\xE9T\xC9.VOC"));

INSTANTIATE_TEST_SUITE_P(Names, UnsafeVocName,
                         ::testing::Values("", "..\\X.VOC", "../X.VOC", "..", ".", "...", ". .",
                                           "SUB\\A.VOC", "SUB/A.VOC", "\\ROOT.VOC", "/etc/passwd",
                                           "C:X.VOC", "X.VOC:ads", "A\nB.VOC", "A\r.VOC",
                                           "A\tB.VOC", "A\x7F.VOC", std::string("A\0B", 3), "CON",
                                           "con.voc", "NUL.VOC", "AUX", "PRN.VOC", "COM1.VOC",
                                           "lpt9", "CON .VOC"));

TEST(FindFileIgnoringCase, ExactNameFirst) {
    fixtures::TempDir dir;
    fixtures::WriteFile(dir.File("MSG1.VOC"), {1});
    const std::string prefix = dir.path().string() + "/";
    EXPECT_EQ(FindFileIgnoringCase(prefix, "MSG1.VOC"), "MSG1.VOC");
    EXPECT_EQ(FindFileIgnoringCase(prefix, "MISSING.VOC"), std::nullopt);
}

TEST(FindFileIgnoringCase, LowerCaseFileOnDisk) {
    fixtures::TempDir dir;
    fixtures::WriteFile(dir.File("msg00001.voc"), {1});
    std::filesystem::create_directory(dir.path() / "msg00002.voc"); // a folder is no file
    const std::string prefix = dir.path().string() + "/";
    std::optional<std::string> found = FindFileIgnoringCase(prefix, "MSG00001.VOC");
    ASSERT_TRUE(found);
#ifdef _WIN32
    EXPECT_EQ(*found, "MSG00001.VOC"); // the file system itself ignores case
#else
    EXPECT_EQ(*found, "msg00001.voc");
#endif
    EXPECT_EQ(FindFileIgnoringCase(prefix, "MSG00002.VOC"), std::nullopt);
}

TEST(FindFileIgnoringCase, RelativeToTheCurrentDirectory) {
    fixtures::TempDir dir;
    fixtures::WriteFile(dir.File("Msg.Voc"), {1});
    fixtures::ScopedCurrentDir cwd(dir.path());
    std::optional<std::string> found = FindFileIgnoringCase("", "MSG.VOC");
    ASSERT_TRUE(found);
    EXPECT_TRUE(fixtures::ReadFile(*found) == fixtures::Bytes{1});
}

} // namespace
} // namespace chpimport
