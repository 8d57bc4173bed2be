// `chpimport import` over many projects: finding them, where their outputs go, the summary,
// --json, and that each project is imported as if alone.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "base/file.hpp"
#include "cli/cli.hpp"
#include "cli/project_search.hpp"
#include "support/fixtures.hpp"
#include "support/ini_reader.hpp"

namespace chpimport::cli {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// A project of three messages at addresses 0, 40, 80 in `folder`. The trailers carry chip
// code `vocChip`, which renames the session's chip for the messages after; the VOC files of
// `missing` are left out.
void WriteProject(const fs::path& folder, const std::string& chpName, std::uint8_t vocChip,
                  std::set<int> missing = {}) {
    fs::create_directories(folder);
    fixtures::ChpBuilder chp;
    for (int n = 1; n <= 3; ++n) {
        const std::string voc = "MSG0000" + std::to_string(n) + ".VOC";
        chp.Message(static_cast<std::uint16_t>(40 * (n - 1)), voc);
        if (missing.count(n) != 0) continue;
        fixtures::VocBuilder builder;
        builder.chipCode = vocChip;
        builder.rowCount = static_cast<std::uint16_t>(90 + 30 * n);
        fixtures::Bytes samples(static_cast<std::size_t>(3000 + 500 * n));
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<std::uint8_t>((i * (7 + n) + chpName.size() * 31) % 251);
        builder.Sound(211, samples);
        fixtures::WriteFile(folder / voc, builder.Build());
    }
    fixtures::WriteFile(folder / chpName, chp.Build());
}

// Every file below `root` with its bytes, by relative path; folders as empty entries.
std::map<std::string, fixtures::Bytes> Snapshot(const fs::path& root) {
    std::map<std::string, fixtures::Bytes> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = entry.path().lexically_relative(root).generic_string();
        files[name] =
            entry.is_regular_file() ? fixtures::ReadFile(entry.path()) : fixtures::Bytes{};
    }
    return files;
}

// Write permission off below `root` for the length of a scope (back on for the clean-up).
class ReadOnlyTree {
public:
    explicit ReadOnlyTree(fs::path root) : root_(std::move(root)) { Set(fs::perm_options::remove); }
    ~ReadOnlyTree() { Set(fs::perm_options::add); }

private:
    void Set(fs::perm_options how) {
        constexpr auto write = fs::perms::owner_write | fs::perms::group_write;
        std::error_code ec;
        for (const auto& entry : fs::recursive_directory_iterator(root_))
            fs::permissions(entry.path(), write, how, ec);
        fs::permissions(root_, write, how, ec);
    }
    fs::path root_;
};

// Captures a stream and sends the process Ctrl+C once `trigger` has been written to it.
class InterruptingBuffer : public std::stringbuf {
public:
    explicit InterruptingBuffer(std::string trigger) : trigger_(std::move(trigger)) {}

protected:
    int sync() override {
        if (!fired_ && str().find(trigger_) != std::string::npos) {
            fired_ = true;
            std::raise(SIGINT);
        }
        return 0;
    }

private:
    std::string trigger_;
    bool fired_ = false;
};

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

class CliBatch : public ::testing::Test {
protected:
    Outcome Import(Args args) {
        std::ostringstream out, err;
        args.insert(args.begin(), "import");
        const int status = cli::Run(args, {out, err});
        return {status, out.str(), err.str()};
    }
    std::string At(const std::string& relative) const {
        return (dir_.path() / relative).lexically_normal().string();
    }
    // The three-project tree: one imports, one has a message without its VOC file, one is
    // no CHP file at all; beside them a file of another kind.
    void WriteTree() {
        WriteProject(dir_.path() / "src/alpha", "ALPHA.CHP", 3);
        WriteProject(dir_.path() / "src/beta/deep", "BETA.chp", 0, {2});
        fs::create_directories(dir_.path() / "src/gamma");
        fixtures::WriteFile(dir_.path() / "src/gamma/BAD.CHP", {'n', 'o'});
        fixtures::WriteFile(dir_.path() / "src/gamma/notes.txt", {'x'});
    }

