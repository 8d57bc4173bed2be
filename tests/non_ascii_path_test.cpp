// Folders whose names hold letters outside ASCII, as users' folders do ("Größe Ansagen"):
// every file operation and command takes them, natively and as a Windows program (where a
// path is text in the active code page).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>

#include "base/file.hpp"
#include "base/native_path.hpp"
#include "base/work_dir.hpp"
#include "chp/voc_name.hpp"
#include "support/cli_run.hpp"
#include "support/converter_fixtures.hpp"
#include "support/fixtures.hpp"

namespace chpimport {
namespace {

namespace fs = std::filesystem;

struct FolderName {
    const char* label;
    const char8_t* name;
};

// "€" is where the Windows code page 1252 and Latin-1 part: reading narrow text as Latin-1
// finds "Größe" but not it.
const FolderName kNames[] = {{"Latin1", u8"Größe Ansagen"}, {"Euro", u8"Preis 5 € (Ä)"}};

class NonAsciiFolder : public ::testing::TestWithParam<FolderName> {
protected:
    void SetUp() override {
        real_ = dir_.path() / fs::path(GetParam().name);
        std::optional<std::string> narrow = FromFsPath(real_);
        if (!narrow) GTEST_SKIP() << "the active code page has no such letters";
        folder_ = *narrow;
        ASSERT_TRUE(fs::create_directory(real_));
    }

    std::string In(const char* name) const { return JoinPath(folder_, name); }

    fixtures::TempDir dir_;
    fs::path real_;      // the folder, as the file system names it
    std::string folder_; // the folder as the tool's narrow text
};

TEST_P(NonAsciiFolder, FileLayerFindsTheFolder) {
    const std::string a = In("A.BIN");
    {
        File file = File::Open(a, OpenMode::Create);
        ASSERT_TRUE(file) << OpenFailureText(file);
        file.Write("x", 1);
    }
    EXPECT_TRUE(IsDirectory(folder_));
    EXPECT_TRUE(IsRegularFile(a));
    EXPECT_TRUE(IsSameFile(a, JoinPath(JoinPath(folder_, "."), "A.BIN")));
    ASSERT_TRUE(RenameFile(a, In("B.BIN")));
    EXPECT_TRUE(fs::is_regular_file(real_ / "B.BIN")); // there, not in a look-alike folder
    EXPECT_FALSE(IsRegularFile(a));
    // A name the directory lists in other letter case (a case-sensitive system looks
    // through the folder for it).
    const std::optional<std::string> found =
        FindFileIgnoringCase(folder_ + static_cast<char>(fs::path::preferred_separator), "b.bin");
    ASSERT_TRUE(found);
    EXPECT_TRUE(IsRegularFile(In(found->c_str())));
    EXPECT_TRUE(RemoveFile(In("B.BIN")));
    EXPECT_TRUE(fs::is_empty(real_));
}

// The temporary folder named by the environment, for the length of a scope.
class ScopedTempFolder {
public:
    explicit ScopedTempFolder(const fs::path& folder) {
        for (std::size_t i = 0; i < std::size(kVariables); ++i) {
            previous_[i] = Get(kVariables[i]);
            Set(kVariables[i], folder.native());
        }
    }
    ~ScopedTempFolder() {
        for (std::size_t i = 0; i < std::size(kVariables); ++i) Set(kVariables[i], previous_[i]);
    }
    ScopedTempFolder(const ScopedTempFolder&) = delete;
    ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;

private:
#ifdef _WIN32
    static constexpr const wchar_t* kVariables[] = {L"TMP", L"TEMP"}; // what GetTempPath reads
    static std::wstring Get(const wchar_t* name) {
        const wchar_t* value = _wgetenv(name);
        return value != nullptr ? value : L"";
    }
    static void Set(const wchar_t* name, const std::wstring& value) {
        _wputenv_s(name, value.c_str()); // empty: removed
    }
#else
    static constexpr const char* kVariables[] = {"TMPDIR"};
    static std::string Get(const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr ? value : "";
    }
    static void Set(const char* name, const std::string& value) {
        if (value.empty())
            unsetenv(name);
        else
            setenv(name, value.c_str(), 1);
    }
#endif
    fs::path::string_type previous_[std::size(kVariables)];
};

// A user named "Jürgen" has his temporary folder under such a name.
TEST_P(NonAsciiFolder, WorkingFolderInsideIt) {
    {
        ScopedTempFolder temp(real_);
        std::optional<WorkDir> work = WorkDir::Create();
        ASSERT_TRUE(work);
        EXPECT_EQ(work->Path().rfind(folder_, 0), 0u) << work->Path();
        File file = File::Open(work->File("tmp.wav"), OpenMode::Create);
        EXPECT_TRUE(file) << OpenFailureText(file);
    }
    EXPECT_TRUE(fs::is_empty(real_)); // the working folder went with everything in it
}

TEST_P(NonAsciiFolder, EveryCommandWorksInIt) {
    fixtures::ChpBuilder project;
    project.Message(0, "MSG00001.VOC");
    fixtures::WriteFile(real_ / "DEMO.CHP", project.Build());
    fixtures::VocBuilder voc;
    voc.rowCount = 120;
    voc.Sound(211, fixtures::Bytes(7000, 0x90));
    fixtures::WriteFile(real_ / "MSG00001.VOC", voc.Build());
    fixtures::WriteFile(real_ / "IN.WAV", fixtures::Mono16(fixtures::Noise(4000, 9)).Build());
    fixtures::ScopedCurrentDir cwd(dir_.path());

    const cli::Args commands[] = {
        {"info", In("DEMO.CHP")},
        {"decode", In("MSG00001.VOC"), In("DECODED.WAV")},
        {"resample", In("IN.WAV"), In("OUT.WAV")},
        {"import", In("DEMO.CHP")},
    };
    for (const cli::Args& args : commands) {
        const fixtures::CliResult r = fixtures::RunCli(args);
        EXPECT_EQ(r.status, cli::kExitOk) << args[0] << ": " << r.err;
    }
    for (const char* written : {"DECODED.WAV", "OUT.WAV", "MSG00001.wav", "DEMO.zpf", "DEMO.tbl"})
        EXPECT_TRUE(fs::is_regular_file(real_ / written)) << written;
    // The project file lists the WAV file by the folder's own name.
    EXPECT_NE(fixtures::ReadText(real_ / "DEMO.zpf").find(In("MSG00001.wav")), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Names, NonAsciiFolder, ::testing::ValuesIn(kNames),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace chpimport
