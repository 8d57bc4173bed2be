#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "audio/riff_io.hpp"
#include "support/fixtures.hpp"

namespace chpimport {
namespace {

using fixtures::Bytes;
using fixtures::Chunk;
using fixtures::PutLe32;
using fixtures::PutText;

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

// "RIFF", size, form type, then the given chunks; the size as declared or counted.
Bytes Riff(std::string_view type, const Bytes& chunks, std::int64_t declared = -1) {
    Bytes out;
    PutText(out, "RIFF");
    PutLe32(out, static_cast<std::uint32_t>(declared >= 0 ? declared : chunks.size() + 4));
    PutText(out, type);
    out.insert(out.end(), chunks.begin(), chunks.end());
    return out;
}

TEST(FourCC, CodesAreTheCharactersInFileOrder) {
    EXPECT_EQ(StringToFourCC("WAVE"), 0x45564157u);
    EXPECT_EQ(StringToFourCC("WAVE"), kFourCCWave);
    EXPECT_EQ(StringToFourCC("fmt "), kFourCCFmt);
    EXPECT_EQ(FourCCText(StringToFourCC("DISP")), "DISP");
    // Case is kept; short texts are padded with blanks, long ones cut at four.
    EXPECT_NE(StringToFourCC("disp"), StringToFourCC("DISP"));
    EXPECT_EQ(FourCCText(StringToFourCC("ab")), "ab  ");
    EXPECT_EQ(FourCCText(StringToFourCC(std::string_view("a\0cd", 4))), "a   ");
    EXPECT_EQ(StringToFourCC("DISPLAY"), StringToFourCC("DISP"));
}

TEST(RiffOpen, ModesAndTruncation) {
    fixtures::TempDir dir;
    std::string path = dir.File("a.wav");
    EXPECT_FALSE(RiffFile::Open(path, kMmioRead).IsOpen());
    EXPECT_FALSE(RiffFile::Open(path, kMmioReadWrite).IsOpen());
    EXPECT_FALSE(RiffFile::Open("", kMmioCreate | kMmioWrite).IsOpen());

    fixtures::WriteFile(path, Bytes(100, 0x55));
    for (std::uint32_t flags : {kMmioCreate | kMmioWrite, kMmioCreate | kMmioWrite | kMmioAllocBuf,
                                kMmioCreate | kMmioReadWrite}) {
        fixtures::WriteFile(path, Bytes(100, 0x55));
        RiffFile file = RiffFile::Open(path, flags);
        ASSERT_TRUE(file.IsOpen()) << flags;
        EXPECT_EQ(file.Write("xy", 2), 2);
        EXPECT_TRUE(file.Close());
        EXPECT_EQ(fixtures::ReadFile(path), (Bytes{'x', 'y'})) << flags;
    }

    // Read-write keeps the file and writes over it in place.
    RiffFile file = RiffFile::Open(path, kMmioReadWrite);
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(file.Seek(1, SEEK_SET), 1);
    EXPECT_EQ(file.Write("Z", 1), 1);
    file.Close();
    EXPECT_EQ(fixtures::ReadFile(path), (Bytes{'x', 'Z'}));
}

TEST(RiffReadWriteSeek, CountsAndPositions) {
    fixtures::TempDir dir;
    std::string path = dir.File("a.bin");
    fixtures::WriteFile(path, Bytes{1, 2, 3, 4, 5});
    RiffFile file = RiffFile::Open(path, kMmioRead);
    char buffer[8];
    EXPECT_EQ(file.Read(buffer, 3), 3);
    EXPECT_EQ(file.Seek(1, SEEK_CUR), 4);
    EXPECT_EQ(file.Read(buffer, 8), 1);
    EXPECT_EQ(buffer[0], 5);
    EXPECT_EQ(file.Read(buffer, 8), 0);
    EXPECT_EQ(file.Seek(-2, SEEK_END), 3);
    EXPECT_EQ(file.Seek(-1, SEEK_SET), -1);
    EXPECT_EQ(file.Read(buffer, -1), -1);
    EXPECT_EQ(file.Size(), 5);

    fixtures::FailIo failing(IoOp::Read, 1);
    EXPECT_EQ(file.Read(buffer, 1), -1);
}

TEST(RiffCreate, WavHeaderLaidOutByCreateAndAscend) {
    fixtures::TempDir dir;
    std::string path = dir.File("a.wav");
    {
        RiffFile file = RiffFile::Open(path, kMmioCreate | kMmioWrite | kMmioAllocBuf);
        MMCKINFO riff;
        riff.fccType = kFourCCWave;
        ASSERT_EQ(file.CreateChunk(riff, kMmioCreateRiff), 0u);
        EXPECT_EQ(riff.ckid, kFourCCRiff);
        EXPECT_EQ(riff.dwDataOffset, 8u);
        EXPECT_EQ(riff.dwFlags, kMmioDirty);

        MMCKINFO chunk;
        chunk.ckid = kFourCCFmt;
        chunk.cksize = 16;
        ASSERT_EQ(file.CreateChunk(chunk, 0), 0u);
        EXPECT_EQ(chunk.dwDataOffset, 20u);
        EXPECT_EQ(file.Write("0123456789abcdef", 16), 16);
        ASSERT_EQ(file.Ascend(chunk), 0u);
        EXPECT_EQ(chunk.cksize, 16u);
        EXPECT_EQ(chunk.dwFlags, 0u);

        // The provisional size 16 is put right to 0 for a chunk left empty.
        chunk.ckid = kFourCCData;
        ASSERT_EQ(file.CreateChunk(chunk, 0), 0u);
        EXPECT_EQ(chunk.dwDataOffset, 44u);
        ASSERT_EQ(file.Ascend(chunk), 0u);
        EXPECT_EQ(chunk.cksize, 0u);
        ASSERT_EQ(file.Ascend(riff), 0u);
        EXPECT_EQ(riff.cksize, 36u);
        EXPECT_EQ(file.Tell(), 44);
        EXPECT_TRUE(file.Close());
    }
    Bytes fmt;
    PutText(fmt, "0123456789abcdef");
    Bytes expected = Riff("WAVE", Concat({Chunk("fmt ", fmt), Chunk("data", {})}));
    EXPECT_EQ(fixtures::ReadFile(path), expected);
}

struct AscendCase {
    const char* name;
    std::uint32_t provisional;
    int written;
    std::uint32_t size;
    std::int64_t endPosition;
};

void PrintTo(const AscendCase& c, std::ostream* os) {
    *os << c.name;
}

class DirtyAscend : public ::testing::TestWithParam<AscendCase> {};

TEST_P(DirtyAscend, SizeFromThePositionAndPadAfterAnOddBody) {
    const AscendCase& c = GetParam();
    fixtures::TempDir dir;
    std::string path = dir.File("a.bin");
    Bytes body;
    for (int i = 0; i < c.written; ++i) body.push_back(static_cast<std::uint8_t>('a' + i));
    {
        RiffFile file = RiffFile::Open(path, kMmioCreate | kMmioWrite);
        MMCKINFO chunk;
        chunk.ckid = StringToFourCC("abcd");
        chunk.cksize = c.provisional;
        ASSERT_EQ(file.CreateChunk(chunk, 0), 0u);
        EXPECT_EQ(file.Write(body.data(), c.written), c.written);
        ASSERT_EQ(file.Ascend(chunk), 0u);
        EXPECT_EQ(chunk.cksize, c.size);
        EXPECT_EQ(file.Tell(), c.endPosition);
        // Whatever comes next lands after the pad byte.
        EXPECT_EQ(file.Write("Z", 1), 1);
        file.Close();
    }
    Bytes expected = Chunk("abcd", body);
    expected.push_back('Z');
    EXPECT_EQ(fixtures::ReadFile(path), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Chunks, DirtyAscend,
    ::testing::Values(AscendCase{"even body, size already right", 4, 4, 4, 12},
                      AscendCase{"even body, provisional too big", 100, 4, 4, 12},
                      AscendCase{"odd body gets a pad byte", 0, 3, 3, 12},
                      AscendCase{"odd body whose size was right gets it too", 3, 3, 3, 12},
                      AscendCase{"empty body", 0xFFFFFFFF, 0, 0, 8},
                      AscendCase{"one byte", 2, 1, 1, 10}));

TEST(RiffAscend, CleanRecordOnlyMovesPastTheChunkAndItsPad) {
    fixtures::TempDir dir;
    std::string path = dir.File("a.bin");
    Bytes bytes = Concat({Chunk("odd ", {1, 2, 3, 4, 5}), Chunk("next", {9, 9})});
    fixtures::WriteFile(path, bytes);
    RiffFile file = RiffFile::Open(path, kMmioReadWrite);
    MMCKINFO chunk;
    ASSERT_EQ(file.Descend(chunk, nullptr, 0), 0u);
    char one;
    EXPECT_EQ(file.Read(&one, 1), 1);
    ASSERT_EQ(file.Ascend(chunk), 0u);
    EXPECT_EQ(file.Tell(), 14);
    EXPECT_EQ(chunk.cksize, 5u);
    file.Close();
    EXPECT_EQ(fixtures::ReadFile(path), bytes);
}

TEST(RiffAscend, CleanRecordNeverLeavesTheFile) {
    // A size far beyond the end must not carry a later write 4 GB away.
    fixtures::TempDir dir;
    std::string path = dir.File("a.bin");
    Bytes bytes;
    PutText(bytes, "huge");
    PutLe32(bytes, 0xFFFFFFFF);
    PutText(bytes, "abc");
    fixtures::WriteFile(path, bytes);
    RiffFile file = RiffFile::Open(path, kMmioReadWrite);
    MMCKINFO chunk;
    ASSERT_EQ(file.Descend(chunk, nullptr, 0), 0u);
    EXPECT_EQ(chunk.cksize, 0xFFFFFFFFu);
    ASSERT_EQ(file.Ascend(chunk), 0u);
    EXPECT_EQ(file.Tell(), 11);
    EXPECT_EQ(file.Write("!", 1), 1);
    file.Close();
    EXPECT_EQ(fixtures::ReadFile(path).size(), 12u);
}

TEST(RiffCreate, ListAndRiffFlagsForceTheIdAndWriteTheType) {
    fixtures::TempDir dir;
    std::string path = dir.File("a.bin");
    {
        RiffFile file = RiffFile::Open(path, kMmioCreate | kMmioWrite);
        MMCKINFO list;
        list.ckid = StringToFourCC("junk");
        list.fccType = StringToFourCC("INFO");
        list.cksize = 7;
        ASSERT_EQ(file.CreateChunk(list, kMmioCreateList), 0u);
        EXPECT_EQ(list.ckid, kFourCCList);
        EXPECT_EQ(list.dwDataOffset, 8u);
        MMCKINFO sub;
        sub.ckid = StringToFourCC("INAM");
        ASSERT_EQ(file.CreateChunk(sub, 0), 0u);
        EXPECT_EQ(file.Write("ab", 2), 2);
        ASSERT_EQ(file.Ascend(sub), 0u);
        ASSERT_EQ(file.Ascend(list), 0u);
        EXPECT_EQ(list.cksize, 14u); // the type and the 10-byte sub-chunk
        file.Close();
    }
    Bytes expected;
    PutText(expected, "LIST");
    PutLe32(expected, 14);
    PutText(expected, "INFO");
    Bytes sub = Chunk("INAM", {'a', 'b'});
    expected.insert(expected.end(), sub.begin(), sub.end());
    EXPECT_EQ(fixtures::ReadFile(path), expected);
}

TEST(RiffCreate, FailedHeaderWriteIsReported) {
    fixtures::TempDir dir;
    RiffFile file = RiffFile::Open(dir.File("a.bin"), kMmioCreate | kMmioWrite);
    fixtures::FailIo failing(IoOp::Write, 1);
    MMCKINFO chunk;
    EXPECT_NE(file.CreateChunk(chunk, kMmioCreateRiff), 0u);
    EXPECT_EQ(file.Write("x", 1), -1);
}

TEST(RiffAscend, FailedSizeRewriteIsReported) {
    fixtures::TempDir dir;
    RiffFile file = RiffFile::Open(dir.File("a.bin"), kMmioCreate | kMmioWrite);
    MMCKINFO chunk;
    ASSERT_EQ(file.CreateChunk(chunk, 0), 0u);
    ASSERT_EQ(file.Write("ab", 2), 2);
    fixtures::FailIo failing(IoOp::Write, 1);
    EXPECT_NE(file.Ascend(chunk), 0u);
}

// A RIFF file with a format chunk, an odd chunk, the data chunk and a DISP chunk beyond the
// end its header declares.
Bytes WalkFile() {
    Bytes inside = Concat(
        {Chunk("fmt ", Bytes(16, 1)), Chunk("odd ", {1, 2, 3}), Chunk("data", {5, 6, 7, 8})});
    return Concat({Riff("WAVE", inside), Chunk("DISP", {1, 0, 0, 0, 'h', 'i'})});
}

TEST(RiffDescend, FirstChunkIsTheRiffChunkWithItsType) {
    fixtures::TempDir dir;
    std::string path = dir.File("a.wav");
    fixtures::WriteFile(path, WalkFile());
    RiffFile file = RiffFile::Open(path, kMmioRead);
    MMCKINFO riff;
    riff.dwFlags = kMmioDirty;
    ASSERT_EQ(file.Descend(riff, nullptr, 0), 0u);
    EXPECT_EQ(riff.ckid, kFourCCRiff);
    EXPECT_EQ(riff.fccType, kFourCCWave);
    EXPECT_EQ(riff.cksize, 4u + 24 + 12 + 12);
    EXPECT_EQ(riff.dwDataOffset, 8u);
    EXPECT_EQ(riff.dwFlags, 0u);
    EXPECT_EQ(file.Tell(), 12);

    // Without find-chunk: the chunk at the position, whatever its id; no type for others.
    MMCKINFO chunk;
    ASSERT_EQ(file.Descend(chunk, &riff, 0), 0u);
    EXPECT_EQ(chunk.ckid, kFourCCFmt);
    EXPECT_EQ(chunk.fccType, 0u);
    EXPECT_EQ(chunk.dwDataOffset, 20u);
    EXPECT_EQ(file.Tell(), 20);
    ASSERT_EQ(file.Ascend(chunk), 0u);
    ASSERT_EQ(file.Descend(chunk, &riff, 0), 0u);
    EXPECT_EQ(FourCCText(chunk.ckid), "odd ");
    ASSERT_EQ(file.Ascend(chunk), 0u);
    ASSERT_EQ(file.Descend(chunk, &riff, 0), 0u);
    EXPECT_EQ(chunk.ckid, kFourCCData);
    ASSERT_EQ(file.Ascend(chunk), 0u);
    // The DISP chunk starts right at the RIFF chunk's end: not found within it...
    const std::int64_t here = file.Tell();
    EXPECT_EQ(file.Descend(chunk, &riff, 0), kMmioErrChunkNotFound);
    EXPECT_EQ(file.Tell(), here);
    // ...but found without a parent.
    ASSERT_EQ(file.Descend(chunk, nullptr, 0), 0u);
    EXPECT_EQ(FourCCText(chunk.ckid), "DISP");
    ASSERT_EQ(file.Ascend(chunk), 0u);
    EXPECT_EQ(file.Descend(chunk, nullptr, 0), kMmioErrChunkNotFound);
}

struct FindCase {
    const char* name;
    Bytes file;
    const char* wanted;
    bool withParent;
    std::int64_t bodyAt; // -1: not found
};

void PrintTo(const FindCase& c, std::ostream* os) {
    *os << c.name;
}

class FindChunk : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindChunk, SkipsOtherChunksWithinTheParent) {
    const FindCase& c = GetParam();
    fixtures::TempDir dir;
    std::string path = dir.File("a.bin");
    fixtures::WriteFile(path, c.file);
    RiffFile file = RiffFile::Open(path, kMmioRead);
    MMCKINFO riff;
    ASSERT_EQ(file.Descend(riff, nullptr, 0), 0u);
    MMCKINFO chunk;
    chunk.ckid = StringToFourCC(c.wanted);
    std::uint32_t result = file.Descend(chunk, c.withParent ? &riff : nullptr, kMmioFindChunk);
    if (c.bodyAt < 0) {
        EXPECT_EQ(result, kMmioErrChunkNotFound);
        EXPECT_EQ(file.Tell(), 12);
    } else {
        ASSERT_EQ(result, 0u);
        EXPECT_EQ(FourCCText(chunk.ckid), c.wanted);
        EXPECT_EQ(chunk.dwDataOffset, static_cast<std::uint32_t>(c.bodyAt));
        EXPECT_EQ(file.Tell(), c.bodyAt);
    }
}

Bytes HugeChunkThenData() {
    Bytes huge;
    PutText(huge, "huge");
    PutLe32(huge, 0xFFFFFFFF);
    return Riff("WAVE", Concat({huge, Chunk("data", {1, 2})}), 0xFFFFFFFF);
}

Bytes TruncatedHeader() {
    Bytes out = Riff("WAVE", Chunk("fmt ", Bytes(16, 0)));
    PutText(out, "dat");
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Files, FindChunk,
    ::testing::Values(
        FindCase{"data after an odd chunk and its pad", WalkFile(), "data", true, 56},
        FindCase{"first of its kind", WalkFile(), "fmt ", true, 20},
        FindCase{"DISP beyond the RIFF end is not searched", WalkFile(), "DISP", true, -1},
        FindCase{"DISP found without a parent", WalkFile(), "DISP", false, 68},
        FindCase{"id compared with its case", WalkFile(), "DATA", false, -1},
        FindCase{"parent that ends before the chunk", Riff("WAVE", Chunk("data", {1, 2}), 4),
                 "data", true, -1},
        FindCase{"huge size skips past the end", HugeChunkThenData(), "data", true, -1},
        FindCase{"header cut short", TruncatedHeader(), "data", false, -1},
        FindCase{"empty RIFF chunk", Riff("WAVE", {}), "data", true, -1}));

TEST(RiffDescend, RiffHeaderCutShortIsNotFound) {
    fixtures::TempDir dir;
    std::string path = dir.File("a.bin");
    for (const Bytes& bytes : {Bytes{}, Bytes{'R', 'I', 'F', 'F', 4, 0, 0},
                               Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W'}}) {
        fixtures::WriteFile(path, bytes);
        RiffFile file = RiffFile::Open(path, kMmioRead);
        MMCKINFO chunk;
        EXPECT_EQ(file.Descend(chunk, nullptr, 0), kMmioErrChunkNotFound) << bytes.size();
        EXPECT_EQ(file.Tell(), 0);
    }
}

} // namespace
} // namespace chpimport