    fixtures::TempDir dir_;
    fixtures::ScopedCurrentDir cwd_{dir_.path()};
};

TEST_F(CliBatch, TreeFromReadOnlySourceIntoOutputFolder) {
    WriteTree();
    const auto before = Snapshot(dir_.path() / "src");
    Outcome text, data;
    {
        ReadOnlyTree readOnly(dir_.path() / "src");
        text = Import({"--recursive", "--output", At("out"), At("src")});
        data = Import({"-r", "src", "--json", "-o", "json-out"});
    }
    EXPECT_EQ(Snapshot(dir_.path() / "src"), before);
    EXPECT_FALSE(fs::exists(dir_.path() / "debug.bid"));
    EXPECT_EQ(text.status, kExitUsage) << text.err;

    for (const char* out : {"out", "json-out"}) {
        std::set<std::string> written;
        for (const auto& [name, bytes] : Snapshot(dir_.path() / out)) written.insert(name);
        EXPECT_EQ(written,
                  (std::set<std::string>{
                      "alpha", "alpha/ALPHA.zpf", "alpha/ALPHA.tbl", "alpha/debug.bid",
                      "alpha/MSG00001.wav", "alpha/MSG00002.wav", "alpha/MSG00003.wav", "beta",
                      "beta/deep", "beta/deep/BETA.zpf", "beta/deep/BETA.tbl",
                      "beta/deep/debug.bid", "beta/deep/MSG00001.wav", "beta/deep/MSG00003.wav"}))
            << out;
    }
    // The summary: project, imported, failed, output folder, seconds, and why not imported.
    auto row = [&](const std::string& chp) {
        std::istringstream line(text.out.substr(text.out.rfind("\n" + chp + " ") + 1));
        std::vector<std::string> cells(6);
        for (std::string& cell : cells) line >> cell;
        return cells;
    };
    EXPECT_EQ(row(At("src/alpha/ALPHA.CHP"))[1], "3");
    EXPECT_EQ(row(At("src/alpha/ALPHA.CHP"))[2], "0");
    EXPECT_EQ(row(At("src/alpha/ALPHA.CHP"))[3], At("out/alpha"));
    EXPECT_EQ(row(At("src/beta/deep/BETA.chp"))[1], "2");
    EXPECT_EQ(row(At("src/beta/deep/BETA.chp"))[2], "1");
    EXPECT_EQ(row(At("src/beta/deep/BETA.chp"))[3], At("out/beta/deep"));
    EXPECT_EQ(row(At("src/gamma/BAD.CHP"))[5], "Invalid");

    // The same facts from the document, checked against the files it names.
    EXPECT_EQ(data.status, kExitUsage);
    const json doc = json::parse(data.out);
    EXPECT_EQ(doc["exit_status"], kExitUsage);
    ASSERT_EQ(doc["projects"].size(), 3u);
    const json& alpha = doc["projects"][0];
    const json& beta = doc["projects"][1];
    EXPECT_EQ(alpha["path"], At("src/alpha/ALPHA.CHP"));
    EXPECT_EQ(alpha["status"], "imported");
    EXPECT_EQ(beta["status"], "some_failed");
    EXPECT_EQ(beta["imported"], 2);
    EXPECT_EQ(beta["failed"], 1);
    EXPECT_EQ(doc["projects"][2]["status"], "invalid");
    EXPECT_EQ(beta["chip"], "ISD2560"); // not alpha's ISD1020: a session of its own
    for (const json* project : {&alpha, &beta}) {
        const std::string zpf = (*project)["outputs"]["project_file"];
        EXPECT_EQ(fs::path(zpf).parent_path(),
                  fs::path((*project)["outputs"]["folder"].get<std::string>()));
        const std::string zpfText = fixtures::ReadText(zpf);
        for (const json& m : (*project)["messages"]) {
            const std::string key = "file" + std::to_string(m["number"].get<int>());
            const auto value = fixtures::IniValue(zpfText, "KZ_ISD_PROJECT", key);
            if (m["status"] == "failed") {
                EXPECT_FALSE(value) << key;
                EXPECT_TRUE(m["wav"].is_null());
                // The reason the console shows.
                EXPECT_NE(text.err.find(": " + m["failure"].get<std::string>()), std::string::npos);
                continue;
            }
            const std::string wav = m["wav"];
            const int address = m["address"], length = m["length"];
            EXPECT_EQ(value, wav + " [1" + std::to_string(address) + " " +
                                 std::to_string(address + length) + "]*");
            EXPECT_EQ(fs::path(wav).parent_path(), fs::path(zpf).parent_path());
            EXPECT_GT(m["duration_ms"].get<int>(), 0);
        }
    }
    EXPECT_EQ(beta["messages"][1]["voc"], "MSG00002.VOC");
}

