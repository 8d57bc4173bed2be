// The working folder inside a folder whose name holds letters outside ASCII, natively and as
// a Windows program (where a path is text in the active code page). tests/cross/compare.sh
// runs every command on projects in such folders.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "base/file.hpp"
#include "base/native_path.hpp"
#include "base/work_dir.hpp"
#include "support/fixtures.hpp"

namespace chpimport {
namespace {

namespace fs = std::filesystem;

// "€" is where the Windows code page 1252 and Latin-1 part: reading narrow text as Latin-1
// finds "Größe" but not it.
struct FolderName {
    const char* label;
    const char8_t* name;
};
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

    fixtures::TempDir dir_;
    fs::path real_;      // the folder, as the file system names it
    std::string folder_; // the folder as the tool's narrow text
};

// A user named "Jürgen" has his temporary folder under such a name.
TEST_P(NonAsciiFolder, WorkingFolderInsideIt) {
#ifdef _WIN32
    const wchar_t* kVariable = L"TMP"; // what GetTempPath reads first
    const wchar_t* previous = _wgetenv(kVariable);
    const std::wstring saved = previous != nullptr ? previous : L"";
    _wputenv_s(kVariable, real_.c_str());
#else
    const char* kVariable = "TMPDIR";
    const char* previous = std::getenv(kVariable);
    const std::string saved = previous != nullptr ? previous : "";
    setenv(kVariable, real_.c_str(), 1);
#endif
    if (std::optional<WorkDir> work = WorkDir::Create(); work) {
        EXPECT_EQ(work->Path().rfind(folder_, 0), 0u) << work->Path();
        EXPECT_TRUE(File::Open(work->File("tmp.wav"), OpenMode::Create));
    } else {
        ADD_FAILURE() << "no working folder";
    }
    EXPECT_TRUE(fs::is_empty(real_)); // the working folder went with everything in it
#ifdef _WIN32
    _wputenv_s(kVariable, saved.c_str()); // empty: removed
#else
    if (saved.empty())
        unsetenv(kVariable);
    else
        setenv(kVariable, saved.c_str(), 1);
#endif
}

INSTANTIATE_TEST_SUITE_P(Names, NonAsciiFolder, ::testing::ValuesIn(kNames),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace chpimport
