#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "base/file.hpp"
#include "base/file_system.hpp"
#include "base/work_dir.hpp"
#include "base/working_file_system.hpp"
#include "support/fixtures.hpp"

namespace chpimport {
namespace {

namespace fs = std::filesystem;

TEST(WorkDir, PrivateUniqueAndRemovedWithItsFiles) {
    std::string path;
    {
        std::optional<WorkDir> work = WorkDir::Create();
        ASSERT_TRUE(work);
        path = work->Path();
        EXPECT_TRUE(fs::is_directory(path));
        EXPECT_EQ((fs::path(path).parent_path() / "").lexically_normal(),
                  (fs::temp_directory_path() / "").lexically_normal());
#ifndef _WIN32
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_all);
#endif
        std::optional<WorkDir> other = WorkDir::Create();
        ASSERT_TRUE(other);
        EXPECT_NE(other->Path(), path);
        fixtures::WriteFile(work->File("tmp.wav"), {1, 2});
        EXPECT_TRUE(fs::is_regular_file(fs::path(path) / "tmp.wav"));
    }
    EXPECT_FALSE(fs::exists(path));
}

TEST(WorkDir, MovedOwnershipRemovesOnce) {
    std::optional<WorkDir> work = WorkDir::Create();
    ASSERT_TRUE(work);
    const std::string path = work->Path();
    WorkDir moved = std::move(*work);
    work.reset(); // the moved-from object owns nothing
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(moved.Path(), path);
    std::optional<WorkDir> second = WorkDir::Create();
    ASSERT_TRUE(second);
    const std::string secondPath = second->Path();
    moved = std::move(*second); // the folder it held goes first
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(moved.Path(), secondPath);
}

std::string ReadBack(const std::string& path) {
    File file = File::Open(path, OpenMode::Read);
    std::string data(static_cast<std::size_t>(file ? file.Size() : 0), '\0');
    if (file) data.resize(file.Read(data.data(), data.size()));
    return data;
}

// Written as the converter writes a WAV file: in pieces, then the header patched in place.
TEST(WorkingFiles, InMemoryUntilPastTheLimitThenOnTheDiskWithEveryByte) {
    struct Case {
        std::size_t bytes;
        bool onDisk;
    };
    const Case cases[] = {{8, false}, {64, false}, {65, true}, {1000, true}};
    fixtures::TempDir dir;
    WorkingFileSystem files(dir.path().string(), 64);
    MountFolder(dir.path().string(), files);
    fs::create_directory(dir.path().string() + "-beside"); // shares the folder's name as a prefix
    const std::string beside = dir.path().string() + "-beside/tmp.wav";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        const std::string path = dir.File("tmp.wav");
        std::string expected;
        for (std::size_t i = 0; i < c.bytes; ++i) expected += static_cast<char>('a' + i % 26);
        {
            File out = File::Open(path, OpenMode::CreateReadWrite);
            for (std::size_t at = 0; at < expected.size(); at += 10)
                ASSERT_EQ(out.Write(expected.data() + at,
                                    std::min<std::size_t>(10, expected.size() - at)),
                          std::min<std::size_t>(10, expected.size() - at));
            ASSERT_TRUE(out.Seek(2, SEEK_SET));
            ASSERT_EQ(out.Write("SIZE", 4), 4u);
            ASSERT_TRUE(out.Close());
        }
        expected.replace(2, 4, "SIZE");
        EXPECT_EQ(fs::exists(path), c.onDisk);
        EXPECT_TRUE(IsRegularFile(path));
        EXPECT_EQ(ReadBack(path), expected);
        // Made anew, a file starts in memory again; deleted, it is gone from both.
        ASSERT_TRUE(File::Open(path, OpenMode::Create).Close());
        EXPECT_FALSE(fs::exists(path));
        EXPECT_EQ(ReadBack(path), "");
        EXPECT_TRUE(RemoveFile(path));
        EXPECT_FALSE(IsRegularFile(path));
        ASSERT_TRUE(File::Open(beside, OpenMode::Create).Close());
        EXPECT_TRUE(fs::exists(beside));
    }
    UnmountFolder(dir.path().string());
    fs::remove_all(dir.path().string() + "-beside");
}

} // namespace
} // namespace chpimport
