// Bad inputs from the outside world, end to end through the session and the command line:
// each is refused or passed over with a message that says what is wrong.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "app/import_dialog.hpp"
#include "audio/resample/resampler.hpp"
#include "audio/voc_decoder.hpp"
#include "audio/wav_post.hpp"
#include "base/message_sink.hpp"
#include "base/work_dir.hpp"
#include "cli/cli.hpp"
#include "res/resource_ids.h"
#include "support/fixtures.hpp"
#include "support/ini_reader.hpp"
#include "support/scripted_dialog.hpp"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace chpimport {
namespace {

namespace fs = std::filesystem;
using fixtures::Bytes;

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun Cli(const cli::Args& args) {
    std::ostringstream out, err;
    const int status = cli::Run(args, {out, err});
    return {status, out.str(), err.str()};
}

Bytes Message(std::uint16_t rowCount) {
    fixtures::VocBuilder voc;
    voc.rowCount = rowCount;
    voc.Sound(211, Bytes(300, 0x90));
    return voc.Build();
}

// Lets file permissions bite for the length of a scope. They don't stop the superuser, so as
// root the scope runs under the effective user "nobody", who is given `folder`; the real user
// stays root, which brings the superuser back at the end. Windows has no unreadable files of
// this kind.
class PermissionsBite {
public:
    explicit PermissionsBite([[maybe_unused]] const fs::path& folder) {
#ifndef _WIN32
        if (geteuid() != 0) {
            active_ = true;
            return;
        }
        constexpr uid_t kNobody = 65534;
        std::error_code ec;
        for (const auto& entry : fs::recursive_directory_iterator(folder, ec))
            if (lchown(entry.path().c_str(), kNobody, kNobody) != 0) return;
        if (chown(folder.c_str(), kNobody, kNobody) != 0) return;
        if (setegid(kNobody) != 0) return;
        switched_ = true;
        if (seteuid(kNobody) != 0) return;
        // The folder must be within reach: not below a folder only root may enter. Asked for
        // the effective user: access() would answer for root, the real one.
        active_ = faccessat(AT_FDCWD, folder.c_str(), R_OK | W_OK | X_OK, AT_EACCESS) == 0;
#endif
    }
    ~PermissionsBite() {
#ifndef _WIN32
        if (switched_ && (seteuid(0) != 0 || setegid(0) != 0)) std::abort();
#endif
    }
    PermissionsBite(const PermissionsBite&) = delete;
    PermissionsBite& operator=(const PermissionsBite&) = delete;
    bool Active() const {
        return active_;
    }

private:
    bool active_ = false;
    bool switched_ = false;
};

class HostileInputs : public ::testing::Test {
protected:
    // A project of `count` messages MSG0000n.VOC; `present` of them have their VOC file.
    std::string MakeProject(int count, int present, std::uint16_t messageCount = 0) {
        fixtures::ChpBuilder chp;
        for (int n = 1; n <= count; ++n) {
            const std::string name = "MSG0000" + std::to_string(n) + ".VOC";
            chp.Message(static_cast<std::uint16_t>(10 * n), name);
            if (n <= present) fixtures::WriteFile(dir_.File(name), Message(2));
        }
        if (messageCount != 0) chp.messageCount = messageCount;
        fixtures::WriteFile(chp_, chp.Build());
        return chp_;
    }

    // The whole import in the dialog; the number of events it took.
    int DialogImport(const std::string& path) {
        ops_.Attach(dialog_);
        ops_.SetItemText(IDC_PATH, path);
        ops_.Click(IDC_IMPORT);
        return ops_.RunUntil([&] { return dialog_.Session().Importing == 0; });
    }

