#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/file.hpp"
#include "project/profile_writer.hpp"
#include "support/fixtures.hpp"

namespace chpimport {
namespace {

struct UpdateCase {
    const char* name;
    std::string before;
    std::vector<ProfileEntry> entries;
    std::string after;
};

class ProfileUpdate : public ::testing::TestWithParam<UpdateCase> {};

TEST_P(ProfileUpdate, GivesTheExpectedText) {
    const UpdateCase& c = GetParam();
    EXPECT_EQ(ApplyProfileEntries(c.before, c.entries), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ProfileUpdate,
    ::testing::Values(
        UpdateCase{"NewFile", "", {{"S", "k", "v"}}, "[S]\r\nk=v\r\n"},
        UpdateCase{"ReplacedInPlaceIgnoringCase",
                   "[s]\r\nK=old\r\nz=1\r\n",
                   {{"S", "k", "new"}},
                   "[s]\r\nK=new\r\nz=1\r\n"},
        UpdateCase{"NewKeyAtEndOfItsSectionBeforeBlankLines",
                   "[A]\r\na=1\r\n\r\n[B]\r\nb=1\r\n",
                   {{"A", "c", "3"}},
                   "[A]\r\na=1\r\nc=3\r\n\r\n[B]\r\nb=1\r\n"},
        UpdateCase{"MissingSectionAppendedWithoutBlankLine",
                   "[A]\r\na=1\r\n",
                   {{"B", "b", "2"}},
                   "[A]\r\na=1\r\n[B]\r\nb=2\r\n"},
        UpdateCase{
            "LastLineWithoutLineEnd", "[A]\r\na=1", {{"A", "b", "2"}}, "[A]\r\na=1\r\nb=2\r\n"},
        UpdateCase{"LastLineWithoutLineEndNewSection",
                   "[A]\r\na=1",
                   {{"B", "b", "2"}},
                   "[A]\r\na=1\r\n[B]\r\nb=2\r\n"},
        UpdateCase{"OtherLinesKeptByteForByte",
                   "; note\n[A]\na=1\n  junk line\n\n[B]\r\n",
                   {{"A", "new", "2"}},
                   "; note\n[A]\na=1\n  junk line\nnew=2\r\n\n[B]\r\n"},
        UpdateCase{"BlanksAroundNamesIgnored",
                   "  [ A ]  \r\n  a = 1\r\n",
                   {{"a", "A", "2"}},
                   "  [ A ]  \r\na=2\r\n"},
        UpdateCase{"FirstOfTwoSameSections",
                   "[A]\r\nk=1\r\n[A]\r\nk=2\r\n",
                   {{"A", "k", "9"}},
                   "[A]\r\nk=9\r\n[A]\r\nk=2\r\n"},
        UpdateCase{"KeyOfAnotherSectionUntouched",
                   "[A]\r\nk=1\r\n[B]\r\n",
                   {{"B", "k", "2"}},
                   "[A]\r\nk=1\r\n[B]\r\nk=2\r\n"},
        UpdateCase{
            "CommentIsNoKey", "[A]\r\n;k=1\r\n", {{"A", "k", "2"}}, "[A]\r\n;k=1\r\nk=2\r\n"},
        UpdateCase{"KeysBeforeAnySectionBelongToNone",
                   "k=1\r\n",
                   {{"A", "k", "2"}},
                   "k=1\r\n[A]\r\nk=2\r\n"},
        UpdateCase{"PrefixOfALongerKeyIsAnotherKey",
                   "[A]\r\nfile10=x\r\n",
                   {{"A", "file1", "y"}},
                   "[A]\r\nfile10=x\r\nfile1=y\r\n"},
        UpdateCase{"ValuesMayHoldEqualsOrBeEmpty",
                   "[A]\r\nk=1\r\n",
                   {{"A", "k", "x=y"}, {"A", "e", ""}},
                   "[A]\r\nk=x=y\r\ne=\r\n"},
        UpdateCase{"EntriesApplyInOrder",
                   "",
                   {{"P", "a", "1"}, {"C", "b", "2"}, {"P", "c", "3"}, {"P", "a", "4"}},
                   "[P]\r\na=4\r\nc=3\r\n[C]\r\nb=2\r\n"}),
    [](const ::testing::TestParamInfo<UpdateCase>& info) { return info.param.name; });

TEST(ProfileEntryCheck, RefusesWhatWouldNotStayOneLine) {
    EXPECT_TRUE(IsWritableEntry({"S", "k", "v"}));
    EXPECT_TRUE(IsWritableEntry({"S", "k", ""}));
    EXPECT_TRUE(IsWritableEntry({"S", "k", std::string(255, 'v')}));
    EXPECT_FALSE(IsWritableEntry({"S", "k", std::string(256, 'v')}));
    EXPECT_FALSE(IsWritableEntry({"S", "k", "a\r\n[X]"}));
    EXPECT_FALSE(IsWritableEntry({"S", "k", "a\nb"}));
    EXPECT_FALSE(IsWritableEntry({"S", "k", std::string("a\0b", 3)}));
    EXPECT_FALSE(IsWritableEntry({"S", "k=x", "v"}));
    EXPECT_FALSE(IsWritableEntry({"S", "", "v"}));
    EXPECT_FALSE(IsWritableEntry({"S", " k", "v"}));
    EXPECT_FALSE(IsWritableEntry({"S", ";k", "v"}));
    EXPECT_FALSE(IsWritableEntry({"S]", "k", "v"}));
    EXPECT_FALSE(IsWritableEntry({"", "k", "v"}));
    EXPECT_FALSE(IsWritableEntry({"S\r\n", "k", "v"}));
}

struct FaultOn {
    IoOp op;
};

bool FailOp(IoOp op, void* context) {
    return op == static_cast<FaultOn*>(context)->op;
}

class ProfileFile : public ::testing::Test {
protected:
    void TearDown() override { SetIoFaultHook(nullptr, nullptr); }
    fixtures::TempDir dir;
    std::string path = dir.File("P.zpf");
};

TEST_F(ProfileFile, CreatesAMissingFile) {
    ASSERT_TRUE(WriteProfileStrings(path, {{"S", "k", "v"}}));
    EXPECT_EQ(fixtures::ReadText(path), "[S]\r\nk=v\r\n");
    EXPECT_FALSE(IsRegularFile(path + ".new"));
}

TEST_F(ProfileFile, UpdatesAnExistingFile) {
    fixtures::WriteFile(path, {'[', 'S', ']', '\n', 'k', '=', '1', '\n'});
    ASSERT_TRUE(WriteProfileStrings(path, {{"S", "k", "2"}, {"S", "j", "3"}}));
    EXPECT_EQ(fixtures::ReadText(path), "[S]\nk=2\r\nj=3\r\n");
}

TEST_F(ProfileFile, RefusedEntryWritesNothing) {
    EXPECT_FALSE(WriteProfileStrings(path, {{"S", "k", "v"}, {"S", "x", "a\r\nb=c"}}));
    EXPECT_FALSE(IsRegularFile(path));
}

class ProfileFileFault : public ProfileFile, public ::testing::WithParamInterface<IoOp> {};

TEST_P(ProfileFileFault, LeavesTheOldFileIntact) {
    const std::string old = "[S]\r\nk=1\r\nother=keep\r\n";
    fixtures::WriteFile(path, fixtures::Bytes(old.begin(), old.end()));
    FaultOn fault{GetParam()};
    SetIoFaultHook(FailOp, &fault);
    EXPECT_FALSE(WriteProfileStrings(path, {{"S", "k", "2"}}));
    SetIoFaultHook(nullptr, nullptr);
    EXPECT_EQ(fixtures::ReadText(path), old);
    EXPECT_FALSE(IsRegularFile(path + ".new"));
}

INSTANTIATE_TEST_SUITE_P(EachStep, ProfileFileFault,
                         ::testing::Values(IoOp::Open, IoOp::Read, IoOp::Write, IoOp::Close,
                                           IoOp::Rename));

TEST_F(ProfileFile, DirectoryInTheWayIsRefused) {
    std::filesystem::create_directory(path);
    EXPECT_FALSE(WriteProfileStrings(path, {{"S", "k", "v"}}));
    EXPECT_TRUE(IsDirectory(path));
}

} // namespace
} // namespace chpimport