// No state of one project reaches the next: the converter's history and the chip name the
// trailers set start anew, as in a process of its own.
TEST_F(CliBatch, EachProjectAsIfImportedAlone) {
    WriteTree();
    ASSERT_EQ(Import({"-r", "src", "-o", "out", "--zuvan"}).status, kExitUsage);
    fs::rename(dir_.path() / "out", dir_.path() / "together");
    ASSERT_EQ(Import({"src/alpha/ALPHA.CHP", "-o", "out/alpha", "--zuvan"}).status, kExitOk);
    ASSERT_EQ(Import({"src/beta/deep/BETA.chp", "-o", "out/beta/deep", "--zuvan"}).status,
              kExitFailed);
    EXPECT_EQ(Snapshot(dir_.path() / "out"), Snapshot(dir_.path() / "together"));
}

// Outputs of two projects in one folder would overwrite each other: refused, nothing written.
TEST_F(CliBatch, ProjectsThatWouldShareAFolderAreRefused) {
    WriteProject(dir_.path() / "src", "ONE.CHP", 5);
    WriteProject(dir_.path() / "src", "TWO.CHP", 5);
    const auto before = Snapshot(dir_.path());
    for (const Args& args : {Args{"src", "-o", "out"}, Args{"src"}}) {
        const Outcome run = Import(args);
        EXPECT_EQ(run.status, kExitUsage);
        EXPECT_NE(run.err.find("would both write into"), std::string::npos) << run.err;
        EXPECT_EQ(Snapshot(dir_.path()), before);
    }
}

// Several projects without an output folder: everything beside the sources, each debug.bid
// beside its .zpf.
TEST_F(CliBatch, WithoutOutputFolderEachDebugLogBesideItsProject) {
    WriteProject(dir_.path() / "a", "A.CHP", 5);
    WriteProject(dir_.path() / "b", "B.CHP", 5, {3});
    const Outcome run = Import({"a/A.CHP", "b"});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_FALSE(fs::exists(dir_.path() / "debug.bid"));
    for (const char* file : {"a/A.zpf", "a/debug.bid", "b/B.zpf", "b/debug.bid", "b/MSG00002.wav"})
        EXPECT_TRUE(fs::exists(dir_.path() / file)) << file;
    EXPECT_NE(run.err.find("(see " + At("b/debug.bid") + ")"), std::string::npos) << run.err;
}