    fixtures::TempDir dir_;
    fixtures::ScopedCurrentDir cwd_{dir_.path()};
    std::string chp_ = dir_.File("DEMO.CHP");
    SilentMessageSink sink_;
    SampleRateConverter converter_{sink_, [] { return -1; }};
    std::optional<WorkDir> work_ = WorkDir::Create();
    fixtures::ScriptedDialog ops_;
    ImportDialog dialog_{ops_, converter_, sink_, work_->Path()};
};

TEST_F(HostileInputs, ChpPathThatIsAFolder) {
    fs::create_directory(dir_.File("FOLDER.CHP"));
    DialogImport(dir_.File("FOLDER.CHP"));
    EXPECT_EQ(ops_.Item(IDC_STATUS), "Invalid CHP file");
    EXPECT_EQ(dialog_.Session().Importing, 0);

    CliRun run = Cli({"info", dir_.File("FOLDER.CHP")});
    EXPECT_EQ(run.status, cli::kExitUsage);
    EXPECT_EQ(run.err,
              "Invalid CHP file\n" + dir_.File("FOLDER.CHP") + ": it is a folder, not a file\n");
    // `import` takes a folder for the projects in it: there are none.
    run = Cli({"import", dir_.File("FOLDER.CHP")});
    EXPECT_EQ(run.status, cli::kExitUsage);
    EXPECT_EQ(run.err, "chpimport: " + dir_.File("FOLDER.CHP") + ": no .CHP file in this folder\n");
}

TEST_F(HostileInputs, VocNameThatIsAFolder) {
    MakeProject(2, 2);
    fs::remove(dir_.File("MSG00001.VOC"));
    fs::create_directory(dir_.File("MSG00001.VOC"));
    const CliRun run = Cli({"import", chp_});
    EXPECT_EQ(run.status, cli::kExitFailed);
    EXPECT_NE(run.err.find("message 1: " + dir_.File("MSG00001.VOC") +
                           ": the file can't be opened: it is a folder, not a file\n"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("1 of 2 messages failed to import: 1 (see debug.bid)"),
              std::string::npos);
    EXPECT_TRUE(fs::is_regular_file(dir_.File("MSG00002.wav")));
    // The debug log still has the message's line.
    EXPECT_NE(fixtures::ReadText(dir_.File("debug.bid")).find("MSG00001.VOC nb [1]"),
              std::string::npos);

    const CliRun decode = Cli({"decode", dir_.File("MSG00001.VOC"), dir_.File("out.wav")});
    EXPECT_EQ(decode.status, cli::kExitFailed);
    EXPECT_NE(decode.err.find("it is a folder, not a file"), std::string::npos);
}

TEST_F(HostileInputs, UnreadableFiles) {
    // Through the file layer, where permissions can't be relied on: the CHP file's open fails.
    MakeProject(1, 1);
    {
        fixtures::FailIo unreadable(IoOp::Open, 1);
        const CliRun run = Cli({"info", chp_});
        EXPECT_EQ(run.status, cli::kExitUsage);
        EXPECT_NE(run.err.find(chp_ + ": the file can't be opened ("), std::string::npos);
    }
    const PermissionsBite bite(dir_.path());
    if (!bite.Active()) GTEST_SKIP() << "file permissions can't be made to restrict this user";
    fs::permissions(dir_.File("MSG00001.VOC"), fs::perms::none);
    CliRun run = Cli({"import", chp_});
    EXPECT_EQ(run.status, cli::kExitFailed);
    EXPECT_NE(run.err.find("MSG00001.VOC: the file can't be opened: Permission denied"),
              std::string::npos)
        << run.err;
    fs::permissions(chp_, fs::perms::none);
    run = Cli({"import", chp_});
    EXPECT_EQ(run.status, cli::kExitUsage);
    EXPECT_NE(run.err.find(chp_ + ": the file can't be opened (Permission denied)"),
              std::string::npos)
        << run.err;
}

// Outputs that can't be written: names taken by folders (which stop every user), then a
// folder without write permission.
TEST_F(HostileInputs, OutputsThatCannotBeWritten) {
    MakeProject(2, 2);
    fs::create_directory(dir_.File("DEMO.zpf"));
    DialogImport(chp_);
    EXPECT_EQ(ops_.Item(IDC_STATUS), "Can't write the project file");
    EXPECT_TRUE(ops_.informs.empty());
    EXPECT_FALSE(fs::exists(dir_.File("MSG00001.wav"))); // nothing imported into nowhere
    fs::remove(dir_.File("DEMO.zpf"));

    fs::create_directory(dir_.File("MSG00001.wav"));
    CliRun run = Cli({"import", chp_});
    EXPECT_EQ(run.status, cli::kExitFailed);
    EXPECT_NE(run.err.find("message 1: " + dir_.File("MSG00001.wav") +
                           ": the WAV file could not be written"),
              std::string::npos)
        << run.err;
    const fixtures::IniFile zpf(fixtures::ReadText(dir_.File("DEMO.zpf")));
    EXPECT_FALSE(zpf.Value("KZ_ISD_PROJECT", "file1"));
    EXPECT_TRUE(zpf.Value("KZ_ISD_PROJECT", "file2"));

    const PermissionsBite bite(dir_.path());
    if (!bite.Active()) GTEST_SKIP() << "file permissions can't be made to restrict this user";
    fs::remove(dir_.File("MSG00001.wav"));
    fs::remove(dir_.File("DEMO.tbl"));
    fs::permissions(dir_.path(), fs::perms::owner_read | fs::perms::owner_exec);
    run = Cli({"import", chp_});
    fs::permissions(dir_.path(), fs::perms::owner_all);
    EXPECT_EQ(run.status, cli::kExitFailed);
    EXPECT_EQ(run.err.rfind("Can't create the table file beside " + chp_ + "\n", 0), 0u) << run.err;
}

// A project file that can't take a message's keys: the message counts as failed, gets no
// table entry, and the command line says why. Renames: the table file, the summary keys,
// message 1's WAV file, then message 1's keys.
TEST_F(HostileInputs, ProjectFileThatFailsMidImport) {
    MakeProject(2, 2);
    CliRun run;
    {
        fixtures::FailIo fault(IoOp::Rename, 4, false);
        run = Cli({"import", chp_});
    }
    EXPECT_EQ(run.status, cli::kExitFailed);
    EXPECT_NE(run.err.find("chpimport: message 1: Can't write the project file\n"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("1 of 2 messages failed to import: 1 (see debug.bid)"),
              std::string::npos);
    const std::string tbl = fixtures::ReadText(dir_.File("DEMO.tbl"));
    EXPECT_EQ(tbl.find("WORD0000"), std::string::npos);
    EXPECT_NE(tbl.find("WORD0001"), std::string::npos);
}

// A header that claims the most messages a project can hold, over a directory of two.
TEST_F(HostileInputs, MessageCountFarBeyondTheDirectory) {
    MakeProject(2, 2, 32767);
    const int events = DialogImport(chp_);
    ASSERT_EQ(ops_.informs.size(), 1u);
    // Three steps (the third finds the directory's end) and their timer ticks, not 32767.
    EXPECT_LE(events, 8);
    EXPECT_EQ(ops_.Item(IDC_FILENUMBER), "3");
    const fixtures::IniFile zpf(fixtures::ReadText(dir_.File("DEMO.zpf")));
    EXPECT_EQ(zpf.Value("KZ_ISD_PROJECT", "nb_files"), "32767");
    EXPECT_TRUE(zpf.Value("KZ_ISD_PROJECT", "file2"));
    EXPECT_FALSE(zpf.Value("KZ_ISD_PROJECT", "file3"));

    // A second Import in the same dialog starts from the first message again.
    ops_.informs.clear();
    DialogImport(chp_);
    EXPECT_EQ(ops_.informs.size(), 1u);
    ops_.Click(IDC_OK); // the dialog's table file is closed: Windows can replace it now

    const CliRun run = Cli({"import", chp_});
    EXPECT_EQ(run.status, cli::kExitFailed);
    EXPECT_NE(run.out.find("message 2/32767: address 20"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("message 3: the project's directory holds no entry 3\n"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("32765 of 32767 messages failed to import: 3-32767 (see debug.bid)"),
              std::string::npos)
        << run.err;
}

// A directory that has a gap still steps through every message after the gap.
TEST_F(HostileInputs, WrongEntryInsideTheDirectoryDoesNotEndTheImport) {
    fixtures::ChpBuilder chp;
    chp.Message(0, "MSG00001.VOC").Message(10, "MSG00002.VOC").Message(20, "MSG00003.VOC");
    chp.entries[1].number = 7;
    fixtures::WriteFile(chp_, chp.Build());
    for (const char* name : {"MSG00001.VOC", "MSG00002.VOC", "MSG00003.VOC"})
        fixtures::WriteFile(dir_.File(name), Message(1));
    const CliRun run = Cli({"import", chp_});
    EXPECT_NE(run.err.find("1 of 3 messages failed to import: 2 (see debug.bid)"),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(fs::is_regular_file(dir_.File("MSG00003.wav")));
}

TEST_F(HostileInputs, ZeroLengthAndHugeSparseVocFiles) {
    MakeProject(2, 0);
    fixtures::WriteFile(dir_.File("MSG00001.VOC"), {});
    // 2 GiB of which the disk holds only the header and one sound block: the walk meets the
    // zeros as a terminator and refuses the file by its trailer, without reading them.
    fixtures::WriteFile(dir_.File("MSG00002.VOC"), Message(2));
    constexpr std::uintmax_t kHuge = (std::uintmax_t{1} << 31) + 77;
    fs::resize_file(dir_.File("MSG00002.VOC"), kHuge);

    const CliRun run = Cli({"import", chp_});
    EXPECT_EQ(run.status, cli::kExitFailed);
    EXPECT_NE(run.err.find("MSG00001.VOC: not a Creative Voice file: the signature"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("MSG00002.VOC: the terminator at offset 332 is followed by 2147483392 "
                           "bytes, not by the 100-byte trailer"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(dir_.File("MSG00001.wav")));
    EXPECT_FALSE(fs::exists(dir_.File("MSG00002.wav")));
}

// A data chunk that claims 4 GiB: every reader stops at the end of what the file holds.
TEST_F(HostileInputs, WaveDataSizeOfFourGigabytes) {
    fixtures::WavBuilder wave;
    wave.autoDataSize = false;
    wave.dataSize = 0xFFFFFFFF;
    wave.Samples16(std::vector<std::int16_t>(100, 1000));
    wave.afterData = fixtures::Chunk("DISP", {1, 0, 0, 0, 'h', 'i', 0, 0});
    fixtures::WriteFile(dir_.File("in.wav"), wave.Build());

    const CliRun run = Cli({"resample", dir_.File("in.wav"), dir_.File("out.wav")});
    EXPECT_EQ(run.status, cli::kExitFailed);
    // The DISP chunk's 16 bytes pass as 8 more frames before the file ends.
    EXPECT_EQ(run.err, "chpimport: " + dir_.File("in.wav") +
                           ": the data chunk ends before its last frame; " + dir_.File("out.wav") +
                           " holds the 54 samples converted before\n");
    const Bytes out = fixtures::ReadFile(dir_.File("out.wav"));
    ASSERT_GE(out.size(), 44u);
    EXPECT_EQ(out[40] | out[41] << 8, 108); // final header: the samples written

    // The range copy takes what the file holds: the samples and the DISP chunk's bytes.
    EXPECT_EQ(CopyWaveRange(dir_.File("in.wav"), dir_.File("cut.wav"), 0, -1), 108);
    std::string text;
    EXPECT_EQ(ReadDispText(dir_.File("in.wav"), text), 0); // inside the data chunk's claim
}

} // namespace
} // namespace chpimport
