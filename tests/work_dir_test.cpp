#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "base/work_dir.hpp"
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

} // namespace
} // namespace chpimport