// Ctrl+C during the first project: it stops after the message in progress with its table
// file closed; the projects after it are listed as not imported.
TEST_F(CliBatch, InterruptStopsTheRunAfterTheMessageInProgress) {
    for (const char* name : {"a", "b", "c"}) WriteProject(dir_.path() / name, "P.CHP", 5);
    InterruptingBuffer buffer("message 1/3");
    std::ostream out(&buffer);
    std::ostringstream err;
    const int status =
        cli::Run({"import", "-r", ".", "--output", "out", "--jobs", "1"}, {out, err});
    EXPECT_EQ(status, kExitFailed);
    const std::string tbl = fixtures::ReadText(dir_.path() / "out/a/P.tbl");
    EXPECT_EQ(tbl.substr(tbl.size() - 6), "CONC\r\n");
    EXPECT_FALSE(fs::exists(dir_.path() / "out/a/MSG00003.wav"));
    EXPECT_FALSE(fs::exists(dir_.path() / "out/b"));
    EXPECT_NE(buffer.str().find("aborted\n"), std::string::npos) << buffer.str();
    EXPECT_NE(buffer.str().find(At("c/P.CHP") + "         -"), std::string::npos);
    EXPECT_NE(buffer.str().find("not imported\n"), std::string::npos);
}

// Projects at once: the same bytes, the same document and summary in the projects' order, the
// same exit status as one after the other; each project's lines shown together.
TEST_F(CliBatch, AtOnceAsOneAfterTheOther) {
    WriteTree();
    for (int n = 0; n < 4; ++n)
        WriteProject(dir_.path() / "src/more" / std::to_string(n), "M.CHP", 5, {n});
    // Into the same folder each time: the files name it.
    const Outcome one = Import({"-r", "src", "-o", "out", "--jobs", "1", "--json"});
    const auto want = Snapshot(dir_.path() / "out");
    for (const char* jobs : {"2", "3", "7"}) {
        fs::remove_all(dir_.path() / "out");
        const Outcome run = Import({"-r", "src", "-o", "out", "--jobs", jobs, "--json"});
        EXPECT_EQ(run.status, one.status) << jobs;
        EXPECT_TRUE(Snapshot(dir_.path() / "out") == want) << jobs;
        json a = json::parse(one.out), b = json::parse(run.out);
        for (json* doc : {&a, &b})
            for (json& project : (*doc)["projects"]) project.erase("seconds");
        EXPECT_EQ(a, b) << jobs;
    }
    // Each project's lines in one piece, under its heading.
    const Outcome text = Import({"-r", "src", "-o", "text", "--jobs", "2"});
    for (int n = 0; n < 4; ++n) {
        const std::string heading = At("src/more/" + std::to_string(n) + "/M.CHP") + "\n";
        const std::size_t at = text.out.find(heading);
        ASSERT_NE(at, std::string::npos) << text.out;
        EXPECT_EQ(text.out.compare(at + heading.size(), 13, "message 1/3: "), 0) << text.out;
        EXPECT_NE(text.out.find("Zuvan Project File Created:", at), std::string::npos);
    }
}

// Ctrl+C while projects are imported at once: each stops after its message in progress with
// its table file closed; the ones not started are listed as such.
TEST_F(CliBatch, InterruptStopsEveryProjectInProgress) {
    for (const char* name : {"a", "b", "c", "d"}) WriteProject(dir_.path() / name, "P.CHP", 5);
    static std::atomic<int> writes;
    writes = 0;
    SetIoFaultHook(
        [](IoOp op, void*) {
            if (op == IoOp::Write && ++writes == 40) std::raise(SIGINT);
            return false;
        },
        nullptr);
    const Outcome run = Import({"-r", ".", "--output", "out", "--jobs", "2", "--json"});
    SetIoFaultHook(nullptr, nullptr);
    EXPECT_EQ(run.status, kExitFailed);
    const json doc = json::parse(run.out);
    ASSERT_EQ(doc["projects"].size(), 4u);
    EXPECT_EQ(doc["projects"][3]["status"], "not_imported");
    for (const json& project : doc["projects"]) {
        EXPECT_NE(project["status"], "imported") << project;
        if (project["status"] != "aborted") continue;
        const std::string tbl =
            fixtures::ReadText(project["outputs"]["table_file"].get<std::string>());
        EXPECT_EQ(tbl.substr(tbl.size() - 6), "CONC\r\n");
    }
}

