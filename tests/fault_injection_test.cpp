// A whole import of a three-message project, with the n-th file operation of one kind made to
// fail, for every n the import reaches: the import completes or says why it stopped, nothing
// it leaves is cut short or half-written under its final name, nothing of the previous
// versions of its files is lost, and the same dialog imports the project whole afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/import_dialog.hpp"
#include "audio/resample/resampler.hpp"
#include "base/file.hpp"
#include "base/message_sink.hpp"
#include "base/work_dir.hpp"
#include "res/resource_ids.h"
#include "support/fixtures.hpp"
#include "support/ini_reader.hpp"
#include "support/scripted_dialog.hpp"

namespace chpimport {
namespace {

namespace fs = std::filesystem;
using fixtures::Bytes;

constexpr int kMessages = 3;
const char* const kOldZpf = "[KZ_ISD_PROJECT]\r\nnb_files=9\r\nchip_selected=OLD\r\n"
                            "file1=old1\r\nfile3=old3\r\nfile9=old9\r\n"
                            "[KZ_ISD_CONCAT]\r\nnb_conc=9\r\nconc1=old\r\nconc_list1=old\r\n"
                            "conc9=CONC9\r\n[Mine]\r\nkeep=me\r\n";
const char* const kOldTbl = "previous table\r\n";

std::string Name(int n, const char* extension) {
    return "MSG0000" + std::to_string(n) + extension;
}

// A dialog that also keeps every status text it was given, with the message number then.
class RecordingDialog : public fixtures::ScriptedDialog {
public:
    void SetItemText(int id, const std::string& text) override {
        ScriptedDialog::SetItemText(id, text);
        if (id == IDC_STATUS && text != " ") statuses.push_back({text, Item(IDC_FILENUMBER)});
    }
    // Every step ends with the wait cursor: the message's failure is known then.
    void ShowWaitCursor() override {
        ScriptedDialog::ShowWaitCursor();
        if (dialog && !dialog->LastFailure().empty())
            failures[Item(IDC_FILENUMBER)] = dialog->LastFailure();
    }
    struct Status {
        std::string text;
        std::string during; // the message number shown, "" before the first step
    };
    std::vector<Status> statuses;
    const ImportDialog* dialog = nullptr;
    std::map<std::string, std::string> failures; // by message number
};

struct Plan {
    IoOp op;
    int nth;
    bool sticky;
};

std::string OpName(IoOp op) {
    static const char* const kNames[] = {"Open",   "Read",  "Write",  "Seek",
                                         "Rename", "Close", "Remove", "Sync"};
    return kNames[static_cast<int>(op)];
}

std::string Describe(const Plan& plan) {
    return (plan.sticky ? "every " : "") + OpName(plan.op) + " from #" + std::to_string(plan.nth);
}

class FaultInjection : public ::testing::Test {
protected:
    void SetUp() override {
        // The project's files as an earlier import left them.
        ResetProject();
        {
            SilentMessageSink sink;
            SampleRateConverter converter(sink, [] { return -1; });
            RecordingDialog ops;
            ImportDialog dialog(ops, converter, sink, work_->Path());
            RunImport(ops, dialog);
            ASSERT_EQ(ops.informs.size(), 1u);
            ops.Click(IDC_OK);
        }
        referenceZpf_ = fixtures::ReadText(dir_.File("DEMO.zpf"));
        for (int n = 1; n <= kMessages; ++n) {
            Bytes wave = fixtures::ReadFile(dir_.File(Name(n, ".wav")));
            ASSERT_GT(wave.size(), 44u);
            referenceHeaders_.push_back(Bytes(wave.begin(), wave.begin() + 44));
        }
        referenceTblSize_ = fixtures::ReadFile(dir_.File("DEMO.tbl")).size();
    }

    void ResetProject() {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(dir_.path(), ec))
            fs::remove_all(entry.path(), ec);
        fixtures::ChpBuilder chp;
        for (int n = 1; n <= kMessages; ++n) {
            chp.Message(static_cast<std::uint16_t>(20 * (n - 1)), Name(n, ".VOC"));
            fixtures::VocBuilder voc;
            voc.rowCount = static_cast<std::uint16_t>(n - 1); // 0: the whole converted message
            Bytes samples(24 + 6 * n); // few samples: one file operation per frame
            for (std::size_t i = 0; i < samples.size(); ++i)
                samples[i] = static_cast<std::uint8_t>(i * 37 + n);
            voc.Sound(211, samples);
            fixtures::WriteFile(dir_.File(Name(n, ".VOC")), voc.Build());
            fixtures::WriteFile(dir_.File(Name(n, ".wav")), PreviousWave(n));
        }
        fixtures::WriteFile(dir_.File("DEMO.CHP"), chp.Build());
        fixtures::WriteFile(dir_.File("DEMO.zpf"),
                            Bytes(kOldZpf, kOldZpf + std::string(kOldZpf).size()));
        fixtures::WriteFile(dir_.File("DEMO.tbl"),
                            Bytes(kOldTbl, kOldTbl + std::string(kOldTbl).size()));
    }

