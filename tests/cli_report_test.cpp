#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "support/cli_run.hpp"
#include "support/fixtures.hpp"
#include "support/report_project.hpp"

namespace chpimport::cli {
namespace {

namespace fs = std::filesystem;

fixtures::CliResult RunIn(const fs::path& dir, const Args& args) {
    fixtures::ScopedCurrentDir cwd(dir);
    return fixtures::RunCli(args);
}

// The page without the moment it was made.
std::string Page(const fs::path& path) {
    std::string page = fixtures::ReadText(path);
    const std::size_t from = page.find("<time>");
    const std::size_t to = page.find("</time>");
    if (from != std::string::npos && to != std::string::npos) page.erase(from + 6, to - from - 6);
    return page;
}

// The value of attribute `name` in the tag that starts at `tag`.
std::string Attribute(const std::string& page, std::size_t tag, const std::string& name) {
    const std::size_t end = page.find('>', tag);
    const std::size_t at = page.find(" " + name + "=\"", tag);
    if (at == std::string::npos || at > end) return "?";
    const std::size_t value = at + name.size() + 3;
    return page.substr(value, page.find('"', value) - value);
}

// Each message row's data-flags, by message number.
std::map<int, std::string> Flags(const std::string& page) {
    std::map<int, std::string> flags;
    for (std::size_t at = page.find("<tr class=\"msg"); at != std::string::npos;
         at = page.find("<tr class=\"msg", at + 1))
        flags[std::stoi(Attribute(page, at, "data-number"))] = Attribute(page, at, "data-flags");
    return flags;
}

const std::map<int, std::string> kExpectedFlags = {
    {1, "silent"}, {2, ""}, {3, "cut overlap"}, {4, "failed"}, {5, "overlap warning"}};

// The report is an addition: the import writes the same files and prints the same lines.
TEST(CliReport, ImportWithReportWritesTheSameOutputs) {
    for (bool zuvan : {false, true}) {
        fixtures::TempDir plain, reported;
        fixtures::WriteReportProject(plain.path());
        fixtures::WriteReportProject(reported.path());
        Args args = {"import", "REPORT.CHP"};
        if (zuvan) args.push_back("--zuvan");
        const fixtures::CliResult a = RunIn(plain.path(), args);
        args.push_back("--report");
        const fixtures::CliResult b = RunIn(reported.path(), args);
        // The two folders' paths aside.
        auto dirless = [&](std::string text) {
            for (const fs::path& dir : {plain.path(), reported.path()}) {
                const std::string folder = dir.string();
                for (std::size_t at; (at = text.find(folder)) != std::string::npos;)
                    text.replace(at, folder.size(), "DIR");
            }
            return text;
        };
        auto same = [&](const std::string& x, const std::string& y, const std::string& what) {
            EXPECT_EQ(dirless(x), dirless(y)) << what << (zuvan ? " (zuvan)" : "");
        };
        EXPECT_EQ(a.status, kExitFailed); // message 4 fails
        EXPECT_EQ(b.status, a.status);
        same(a.out + "Report: " + reported.File("REPORT.html") + "\n", b.out, "output");
        same(a.err, b.err, "errors");
        for (const char* name : {"QUIET.wav", "A&B'S #1.wav", "LONG.wav", "MSG5.wav", "REPORT.zpf",
                                 "REPORT.tbl", "debug.bid"})
            same(fixtures::ReadText(plain.path() / name),
                 fixtures::ReadText(reported.path() / name), name);
        EXPECT_FALSE(fs::exists(plain.path() / "REPORT.html"));
        EXPECT_EQ(Flags(Page(reported.path() / "REPORT.html")), kExpectedFlags) << zuvan;
    }
}

// An import read back later gives the page the import gave (its output rate taken from
// the WAV files), also once its folder has moved and been renamed.
TEST(CliReport, ReadBackGivesTheImportsPage) {
    for (bool zuvan : {false, true}) {
        fixtures::TempDir dir, moved;
        fixtures::WriteReportProject(dir.path() / "p");
        Args import = {"import", "p/REPORT.CHP", "--report"};
        if (zuvan) import.push_back("--zuvan");
        RunIn(dir.path(), import);
        const std::string atImport = Page(dir.path() / "p" / "REPORT.html");
        EXPECT_NE(atImport.find(zuvan ? "11025 Hz" : "11111 Hz"), std::string::npos);
        fs::remove(dir.path() / "p" / "REPORT.html");
        const fixtures::CliResult later = RunIn(dir.path(), {"report", "p/REPORT.CHP"});
        EXPECT_EQ(later.status, kExitOk) << later.err;
        EXPECT_EQ(Page(dir.path() / "p" / "REPORT.html"), atImport) << zuvan;

        // An import made into an output folder is read back from there, its page put there.
        import.insert(import.end(), {"--output", "out"});
        RunIn(dir.path(), import);
        const std::string intoFolder = Page(dir.path() / "out" / "REPORT.html");
        fs::remove(dir.path() / "out" / "REPORT.html");
        fs::remove(dir.path() / "p" / "REPORT.html");
        const Args again = {"report", "--output", "out", "p/REPORT.CHP"};
        EXPECT_EQ(RunIn(dir.path(), again).status, kExitOk);
        EXPECT_EQ(Page(dir.path() / "out" / "REPORT.html"), intoFolder) << zuvan;
        EXPECT_FALSE(fs::exists(dir.path() / "p" / "REPORT.html"));
        fs::remove_all(dir.path() / "out");

        // Moved into a folder whose name is no ASCII (see non_ascii_path_test.cpp).
        const fs::path folder = moved.path() / fs::path(u8"Größe Ansagen");
        fs::rename(dir.path() / "p", folder);
        ASSERT_EQ(RunIn(folder, {"report", "REPORT.CHP"}).status, kExitOk);
        const std::string page = Page(folder / "REPORT.html");
        EXPECT_NE(page.find("Gr\xc3\xb6\xc3\x9f"
                            "e Ansagen"),
                  std::string::npos);
        EXPECT_EQ(Flags(page), kExpectedFlags);
        EXPECT_NE(page.find("src=\"A%26B%27S%20%231.wav\""), std::string::npos);
        EXPECT_EQ(page.find("No waveform"), std::string::npos);
    }
}

// Several projects in one run: a page for each in its own output folder, the sources only
// read, and standard output left to the JSON document.
TEST(CliReport, ManyProjectsGetAPageEachInTheirOutputFolder) {
    fixtures::TempDir dir;
    for (const char* name : {"a", "b"}) fixtures::WriteReportProject(dir.path() / "src" / name);
    const fixtures::CliResult run =
        RunIn(dir.path(), {"import", "-r", "src", "--output", "out", "--json", "--report"});
    EXPECT_EQ(run.status, kExitFailed); // message 4 fails in each
    EXPECT_EQ(run.out.find("Report:"), std::string::npos);
    EXPECT_EQ(run.out.rfind('{', 0), 0u) << run.out;
    EXPECT_NE(run.err.find("Report: "), run.err.rfind("Report: ")) << run.err; // two
    for (const char* name : {"a", "b"}) {
        const fs::path folder = dir.path() / "out" / name;
        const std::string page = Page(folder / "REPORT.html");
        EXPECT_EQ(Flags(page), kExpectedFlags) << name;
        EXPECT_NE(page.find("src=\"A%26B%27S%20%231.wav\""), std::string::npos) << name;
        EXPECT_TRUE(fs::exists(folder / "A&B'S #1.wav")) << name;
        EXPECT_FALSE(fs::exists(dir.path() / "src" / name / "REPORT.html")) << name;
    }
}

TEST(CliReport, RefusesWhatItCannotRead) {
    fixtures::TempDir dir;
    fixtures::WriteReportProject(dir.path());
    const fixtures::CliResult none = fixtures::RunCli({"report", dir.File("REPORT.CHP")});
    EXPECT_EQ(none.status, kExitFailed);
    EXPECT_NE(none.err.find("import the project first"), std::string::npos) << none.err;
    fixtures::WriteFile(dir.File("BAD.CHP"), {'x'});
    EXPECT_EQ(fixtures::RunCli({"report", dir.File("BAD.CHP")}).status, kExitUsage);
    EXPECT_EQ(fixtures::RunCli({"report"}).status, kExitUsage);
    EXPECT_FALSE(fs::exists(dir.path() / "REPORT.html"));
}

} // namespace
} // namespace chpimport::cli