TEST(ProjectSearch, FoldersGiveTheirChpFilesSortedAnyLetterCase) {
    fixtures::TempDir dir;
    for (const char* name : {"B.Chp", "a/Z.CHP", "a/b/Y.chp", "a/notes.txt"}) {
        fs::create_directories((dir.path() / name).parent_path());
        fixtures::WriteFile(dir.path() / name, {1});
    }
    fs::create_directories(dir.path() / "a/FOLDER.CHP");
    auto names = [&](bool recursive, std::vector<std::string> paths) {
        std::vector<std::string> found;
        for (const FoundProject& p : FindProjects(paths, recursive).projects)
            found.push_back(fs::path(p.chpPath).lexically_relative(dir.path()).generic_string() +
                            " in '" + fs::path(p.relativeFolder).generic_string() + "'");
        return found;
    };
    const std::string root = dir.path().string();
    EXPECT_EQ(names(false, {root}), std::vector<std::string>{"B.Chp in ''"});
    EXPECT_EQ(names(true, {root, dir.File("a/Z.CHP")}),
              (std::vector<std::string>{"B.Chp in ''", "a/Z.CHP in 'a'", "a/b/Y.chp in 'a/b'"}));
    EXPECT_EQ(FindProjects({dir.File("a/b")}, false).errors, std::vector<std::string>{});
    EXPECT_EQ(FindProjects({dir.File("a/FOLDER.CHP")}, true).errors.size(), 1u);
}

struct UsageError {
    Args args;
    std::string message;
};

class CliImportUsage : public ::testing::TestWithParam<UsageError> {};

TEST_P(CliImportUsage, ExitsTwoWithTheUsageAndTheError) {
    std::ostringstream out, err;
    EXPECT_EQ(cli::Run(GetParam().args, {out, err}), kExitUsage);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str().rfind("usage: chpimport " + GetParam().args[0], 0), 0u) << err.str();
    EXPECT_NE(err.str().find(GetParam().message + "\n"), std::string::npos) << err.str();
}

INSTANTIATE_TEST_SUITE_P(
    Errors, CliImportUsage,
    ::testing::Values(UsageError{{"import", "X.CHP", "--output"}, "--output: missing argument"},
                      UsageError{{"import", "--frob", "X.CHP"}, "unknown option --frob"},
                      UsageError{{"import"}, "PATH is required"},
                      UsageError{{"info", "A.CHP", "B.CHP"}, "unexpected argument B.CHP"}));

// A path that begins with a slash is a path on every system, not a Windows-style option.
TEST(CliPaths, SlashStartsAPathNotAnOption) {
    std::ostringstream out, err;
    EXPECT_EQ(cli::Run({"info", "/no/such/folder/X.CHP"}, {out, err}), kExitUsage);
    EXPECT_EQ(err.str().rfind("Invalid CHP file\n", 0), 0u) << err.str();
}

TEST(CliInfoJson, TheFactsTheTextShows) {
    fixtures::TempDir dir;
    WriteProject(dir.path(), "DEMO.CHP", 5);
    std::ostringstream text, data, err;
    ASSERT_EQ(cli::Run({"info", dir.File("DEMO.CHP")}, {text, err}), kExitOk);
    ASSERT_EQ(cli::Run({"info", "--json", dir.File("DEMO.CHP")}, {data, err}), kExitOk);
    const json doc = json::parse(data.str());
    std::ostringstream rebuilt;
    rebuilt << "Project: " << doc["name"].get<std::string>()
            << "\nChip type: " << doc["chip"].get<std::string>()
            << "\nRow duration: " << doc["row_ms"] << " ms\nDivisor: " << doc["divisor"]
            << "\nMessages: " << doc["message_count"] << "\n";
    EXPECT_EQ(text.str().substr(0, rebuilt.str().size()), rebuilt.str());
    ASSERT_EQ(doc["messages"].size(), 3u);
    EXPECT_EQ(doc["messages"][2]["address"], 80);
    EXPECT_EQ(doc["messages"][2]["voc"], "MSG00003.VOC");
}

} // namespace
} // namespace chpimport::cli
