#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <string>

#include "app/import_dialog.hpp"
#include "audio/resample/resampler.hpp"
#include "base/message_sink.hpp"
#include "base/work_dir.hpp"
#include "res/resource_ids.h"
#include "support/fixtures.hpp"
#include "support/scripted_dialog.hpp"

namespace chpimport {
namespace {

using fixtures::Bytes;
using fixtures::ScriptedDialog;

constexpr const char* kCompletion = "Zuvan Project File Created:";

// A short spoken-length message: a 440 Hz tone of `samples` 8-bit samples at 22222 Hz.
Bytes ToneVoc(std::size_t samples, std::uint16_t rowCount) {
    Bytes pcm(samples);
    for (std::size_t i = 0; i < samples; ++i)
        pcm[i] = static_cast<std::uint8_t>(
            128 + 100 * std::sin(2 * std::numbers::pi * 440 * i / 22222.0));
    fixtures::VocBuilder voc;
    voc.Sound(211, pcm);
    voc.chipCode = 5;
    voc.rowCount = rowCount;
    return voc.Build();
}

class ImportDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        cwd_ = std::make_unique<fixtures::ScopedCurrentDir>(dir_.path());
        ops_.Attach(dialog_);
        ImportDlgProc(dialog_, DialogEvent::InitDialog, 0);
    }

    // A project of `count` messages in the temporary folder; message numbers in
    // `missing` have no VOC file.
    std::string MakeProject(int count, std::initializer_list<int> missing = {}) {
        fixtures::ChpBuilder chp;
        for (int n = 1; n <= count; ++n) {
            std::string name = "MSG0000" + std::to_string(n) + ".VOC";
            chp.Message(static_cast<std::uint16_t>(40 * (n - 1)), name);
            if (std::find(missing.begin(), missing.end(), n) == missing.end())
                fixtures::WriteFile(dir_.File(name), ToneVoc(4000, 12));
        }
        std::string path = dir_.File("DEMO.CHP");
        fixtures::WriteFile(path, chp.Build());
        return path;
    }

    void StartImport(const std::string& path, bool zuvan = false) {
        ops_.SetItemText(IDC_PATH, path);
        ops_.SetChecked(IDC_ZUVAN, zuvan);
        ops_.Click(IDC_IMPORT);
    }

    std::string Tbl() { return fixtures::ReadText(dir_.File("DEMO.tbl")); }
    std::string Zpf() { return fixtures::ReadText(dir_.File("DEMO.zpf")); }
    static int Count(const std::string& text, const std::string& what) {
        int n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos;
             at = text.find(what, at + 1))
            ++n;
        return n;
    }

    fixtures::TempDir dir_;
    std::unique_ptr<fixtures::ScopedCurrentDir> cwd_;
    SilentMessageSink sink_;
    SampleRateConverter converter_{sink_, [] { return -1; }};
    std::optional<WorkDir> work_ = WorkDir::Create();
    ScriptedDialog ops_;
    ImportDialog dialog_{ops_, converter_, sink_, work_->Path()};
};

TEST_F(ImportDialogTest, PathNamingNoFileShowsStatusAndClearsItTwoSecondsLater) {
    ops_.SetItemText(IDC_PROJECT, "old");
    ops_.SetItemText(IDC_MSGCOUNT, "7");
    StartImport(dir_.File("NOPE.CHP"));
    EXPECT_EQ(ops_.Item(IDC_STATUS), "Invalid CHP file");
    EXPECT_EQ(ops_.Item(IDC_PATH), " ");
    EXPECT_EQ(ops_.Item(IDC_PROJECT), " ");
    EXPECT_EQ(ops_.Item(IDC_CHIPTYPE), " ");
    EXPECT_EQ(ops_.Item(IDC_MSGCOUNT), "7"); // the count is never blanked
    EXPECT_EQ(dialog_.Session().Importing, 0);

    ASSERT_TRUE(ops_.DeliverNext());
    EXPECT_EQ(ops_.Now(), 2000u);
    EXPECT_EQ(ops_.Item(IDC_STATUS), " ");
    EXPECT_FALSE(ops_.TimerRunning(ID_STATUS_TIMER));
    EXPECT_FALSE(ops_.DeliverNext());
}