    static Bytes PreviousWave(int n) {
        fixtures::WavBuilder wave;
        wave.sampleRate = 8000; // never the header of a new file
        wave.Samples16(std::vector<std::int16_t>(static_cast<std::size_t>(7 * n),
                                                 static_cast<std::int16_t>(n)));
        return wave.Build();
    }

    void RunImport(RecordingDialog& ops, ImportDialog& dialog) {
        ops.Attach(dialog);
        ops.dialog = &dialog;
        ops.SetItemText(IDC_PATH, dir_.File("DEMO.CHP"));
        ops.Click(IDC_IMPORT);
        ops.RunUntil([&] { return dialog.Session().Importing == 0; });
    }

    // Runs the import under the plan, then checks what it left and imports again.
    void Check(const Plan& plan) {
        SCOPED_TRACE(Describe(plan));
        ResetProject();
        SilentMessageSink sink;
        SampleRateConverter converter(sink, [] { return -1; });
        RecordingDialog ops;
        ImportDialog dialog(ops, converter, sink, work_->Path());
        {
            fixtures::FailIo fault(plan.op, plan.nth, plan.sticky);
            RunImport(ops, dialog);
        }
        ASSERT_EQ(dialog.Session().Importing, 0) << "the import did not finish";
        const bool completed = ops.informs.size() == 1;
        if (!completed) {
            ASSERT_FALSE(ops.statuses.empty()) << "an import that stopped without saying why";
            EXPECT_TRUE(ops.statuses.back().during.empty());
        }
        CheckFiles(plan, ops);

        // The same dialog imports the whole project now.
        ops.statuses.clear();
        ops.informs.clear();
        RunImport(ops, dialog);
        ASSERT_EQ(ops.informs.size(), 1u);
        EXPECT_TRUE(ops.statuses.empty());
        const fixtures::IniFile zpf(fixtures::ReadText(dir_.File("DEMO.zpf")));
        const fixtures::IniFile reference(referenceZpf_);
        for (const auto& [section, key] : reference.Keys())
            EXPECT_EQ(zpf.Value(section, key), reference.Value(section, key)) << key;
        for (int n = 1; n <= kMessages; ++n) EXPECT_TRUE(IsNewWave(n)) << n;
        ops.Click(IDC_OK);
        EXPECT_EQ(fixtures::ReadFile(dir_.File("DEMO.tbl")).size(), referenceTblSize_);
    }

    // A final WAV file written by this import: complete, with the reference's header.
    bool IsNewWave(int n) {
        Bytes wave = fixtures::ReadFile(dir_.File(Name(n, ".wav")));
        return wave.size() >= 44 &&
               Bytes(wave.begin(), wave.begin() + 44) == referenceHeaders_[n - 1] &&
               wave.size() ==
                   44u + (referenceHeaders_[n - 1][40] | referenceHeaders_[n - 1][41] << 8);
    }

    bool Reported(const RecordingDialog& ops, int n, const std::string& text) {
        return std::any_of(ops.statuses.begin(), ops.statuses.end(), [&](const auto& s) {
            return s.text == text && s.during == std::to_string(n);
        });
    }

