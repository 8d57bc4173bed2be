#include <gtest/gtest.h>

#include <string>

#include "base/file.hpp"
#include "project/project_files.hpp"
#include "support/demo_example.hpp"
#include "support/fixtures.hpp"

namespace chpimport {
namespace {

class ProjectFiles : public ::testing::Test {
protected:
    void TearDown() override { SetIoFaultHook(nullptr, nullptr); }

    // Project path, session and expected paths of a project in its own directory.
    fixtures::TempDir dir;
    std::string chp = dir.File("DEMO.CHP");
    std::string zpf = dir.File("DEMO.zpf");
    std::string tbl = dir.File("DEMO.tbl");
    std::string wav1 = dir.File("MESSAGE1.wav");
    std::string wav2 = dir.File("MESSAGE2.wav");

    ImportSession Session(std::int16_t count) {
        ImportSession session;
        session.MessageCount = count;
        session.ChipName = "ISD2560";
        return session;
    }
};

TEST_F(ProjectFiles, TwoMessageProjectFile) {
    ImportSession session = Session(2);
    ASSERT_EQ(WriteProjectSettings(session, chp), 1);
    EXPECT_EQ(session.ProjectFilePath, zpf);
    ASSERT_EQ(WriteMessageSettings(session.ProjectFilePath, 1, wav1, 0, 40), 1);
    ASSERT_EQ(WriteMessageSettings(session.ProjectFilePath, 2, wav2, 40, 25), 1);
    EXPECT_EQ(fixtures::ReadText(zpf), fixtures::DemoProjectFile(wav1, wav2));
}

TEST_F(ProjectFiles, TwoMessageTableFile) {
    std::unique_ptr<TextFile> table = OpenTableFile(chp, "ISD2560");
    ASSERT_TRUE(table);
    WriteTableEntry(table.get(), 1, 0, wav1, 4000);
    WriteTableEntry(table.get(), 2, 40, wav2, 2499);
    CloseTableFile(table);
    EXPECT_FALSE(table);
    EXPECT_EQ(fixtures::ReadText(tbl), fixtures::DemoTableFile(chp, wav1, wav2));
    CloseTableFile(table); // closing again is harmless
}

TEST_F(ProjectFiles, SecondImportKeepsKeysOfAnEarlierLargerOne) {
    ImportSession session = Session(3);
    ASSERT_EQ(WriteProjectSettings(session, chp), 1);
    for (std::int16_t n = 1; n <= 3; ++n)
        WriteMessageSettings(zpf, n, dir.File("OLD" + std::to_string(n) + ".wav"), 10 * n, 5);

    ImportSession again = Session(2);
    again.ChipName = "ISD1020";
    ASSERT_EQ(WriteProjectSettings(again, chp), 1);
    WriteMessageSettings(zpf, 2, wav2, 40, 25); // message 1 failed this time
    const std::string old1 = dir.File("OLD1.wav"), old3 = dir.File("OLD3.wav");
    EXPECT_EQ(fixtures::ReadText(zpf), "[KZ_ISD_PROJECT]\r\nnb_files=2\r\nchip_selected=ISD1020\r\n"
                                       "file1=" +
                                           old1 +
                                           " [110 15]*\r\n"
                                           "file2=" +
                                           wav2 +
                                           " [140 65]*\r\n"
                                           "file3=" +
                                           old3 +
                                           " [130 35]*\r\n"
                                           "[KZ_ISD_CONCAT]\r\nnb_conc=2\r\n"
                                           "conc1=CONC1\r\nconc_list1=1\r\n"
                                           "conc2=CONC2\r\nconc_list2=2\r\n"
                                           "conc3=CONC3\r\nconc_list3=3\r\n");
}

TEST_F(ProjectFiles, FailedWriteLeavesTheOldProjectFile) {
    ImportSession session = Session(1);
    ASSERT_EQ(WriteProjectSettings(session, chp), 1);
    ASSERT_EQ(WriteMessageSettings(zpf, 1, wav1, 0, 40), 1);
    const std::string before = fixtures::ReadText(zpf);
    SetIoFaultHook([](IoOp op, void*) { return op == IoOp::Write; }, nullptr);
    EXPECT_EQ(WriteMessageSettings(zpf, 2, wav2, 40, 25), 0);
    ImportSession larger = Session(5);
    EXPECT_EQ(WriteProjectSettings(larger, chp), 0);
    SetIoFaultHook(nullptr, nullptr);
    EXPECT_EQ(fixtures::ReadText(zpf), before);
}

TEST_F(ProjectFiles, RefusedValuesWriteNothing) {
    ImportSession session = Session(1);
    ASSERT_EQ(WriteProjectSettings(session, chp), 1);
    const std::string before = fixtures::ReadText(zpf);
    // A file value over 255 characters, a path that would inject lines, out-of-range numbers.
    std::string longPath = dir.File(std::string(255, 'x') + ".wav");
    EXPECT_EQ(WriteMessageSettings(zpf, 1, longPath, 0, 1), 0);
    EXPECT_EQ(WriteMessageSettings(zpf, 1, "a.wav\r\n[KZ_ISD_CONCAT]\r\nnb_conc=99", 0, 1), 0);
    EXPECT_EQ(WriteMessageSettings(zpf, 0, wav1, 0, 1), 0);
    EXPECT_EQ(WriteMessageSettings(zpf, 1, wav1, -1, 1), 0);
    ImportSession injected = Session(1);
    injected.ChipName = "ISD\r\nfile1=x";
    EXPECT_EQ(WriteProjectSettings(injected, chp), 0);
    EXPECT_EQ(fixtures::ReadText(zpf), before);
}

TEST_F(ProjectFiles, OverlongProjectPathIsRefused) {
    ImportSession session = Session(1);
    session.ProjectFilePath = "stale";
    EXPECT_EQ(WriteProjectSettings(session, std::string(256, 'p') + ".CHP"), 0);
    EXPECT_EQ(session.ProjectFilePath, "");
    EXPECT_FALSE(OpenTableFile(std::string(256, 'p') + ".CHP", "ISD2560"));
}

TEST(TableEntry, LabelAndAddressFields) {
    fixtures::TempDir dir;
    std::unique_ptr<TextFile> table = OpenTableFile(dir.File("T.CHP"), "X");
    ASSERT_TRUE(table);
    WriteTableEntry(table.get(), 10001, 0x7FFF, "w", 123456);
    WriteTableEntry(table.get(), 1, -1, "w", 1);        // negative address: nothing
    WriteTableEntry(table.get(), 1, 0, "w\r\nCONC", 1); // a line break: nothing
    WriteTableEntry(nullptr, 1, 0, "w", 1);             // no file: nothing, no crash
    table->Close();
    EXPECT_EQ(fixtures::ReadText(dir.File("T.tbl")),
              ";\r\n;\tPROJECT :[" + dir.File("T.CHP") +
                  "][X]\r\n;\r\n"
                  "WORD10000\r\n\tDATA\t7FFF\t;[w][123456 msec][w]\r\n;\r\n");
}

TEST(TableFile, CannotBeCreatedOrWouldTakeALineBreak) {
    fixtures::TempDir dir;
    EXPECT_FALSE(OpenTableFile(dir.File("missing/DEMO.CHP"), "ISD2560"));
    EXPECT_FALSE(OpenTableFile(dir.File("DEMO.CHP"), "ISD\nCONC"));
    EXPECT_FALSE(IsRegularFile(dir.File("DEMO.tbl")));
    std::unique_ptr<TextFile> none;
    CloseTableFile(none);
    EXPECT_FALSE(none);
}

TEST(DebugLog, CreatedAnewInTheCurrentDirectory) {
    fixtures::TempDir dir;
    fixtures::ScopedCurrentDir cwd(dir.path());
    fixtures::WriteFile(dir.File("debug.bid"), {'o', 'l', 'd'});
    std::unique_ptr<TextFile> log = OpenDebugLog();
    ASSERT_TRUE(log);
    log->Write("line\n");
    CloseDebugLog(log);
    EXPECT_FALSE(log);
    CloseDebugLog(log);
    EXPECT_EQ(fixtures::ReadText(dir.File("debug.bid")), "line\r\n");

    SetIoFaultHook([](IoOp op, void*) { return op == IoOp::Open; }, nullptr);
    EXPECT_FALSE(OpenDebugLog());
    SetIoFaultHook(nullptr, nullptr);
}

} // namespace
} // namespace chpimport