TEST_F(ImportDialogTest, SecondStatusWithinTwoSecondsRestartsTheClearing) {
    StartImport(dir_.File("NOPE.CHP"));
    // Let 1500 ms pass with another timer, then fail again.
    ops_.StartTimer(99, 1500);
    ASSERT_TRUE(ops_.DeliverNext());
    ops_.StopTimer(99);
    ASSERT_EQ(ops_.Now(), 1500u);
    StartImport(dir_.File("NOPE.CHP"));
    ASSERT_TRUE(ops_.DeliverNext());
    EXPECT_EQ(ops_.Now(), 3500u);
    EXPECT_EQ(ops_.Item(IDC_STATUS), " ");
}

TEST_F(ImportDialogTest, ThreeMessagesWithTheSecondFailing) {
    std::string path = MakeProject(3, {2});
    StartImport(path);
    EXPECT_EQ(dialog_.Session().Importing, 1);
    EXPECT_TRUE(ops_.WaitCursor());
    ops_.RunAll();

    ASSERT_EQ(ops_.informs.size(), 1u);
    EXPECT_EQ(ops_.informs[0].caption, kCompletion);
    EXPECT_EQ(ops_.informs[0].text, dir_.File("DEMO.zpf"));
    EXPECT_FALSE(ops_.WaitCursor());
    EXPECT_EQ(dialog_.Session().Importing, 0);
    EXPECT_EQ(ops_.Item(IDC_FILENUMBER), "3"); // the last number, not one more
    EXPECT_EQ(ops_.Item(IDC_ADDRESS), "80");
    EXPECT_EQ(ops_.Item(IDC_FILENAME), dir_.File("MSG00003.wav"));

    std::string zpf = Zpf();
    EXPECT_NE(zpf.find("nb_files=3\r\n"), std::string::npos);
    EXPECT_NE(zpf.find("file1="), std::string::npos);
    EXPECT_EQ(zpf.find("file2="), std::string::npos);
    EXPECT_NE(zpf.find("file3="), std::string::npos);
    EXPECT_EQ(zpf.find("conc2="), std::string::npos);
    std::string tbl = Tbl();
    EXPECT_NE(tbl.find("WORD0000\r\n"), std::string::npos);
    EXPECT_EQ(tbl.find("WORD0001"), std::string::npos);
    EXPECT_NE(tbl.find("WORD0002\r\n"), std::string::npos);
    EXPECT_EQ(Count(tbl, "CONC"), 0); // not before OK
    // Steps are 100 ms apart: three steps, the first 100 ms after Import.
    EXPECT_EQ(ops_.informs[0].at, 300u);

    ops_.Click(IDC_OK);
    EXPECT_TRUE(ops_.Ended());
    EXPECT_EQ(ops_.Result(), 1);
    EXPECT_EQ(Count(Tbl(), "CONC\r\n"), 1);
    EXPECT_EQ(Tbl().substr(Tbl().size() - 6), "CONC\r\n");
}

TEST_F(ImportDialogTest, DebugLogIsClosedAtCompletionWithOneLinePerMessage) {
    StartImport(MakeProject(2));
    ops_.RunAll();
    std::string log = fixtures::ReadText(dir_.File("debug.bid"));
    EXPECT_EQ(Count(log, "\r\n"), 2);
    EXPECT_EQ(
        log.rfind("file " + dir_.File("MSG00001.VOC") + " nb [1] addr [0000] rows 0C 00\r\n", 0),
        0u);
}

struct AbortCase {
    const char* name;
    bool answer;
    int eventsDuringQuestion;
    bool ends;
    int entriesBeforeConc;
};

class ImportDialogAbort : public ImportDialogTest,
                          public ::testing::WithParamInterface<AbortCase> {};

