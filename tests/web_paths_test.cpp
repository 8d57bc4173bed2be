// The browser page's paths: a Windows output folder in a program whose own paths may be POSIX
// ones. The memory file system keeps the rules it was made with, and every path the import
// writes follows them, as chpimport.exe's would.
#include <gtest/gtest.h>

#include <string>

#include "base/file.hpp"
#include "base/memory_file_system.hpp"
#include "chp/import_session.hpp"
#include "report/html_text.hpp"
#include "web/output_folder.hpp"

namespace {

using namespace chpimport;

struct FolderCase {
    const char* typed;
    PathRules rules;
    const char* normal; // as the command line makes an output folder of it
    const char* key;    // as the memory file system compares it
};

const FolderCase kFolders[] = {
    {"C:\\Zuvan\\DOOR\\", PathRules::Windows, "C:\\Zuvan\\DOOR", "/c:/zuvan/door"},
    {"c:/Zuvan//a/../DOOR/.", PathRules::Windows, "c:\\Zuvan\\DOOR", "/c:/zuvan/door"},
    {"C:\\..\\..\\x", PathRules::Windows, "C:\\x", "/c:/x"},
    {"/home/me//door/", PathRules::Posix, "/home/me/door", "/home/me/door"},
    {"/home/Me/./x/../door", PathRules::Posix, "/home/Me/door", "/home/Me/door"},
    {"/", PathRules::Posix, "/", "/"},
};

class OutputFolder : public ::testing::TestWithParam<FolderCase> {};

TEST_P(OutputFolder, IsWrittenAsTheSystemWritesIt) {
    const FolderCase& c = GetParam();
    ASSERT_EQ(web::RulesOf(c.typed), c.rules);
    EXPECT_EQ(web::NormalFolder(c.typed, c.rules), c.normal);
    EXPECT_EQ(web::FolderKey(c.typed, c.rules), c.key);
}

INSTANTIATE_TEST_SUITE_P(Web, OutputFolder, ::testing::ValuesIn(kFolders));

TEST(OutputFolder, OnlyFullPathsAreTaken) {
    for (const char* typed : {"", "door", "C:door", "..\\x", "~/door", "1:\\x"})
        EXPECT_FALSE(web::RulesOf(typed)) << typed;
}

// What the zip holds: the names below its folder, never anything beside or above it.
TEST(OutputFolder, NamesBelowTheFolderOnly) {
    const std::string key = web::FolderKey("C:\\Zuvan\\DOOR", PathRules::Windows);
    EXPECT_EQ(web::NameBelow(key, "/C:/zuvan/Door/a/X.wav", PathRules::Windows), "a/X.wav");
    for (const char* path :
         {"/C:/Zuvan/DOOR", "/C:/Zuvan/DOORS/X.wav", "/C:/Zuvan/X.wav", "/D:/Zuvan/DOOR/X"})
        EXPECT_FALSE(web::NameBelow(key, path, PathRules::Windows)) << path;
    EXPECT_FALSE(web::NameBelow("/home/me", "/home/Me/x", PathRules::Posix));
    EXPECT_TRUE(web::IsProjectName("sub/DOOR.Chp"));
    EXPECT_FALSE(web::IsProjectName("sub/.chp"));
    EXPECT_FALSE(web::IsProjectName("DOOR.CHPX"));
}

// A Windows memory file system in any program: drives, "\", letter case, and the outputs'
// paths and the report's links made with "\" as chpimport.exe makes them.
TEST(WindowsRules, GiveTheWindowsProgramsPaths) {
    MemoryFileSystem files(PathRules::Windows);
    UseFileSystem(&files);
    EXPECT_TRUE(files.CreateFolder("C:") && files.CreateFolder("C:\\Zuvan") &&
                files.CreateFolder("c:/zuvan/DOOR"));
    {
        File out = File::Open("C:\\ZUVAN\\door\\MSG1.VOC", OpenMode::Create);
        ASSERT_TRUE(out);
        EXPECT_EQ(out.Write("x", 1), 1u);
    }
    EXPECT_TRUE(IsRegularFile("c:/Zuvan/DOOR/msg1.voc"));
    EXPECT_EQ(OutputPath(OutputPlacement{"C:\\Zuvan\\DOOR"}, "C:\\src\\MSG1.VOC", ".wav"),
              "C:\\Zuvan\\DOOR\\MSG1.wav");
    EXPECT_EQ(report::RelativePath("C:\\Zuvan\\DOOR", "C:\\Zuvan\\DOOR\\a\\MSG1.wav"),
              "a/MSG1.wav");
    EXPECT_EQ(report::RelativePath("C:\\Zuvan\\DOOR", "C:\\Zuvan\\x.wav"), "../x.wav");
    EXPECT_EQ(report::RelativePath("C:\\Zuvan", "D:\\Zuvan\\x.wav"), "");
    UseFileSystem(nullptr);
}

} // namespace
