// The file system in memory against the disk: the same operations through the file layer
// must give the same results on both, failures included, and every fuzz harness must leave
// the same files and reach the same verdict on every seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/file.hpp"
#include "base/file_system.hpp"
#include "base/memory_file_system.hpp"
#include "fuzz/harness/harness.hpp"
#include "fuzz/harness/scratch.hpp"
#include "fuzz/harness/seeds.hpp"
#include "support/fixtures.hpp"

namespace chpimport {
namespace {

using fuzzing::InFolder;
using fuzzing::ReadBytes;
using fuzzing::WriteText;

// Serves every file operation from `memory` while it lives.
class UsingMemory {
public:
    UsingMemory() { UseFileSystem(&memory_); }
    ~UsingMemory() { UseFileSystem(nullptr); }
    MemoryFileSystem& memory() { return memory_; }

private:
    MemoryFileSystem memory_;
};

// What a sequence of operations saw, one word per result.
class Transcript {
public:
    explicit Transcript(std::string root) : root_(std::move(root)) {}
    std::string At(const std::string& name) const { return root_ + "/" + name; }
    Transcript& operator<<(const std::string& word) {
        text += word + " ";
        return *this;
    }
    Transcript& operator<<(std::int64_t number) { return *this << std::to_string(number); }
    Transcript& operator<<(bool yes) { return *this << std::string(yes ? "yes" : "no"); }
    // Whether the open succeeded and, on POSIX systems, the reason it failed.
    Transcript& Opened(const File& file) {
#ifdef _WIN32
        return *this << file.IsOpen();
#else
        return *this << (file.IsOpen() ? std::string("open") : std::to_string(file.OpenErrno()));
#endif
    }
    std::string text;

private:
    std::string root_;
};

std::string Put(File& file, const std::string& bytes) {
    return std::to_string(file.Write(bytes.data(), bytes.size())) + (file.HadError() ? "!" : "");
}

std::string Take(File& file, std::size_t count) {
    std::string bytes(count, '\0');
    bytes.resize(file.Read(bytes.data(), count));
    return "[" + bytes + "]" + (file.HadError() ? "!" : "");
}

using Scenario = std::function<void(Transcript&)>;

const std::map<std::string, Scenario> kScenarios = {
    {"OpenFailures",
     [](Transcript& t) {
         WriteText(t.At("f"), "x");
         CreateFolder(t.At("d"));
         t.Opened(File::Open(t.At("missing"), OpenMode::Read));
         t.Opened(File::Open(t.At("missing"), OpenMode::ReadWrite));
         t.Opened(File::Open(t.At("nofolder/a"), OpenMode::Create));
         t.Opened(File::Open(t.At("f/a"), OpenMode::Create));
         t.Opened(File::Open(t.At("d"), OpenMode::Create));
         t.Opened(File::Open(t.At("d/../f"), OpenMode::Read));
         t.Opened(File::Open(t.At("d/./new"), OpenMode::Append));
         t << IsRegularFile(t.At("d/new")) << IsRegularFile(t.At("f/")) << IsDirectory(t.At("d/"));
     }},
    {"ModesAndPositions",
     [](Transcript& t) {
         WriteText(t.At("f"), "abcdef");
         File read = File::Open(t.At("f"), OpenMode::Read);
         t << Take(read, 2) << Put(read, "zz") << read.Size() << read.Tell();
         File write = File::Open(t.At("g"), OpenMode::Create);
         t << Put(write, "12") << Take(write, 1);
         File both = File::Open(t.At("f"), OpenMode::ReadWrite);
         t << both.Seek(2, SEEK_SET) << Put(both, "XY") << both.Seek(-1, SEEK_CUR) << Take(both, 9);
         t << both.Seek(-1, SEEK_SET) << both.Tell() << both.Seek(3, SEEK_END) << Put(both, "!");
         t << both.Size() << both.Tell() << both.Close();
         File append = File::Open(t.At("f"), OpenMode::Append);
         t << append.Seek(0, SEEK_SET) << Put(append, "end") << append.Close();
         t << static_cast<std::int64_t>(ReadBytes(t.At("f")).size())
           << ReadBytes(t.At("f")).substr(6);
     }},
    {"RenameAndRemove",
     [](Transcript& t) {
         WriteText(t.At("a"), "A");
         WriteText(t.At("b"), "B");
         CreateFolder(t.At("d"));
         CreateFolder(t.At("e"));
         WriteText(t.At("d/in"), "I");
         t << RenameFile(t.At("a"), t.At("b")) << ReadBytes(t.At("b")) << IsRegularFile(t.At("a"));
         t << RenameFile(t.At("a"), t.At("c")) << RenameFile(t.At("b"), t.At("d"));
         t << RenameFile(t.At("d"), t.At("b")) << RenameFile(t.At("d"), t.At("d/sub"));
         t << RenameFile(t.At("b"), t.At("b")) << RenameFile(t.At("d"), t.At("e"));
         t << ReadBytes(t.At("e/in")) << IsDirectory(t.At("d"));
         t << RemoveFile(t.At("e")) << RemoveFile(t.At("e/in")) << RemoveFile(t.At("e"));
         t << RemoveFile(t.At("e")) << RemoveFile(t.At("b/"));
         t << ReplaceDurably(t.At("b"), t.At("c")) << ReadBytes(t.At("c"));
         t << ReplaceDurably(t.At("b"), t.At("c"));
     }},
    {"NamesAndListing",
     [](Transcript& t) {
         CreateFolder(t.At("d"));
         CreateFolder(t.At("d b"));
         WriteText(t.At("d/x"), "");
         WriteText(t.At("d/y"), "");
         WriteText(t.At("d.txt"), "");
         t << IsSameFile(t.At("d/x"), t.At("d/./x")) << IsSameFile(t.At("d/x"), t.At("d/y/../x"));
         t << IsSameFile(t.At("d/x"), t.At("d//x")) << IsSameFile(t.At("d/x"), t.At("d/y"));
         t << IsSameFile(t.At("d/z"), t.At("d/z")) << CreateFolder(t.At("d"));
         std::vector<std::string> names, none;
         t << ListFolder(t.At("d"), names) << ListFolder(t.At("d/x"), none);
         std::sort(names.begin(), names.end());
         for (const std::string& name : names) t << name;
         t << RenameFile(t.At("d"), t.At("moved")) << ListFolder(t.At("moved"), names);
         t << static_cast<std::int64_t>(names.size()) << ListFolder(t.At("d b"), none);
     }},
    {"OpenFilesKeepTheirData",
     [](Transcript& t) {
         WriteText(t.At("f"), "kept");
         File open = File::Open(t.At("f"), OpenMode::Read);
         // Windows refuses both while the file is open; POSIX systems let the data live on.
         t << RenameFile(t.At("f"), t.At("g")) << RemoveFile(t.At("g")) << RemoveFile(t.At("f"));
         t << Take(open, 9) << open.Close() << IsRegularFile(t.At("f"));
     }},
    {"NewFilesStartEmpty",
     [](Transcript& t) {
         // Deleted and replaced files leave nothing behind in the files made after them,
         // and a deleted file that is still open keeps its own data.
         WriteText(t.At("long"), std::string(5000, 'L'));
         t << RemoveFile(t.At("long"));
         WriteText(t.At("old"), std::string(3000, 'O'));
         WriteText(t.At("new"), "N");
         t << RenameFile(t.At("new"), t.At("old"));
         WriteText(t.At("open"), "still here");
         File open = File::Open(t.At("open"), OpenMode::Read);
         t << RemoveFile(t.At("open"));
         for (const char* name : {"a", "b", "c"}) {
             File made = File::Open(t.At(name), OpenMode::CreateReadWrite);
             t << Put(made, "xy") << made.Seek(6, SEEK_SET) << Put(made, "z");
             t << made.Seek(0, SEEK_SET) << Take(made, 20) << made.Size();
         }
         t << ReadBytes(t.At("old")) << Take(open, 20);
     }},
};

class SameAsTheDisk : public ::testing::TestWithParam<std::string> {};

TEST_P(SameAsTheDisk, GivesTheSameResults) {
    fixtures::TempDir dir;
    Transcript disk(dir.path().string());
    kScenarios.at(GetParam())(disk);
    UsingMemory memory;
    ASSERT_TRUE(CreateFolder("/root"));
    Transcript inMemory("/root");
    kScenarios.at(GetParam())(inMemory);
    EXPECT_EQ(inMemory.text, disk.text);
}

INSTANTIATE_TEST_SUITE_P(MemoryFileSystem, SameAsTheDisk,
                         ::testing::Values("OpenFailures", "ModesAndPositions", "RenameAndRemove",
                                           "NamesAndListing", "OpenFilesKeepTheirData",
                                           "NewFilesStartEmpty"));

TEST(MemoryFileSystem, RecordsWhatTheDiskReceives) {
    UsingMemory using_;
    std::vector<MemoryFileSystem::Event> journal;
    using_.memory().Record(&journal);
    ASSERT_TRUE(WriteText("fresh", "new"));
    ASSERT_TRUE(ReplaceDurably("fresh", "file"));
    using Kind = MemoryFileSystem::Event::Kind;
    std::vector<Kind> kinds;
    for (const auto& event : journal) kinds.push_back(event.kind);
    EXPECT_EQ(kinds, (std::vector<Kind>{Kind::CreateFile, Kind::Write, Kind::SyncFile, Kind::Rename,
                                        Kind::SyncFolder}));
    EXPECT_EQ(journal[1].bytes, "new");
    EXPECT_EQ(journal[2].file, journal[0].file);
    EXPECT_EQ(journal[3].to, "/file");
    EXPECT_EQ(journal[4].path, "/");
    const auto tree = using_.memory().Tree();
    ASSERT_EQ(tree.size(), 1u);
    EXPECT_EQ(tree.at("/file").data, "new");
}

TEST(MemoryFileSystem, FilesGrowOnlyToTheLimit) {
    UsingMemory using_;
    File file = File::Open("big", OpenMode::Create);
    ASSERT_TRUE(file.Seek(MemoryFileSystem::kMaxFileBytes - 2, SEEK_SET));
    EXPECT_EQ(file.Write("abcd", 4), 2u);
    EXPECT_TRUE(file.HadError());
}

// Everything under `folder`, by path inside it, with the scratch root in file contents
// written as "<root>".
void Collect(const std::string& folder, const std::string& inside, const std::string& root,
             std::map<std::string, std::string>& files) {
    std::vector<std::string> names;
    ListFolder(folder, names);
    for (const std::string& name : names) {
        const std::string path = InFolder(folder, name);
        if (IsDirectory(path)) {
            Collect(path, inside + name + "/", root, files);
            continue;
        }
        std::string bytes = ReadBytes(path);
        for (std::size_t at = bytes.find(root); at != std::string::npos; at = bytes.find(root))
            bytes.replace(at, root.size(), "<root>");
        files[inside + name] = bytes;
    }
}

using Harness = std::string (*)(const std::uint8_t*, std::size_t);

const std::map<std::string, Harness> kHarnesses = {
    {"chp", fuzzing::RunChpInput},
    {"voc", fuzzing::RunVocInput},
    {"converter", fuzzing::RunConverterInput},
    {"wavepost", fuzzing::RunWavePostInput},
    {"profile", fuzzing::RunProfileInput},
    {"import", fuzzing::RunImportInput},
};

struct Outcome {
    std::string verdict;
    std::map<std::string, std::string> files;
};

Outcome RunSeed(const std::string& target, const fixtures::Bytes& bytes) {
    fuzzing::Scratch& scratch = fuzzing::Scratch::Get();
    scratch.Fresh(target);
    Outcome outcome;
    outcome.verdict = kHarnesses.at(target)(bytes.data(), bytes.size());
    Collect(InFolder(scratch.Root(), target), "", scratch.Root(), outcome.files);
    return outcome;
}

TEST(MemoryFileSystem, EveryHarnessLeavesTheSameFilesOnEverySeed) {
    int seeds = 0;
    for (const fuzzing::Corpus& corpus : fuzzing::SeedCorpora()) {
        for (const auto& [name, bytes] : corpus.seeds) {
            SCOPED_TRACE(corpus.target + "/" + name);
            const Outcome disk = RunSeed(corpus.target, bytes);
            UsingMemory memory;
            const Outcome inMemory = RunSeed(corpus.target, bytes);
            EXPECT_EQ(inMemory.verdict, disk.verdict);
            EXPECT_EQ(inMemory.files, disk.files);
            EXPECT_FALSE(disk.files.empty());
            ++seeds;
        }
    }
    EXPECT_GT(seeds, 25);
}

} // namespace
} // namespace chpimport