TEST_P(ImportDialogAbort, OkDuringAnImportAsksFirst) {
    const AbortCase& c = GetParam();
    StartImport(MakeProject(3));
    // Run the first step only.
    ops_.RunUntil([&] { return ops_.Item(IDC_FILENUMBER) == "1"; });
    ASSERT_EQ(dialog_.Session().Importing, 1);

    ops_.answers.push_back(c.answer);
    ops_.eventsDuringQuestion = c.eventsDuringQuestion;
    ops_.Click(IDC_OK);
    ASSERT_EQ(ops_.questions.size(), 1u);
    EXPECT_EQ(ops_.questions[0].text, "Not Finished Importing! Abort ?");
    EXPECT_EQ(ops_.questions[0].caption, "User Input Required");
    EXPECT_EQ(ops_.Ended(), c.ends);
    if (c.ends) {
        std::string tbl = Tbl();
        EXPECT_EQ(Count(tbl, "WORD"), c.entriesBeforeConc);
        EXPECT_EQ(tbl.substr(tbl.size() - 6), "CONC\r\n");
    } else {
        // The import goes on and completes normally.
        ops_.RunAll();
        EXPECT_EQ(ops_.informs.size(), 1u);
        EXPECT_EQ(Count(Tbl(), "WORD"), 3);
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, ImportDialogAbort,
                         ::testing::Values(AbortCase{"No", false, 0, false, 0},
                                           AbortCase{"Yes", true, 0, true, 1},
                                           // Steps keep running while the question is shown: one
                                           // more message is imported before the answer.
                                           AbortCase{"YesAfterAStep", true, 2, true, 2},
                                           // ...or all of them, and the completion box appears too.
                                           AbortCase{"YesAfterCompletion", true, 100, true, 3}),
                         [](const auto& info) { return info.param.name; });

TEST_F(ImportDialogTest, CompletionDuringTheQuestionShowsItsBoxAsWell) {
    StartImport(MakeProject(2));
    ops_.answers.push_back(true);
    ops_.eventsDuringQuestion = 100;
    ops_.Click(IDC_OK);
    EXPECT_EQ(ops_.informs.size(), 1u);
    EXPECT_TRUE(ops_.Ended());
    EXPECT_EQ(Count(Tbl(), "CONC\r\n"), 1);
}

TEST_F(ImportDialogTest, EscapeIsIgnoredAndTheCloseBoxEndsAtOnceWithoutConc) {
    StartImport(MakeProject(2));
    ops_.RunAll();
    ops_.Click(IDC_CANCEL);
    EXPECT_FALSE(ops_.Ended());
    ImportDlgProc(dialog_, DialogEvent::Close, 0);
    EXPECT_TRUE(ops_.Destroyed());
    EXPECT_TRUE(ops_.questions.empty());
    std::string tbl = Tbl();
    EXPECT_EQ(Count(tbl, "CONC"), 0);
    EXPECT_EQ(tbl.substr(tbl.size() - 3), ";\r\n");
}

TEST_F(ImportDialogTest, CloseBoxDuringAnImportAsksNothing) {
    StartImport(MakeProject(3));
    ImportDlgProc(dialog_, DialogEvent::Close, 0);
    EXPECT_TRUE(ops_.Destroyed());
    EXPECT_TRUE(ops_.questions.empty());
    EXPECT_FALSE(ops_.DeliverNext());
}

TEST_F(ImportDialogTest, OkWhenIdleWithoutAnImportJustEnds) {
    ops_.Click(IDC_OK);
    EXPECT_TRUE(ops_.Ended());
    EXPECT_FALSE(std::filesystem::exists(dir_.File("DEMO.tbl")));
}

TEST_F(ImportDialogTest, BrowseAndImportAreIgnoredWhileImporting) {
    std::string path = MakeProject(2);
    StartImport(path);
    ops_.SetItemText(IDC_PATH, dir_.File("OTHER.CHP"));
    ops_.Click(IDC_IMPORT);
    ops_.Click(IDC_BROWSE);
    EXPECT_TRUE(ops_.pickerRequests.empty());
    EXPECT_EQ(dialog_.Session().ProjectPath, path);
    ops_.RunAll();
    EXPECT_EQ(Count(Tbl(), "WORD"), 2);
}

TEST_F(ImportDialogTest, ZeroMessagesCompleteAtOnce) {
    fixtures::ChpBuilder chp;
    fixtures::WriteFile(dir_.File("DEMO.CHP"), chp.Build());
    StartImport(dir_.File("DEMO.CHP"));
    ASSERT_EQ(ops_.informs.size(), 1u);
    EXPECT_EQ(ops_.informs[0].caption, kCompletion);
    EXPECT_EQ(dialog_.Session().Importing, 0);
    EXPECT_NE(Zpf().find("nb_files=0\r\n"), std::string::npos);
}

TEST_F(ImportDialogTest, NewImportFinishesThePreviousTableFileFirst) {
    std::string path = MakeProject(1);
    StartImport(path);
    ops_.RunAll();
    StartImport(path, true);
    EXPECT_EQ(dialog_.Session().ZuvanCompatible, 1);
    ops_.RunAll();
    ops_.Click(IDC_OK);
    // The new file replaced the old one; it holds one banner, one entry and one CONC.
    std::string tbl = Tbl();
    EXPECT_EQ(Count(tbl, "PROJECT :"), 1);
    EXPECT_EQ(Count(tbl, "WORD0000"), 1);
    EXPECT_EQ(Count(tbl, "CONC\r\n"), 1);
}

TEST_F(ImportDialogTest, TableFileThatCannotBeCreatedLeavesTheDialogIdle) {
    std::string path = MakeProject(1);
    std::filesystem::create_directory(dir_.File("DEMO.tbl")); // in the way of the file
    StartImport(path);
    EXPECT_EQ(ops_.Item(IDC_STATUS), "Can't create the table file");
    EXPECT_EQ(dialog_.Session().Importing, 0);
    EXPECT_FALSE(ops_.TimerRunning(ID_STEP_TIMER));
    ops_.RunAll();
    EXPECT_EQ(ops_.Item(IDC_STATUS), " ");
    EXPECT_TRUE(ops_.informs.empty());
}

TEST_F(ImportDialogTest, InitDialogClearsTheCheckBox) {
    ops_.SetChecked(IDC_ZUVAN, true);
    ImportDlgProc(dialog_, DialogEvent::InitDialog, 0);
    EXPECT_FALSE(ops_.IsChecked(IDC_ZUVAN));
    EXPECT_EQ(dialog_.Session().ZuvanCompatible, 0);
}

TEST_F(ImportDialogTest, HelpOpensContextOneInBothStates) {
    ops_.Click(IDC_HELPBTN);
    StartImport(MakeProject(1));
    ops_.Click(IDC_HELPBTN);
    EXPECT_EQ(ops_.helpCalls, (std::vector<std::string>{"tolvanex.hlp#1", "tolvanex.hlp#1"}));
}

TEST_F(ImportDialogTest, CommandsMatchOnlyTheWholeWord) {
    std::string path = MakeProject(1);
    ops_.SetItemText(IDC_PATH, path);
    // A notification code in the high word is not a click.
    ImportDlgProc(dialog_, DialogEvent::Command, (1u << 16) | IDC_IMPORT);
    EXPECT_EQ(dialog_.Session().Importing, 0);
    EXPECT_EQ(ImportDlgProc(dialog_, DialogEvent::Command, IDC_IMPORT), 1);
    EXPECT_EQ(dialog_.Session().Importing, 1);
    EXPECT_EQ(ImportDlgProc(dialog_, DialogEvent::Timer, 77), 0);
    EXPECT_EQ(ImportDlgProc(dialog_, DialogEvent::Other, 0), 0);
}

TEST_F(ImportDialogTest, BrowseShowsTheChosenProject) {
    std::string path = MakeProject(2);
    ops_.pickerResults.push_back({PickerResult::Kind::Chosen, path, 0});
    ops_.Click(IDC_BROWSE);
    EXPECT_EQ(ops_.Item(IDC_PATH), path);
    EXPECT_EQ(ops_.Item(IDC_PROJECT), "DEMO");
    EXPECT_EQ(ops_.Item(IDC_CHIPTYPE), "ISD2560");
    EXPECT_EQ(ops_.Item(IDC_MSGCOUNT), "2");

    // A second Browse starts with an empty name again; cancelling changes nothing.
    ops_.Click(IDC_BROWSE);
    ASSERT_EQ(ops_.pickerRequests.size(), 2u);
    EXPECT_EQ(ops_.pickerRequests[1].initialName, "");
    EXPECT_EQ(ops_.pickerRequests[1].defaultExtension, "chp");
    EXPECT_EQ(ops_.Item(IDC_PATH), path);
}

TEST_F(ImportDialogTest, BrowseOfAnInvalidProjectBlanksTheFields) {
    fixtures::WriteFile(dir_.File("BAD.CHP"), {'x'});
    ops_.pickerResults.push_back({PickerResult::Kind::Chosen, dir_.File("BAD.CHP"), 0});
    ops_.Click(IDC_BROWSE);
    EXPECT_EQ(ops_.Item(IDC_STATUS), "Invalid CHP file");
    EXPECT_EQ(ops_.Item(IDC_PATH), " ");
}

// A project handed over from outside (dropped on the dialog, the program's start path)
// shows exactly as the same path picked with Browse, and starts nothing.
TEST_F(ImportDialogTest, OpenedProjectShowsAsAPickWould) {
    const std::string valid = MakeProject(2);
    fixtures::WriteFile(dir_.File("BAD.CHP"), {'x'});
    for (const std::string& path : {valid, dir_.File("BAD.CHP")}) {
        ScriptedDialog picked, opened;
        ImportDialog pickedDialog{picked, converter_, sink_, work_->Path()};
        ImportDialog openedDialog{opened, converter_, sink_, work_->Path()};
        picked.Attach(pickedDialog);
        opened.Attach(openedDialog);
        picked.pickerResults.push_back({PickerResult::Kind::Chosen, path, 0});
        picked.Click(IDC_BROWSE);
        openedDialog.OnOpenProject(path);
        for (int id : {IDC_PATH, IDC_STATUS, IDC_PROJECT, IDC_CHIPTYPE, IDC_MSGCOUNT})
            EXPECT_EQ(opened.Item(id), picked.Item(id)) << path << ", item " << id;
        EXPECT_EQ(opened.Item(IDC_MSGCOUNT), path == valid ? "2" : "");
        EXPECT_FALSE(opened.TimerRunning(ID_STEP_TIMER));
    }
    // Longer than the path field holds: refused, never cut short to another file's name.
    std::string longPath = dir_.path().string();
    while (longPath.size() <= 255) longPath += "/.";
    dialog_.OnOpenProject(longPath + "/DEMO.CHP");
    EXPECT_EQ(ops_.Item(IDC_PATH), " ");
    // During an import: ignored, as Browse is.
    StartImport(valid);
    dialog_.OnOpenProject(dir_.File("BAD.CHP"));
    EXPECT_EQ(ops_.Item(IDC_PATH), valid);
    ops_.RunAll();
    EXPECT_EQ(Count(Tbl(), "WORD"), 2);
}

TEST_F(ImportDialogTest, PickerBufferTooSmallIsReported) {
    ops_.pickerResults.push_back({PickerResult::Kind::Failed, "", kPickerBufferTooSmall});
    ops_.pickerResults.push_back({PickerResult::Kind::Failed, "", 0xFFFF});
    ops_.Click(IDC_BROWSE);
    ops_.Click(IDC_BROWSE);
    ASSERT_EQ(ops_.errors.size(), 1u);
    EXPECT_EQ(ops_.errors[0].text, "Buffer too small");
    EXPECT_EQ(ops_.errors[0].caption, "Error");
}

TEST_F(ImportDialogTest, PickerFilterBecomesNulSeparatedPairs) {
    ops_.Click(IDC_BROWSE);
    ASSERT_EQ(ops_.pickerRequests.size(), 1u);
    EXPECT_EQ(ops_.pickerRequests[0].filter, std::string("chp Files(*.CHP)\0*.chp\0\0", 24));
    EXPECT_FALSE(ops_.pickerRequests[0].hasOwner);
    EXPECT_EQ(ops_.pickerRequests[0].bufferSize, 255u);
}

struct FilterCase {
    std::string filter;
    std::string converted; // without the terminating extra NUL
};

class PickerFilter : public ::testing::TestWithParam<FilterCase> {};

TEST_P(PickerFilter, LastCharacterIsTheSeparator) {
    auto converted = ConvertPickerFilter(GetParam().filter);
    ASSERT_TRUE(converted.has_value());
    EXPECT_EQ(*converted, GetParam().converted + std::string(1, '\0'));
}

using namespace std::string_literals;
INSTANTIATE_TEST_SUITE_P(Filters, PickerFilter,
                         ::testing::Values(FilterCase{"chp Files(*.CHP)|*.chp|",
                                                      "chp Files(*.CHP)\0*.chp\0"s},
                                           FilterCase{"A|*.a|B|*.b|", "A\0*.a\0B\0*.b\0"s},
                                           FilterCase{"A;*.a;B|x;", "A\0*.a\0B|x\0"s},
                                           FilterCase{"Any#*.*#", "Any\0*.*\0"s}));

TEST(PickerFilterLimits, EmptyGivesNothingAndLongIsCutAt255) {
    EXPECT_FALSE(ConvertPickerFilter("").has_value());
    std::string longFilter = std::string(300, 'a');
    auto converted = ConvertPickerFilter(longFilter);
    ASSERT_TRUE(converted.has_value());
    // The 255th character is the separator: every 'a' becomes a NUL.
    EXPECT_EQ(*converted, std::string(256, '\0'));
}

} // namespace
} // namespace chpimport