    void CheckFiles(const Plan& plan, const RecordingDialog& ops) {
        const std::string zpfText = fixtures::ReadText(dir_.File("DEMO.zpf"));
        const fixtures::IniFile zpf(zpfText);
        const fixtures::IniFile old(kOldZpf);
        const fixtures::IniFile reference(referenceZpf_);
        // Whole lines only, and every key of the earlier file with its old value or the new.
        for (const fixtures::IniLine& line : zpf.Lines()) {
            EXPECT_TRUE(line.crlf) << "a project file line without its line end";
            EXPECT_NE(line.kind, fixtures::IniLine::Kind::Blank);
        }
        for (const auto& [section, key] : old.Keys()) {
            std::optional<std::string> now = zpf.Value(section, key);
            EXPECT_TRUE(now == old.Value(section, key) || now == reference.Value(section, key))
                << key << " lost its value";
        }
        const std::string tbl = fixtures::ReadText(dir_.File("DEMO.tbl"));
        for (int n = 1; n <= kMessages; ++n) {
            SCOPED_TRACE("message " + std::to_string(n));
            const std::string file = "file" + std::to_string(n);
            const bool listed =
                zpf.Value("KZ_ISD_PROJECT", file) == reference.Value("KZ_ISD_PROJECT", file);
            const bool entry = tbl.find("WORD000" + std::to_string(n - 1)) != std::string::npos;
            const bool newWave = IsNewWave(n);
            // The WAV file is the earlier one or a complete new one, never anything between.
            EXPECT_TRUE(newWave ||
                        fixtures::ReadFile(dir_.File(Name(n, ".wav"))) == PreviousWave(n));
            if (listed) {
                EXPECT_TRUE(newWave) << "the project lists a WAV file not written";
            }
            if (entry) {
                EXPECT_TRUE(listed) << "a table entry for a message the project lacks";
            }
            // A new WAV file the project lacks: the project file could not be written, or
            // the replacement could not be made durable once the file had been renamed.
            if (newWave && !listed) {
                const auto it = ops.failures.find(std::to_string(n));
                const std::string failure = it == ops.failures.end() ? "" : it->second;
                EXPECT_TRUE(Reported(ops, n, "Can't write the project file") ||
                            failure.find("the WAV file could not be written") != std::string::npos)
                    << failure;
            }
            // Listed without a table entry: the table file failed, or the project file's
            // keys are in but could not be made durable.
            if (listed && !entry) {
                EXPECT_TRUE(Reported(ops, n, "Can't write the table file") ||
                            Reported(ops, n, "Can't write the project file"));
            }
        }
        // The earlier table file goes only once the new one has its banner: a refused Import
        // leaves it, or (when only reopening the new file failed) the new one's banner.
        if (!ops.statuses.empty() && ops.statuses.front().text == "Can't create the table file") {
            const std::string banner =
                ";\r\n;\tPROJECT :[" + dir_.File("DEMO.CHP") + "][ISD2560]\r\n;\r\n";
            EXPECT_TRUE(tbl == kOldTbl || tbl == banner);
        }
        if (tbl != kOldTbl) {
            EXPECT_EQ(tbl.rfind(";\r\n;\tPROJECT :[", 0), 0u);
        }
        if (plan.op == IoOp::Remove) return; // leftovers are what a failing delete leaves
        for (const auto& entry : fs::directory_iterator(dir_.path())) {
            const std::string name = entry.path().filename().string();
            EXPECT_EQ(name.find('~'), std::string::npos) << name;
            EXPECT_EQ(name.find(".new"), std::string::npos) << name;
        }
        EXPECT_TRUE(fs::is_empty(work_->Path()));
    }

    // How many operations of the kind a whole import makes.
    int Count(IoOp op) {
        ResetProject();
        SilentMessageSink sink;
        SampleRateConverter converter(sink, [] { return -1; });
        RecordingDialog ops;
        ImportDialog dialog(ops, converter, sink, work_->Path());
        fixtures::FailIo counting(op, INT_MAX);
        RunImport(ops, dialog);
        return counting.seen();
    }

    fixtures::TempDir dir_;
    fixtures::ScopedCurrentDir cwd_{dir_.path()};
    std::optional<WorkDir> work_ = WorkDir::Create();
    std::string referenceZpf_;
    std::vector<Bytes> referenceHeaders_;
    std::size_t referenceTblSize_ = 0;
};

class EveryFailurePoint : public FaultInjection, public ::testing::WithParamInterface<IoOp> {};

TEST_P(EveryFailurePoint, LeavesWholeFilesAndAUsableSession) {
    const int count = Count(GetParam());
    ASSERT_GT(count, 0);
    for (int nth = 1; nth <= count; ++nth) {
        Check({GetParam(), nth, false});
        if (HasFatalFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(Import, EveryFailurePoint,
                         ::testing::Values(IoOp::Open, IoOp::Read, IoOp::Write, IoOp::Seek,
                                           IoOp::Rename, IoOp::Close, IoOp::Remove, IoOp::Sync),
                         [](const ::testing::TestParamInfo<IoOp>& info) {
                             return OpName(info.param);
                         });

// The import's last waits, for the folder of its files and for the table file: a failure of
// either is reported when the import completes, never taken for success.
TEST_F(FaultInjection, FailedLastSyncsAreReported) {
    const int count = Count(IoOp::Sync);
    const struct {
        int nth;
        const char* status;
    } cases[] = {{count - 1, "Can't write the project file"},
                 {count, "Can't write the table file"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        ResetProject();
        SilentMessageSink sink;
        SampleRateConverter converter(sink, [] { return -1; });
        RecordingDialog ops;
        ImportDialog dialog(ops, converter, sink, work_->Path());
        {
            fixtures::FailIo fault(IoOp::Sync, c.nth, false);
            RunImport(ops, dialog);
        }
        EXPECT_EQ(ops.informs.size(), 1u);
        ASSERT_EQ(ops.statuses.size(), 1u);
        EXPECT_EQ(ops.statuses.front().text, c.status);
    }
}

// A disk that fills up: every write from the n-th on fails.
TEST_F(FaultInjection, DiskFullFromAnyWrite) {
    const int count = Count(IoOp::Write);
    for (int nth = 1; nth <= count; ++nth) {
        Check({IoOp::Write, nth, true});
        if (HasFatalFailure()) return;
    }
}

} // namespace
} // namespace chpimport
