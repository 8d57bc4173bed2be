#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "audio/wav_post.hpp"
#include "support/fixtures.hpp"

namespace chpimport {
namespace {

using fixtures::Bytes;
using fixtures::Chunk;
using fixtures::PutLe32;
using fixtures::PutText;
using fixtures::WavBuilder;

std::vector<std::int16_t> Ramp(int count) {
    std::vector<std::int16_t> samples;
    for (int i = 0; i < count; ++i) samples.push_back(static_cast<std::int16_t>(i * 13 - 30000));
    return samples;
}

std::vector<std::int16_t> Slice(const std::vector<std::int16_t>& samples, std::size_t from,
                                std::size_t to) {
    return std::vector<std::int16_t>(samples.begin() + static_cast<std::ptrdiff_t>(from),
                                     samples.begin() + static_cast<std::ptrdiff_t>(to));
}

Bytes DispChunk(std::string_view text, std::uint32_t type = 1) {
    Bytes body;
    PutLe32(body, type);
    PutText(body, text);
    body.push_back(0);
    if (body.size() % 2) body.push_back(0);
    return Chunk("DISP", body);
}

// The converter's output: 44-byte header, samples, a DISP chunk beyond the RIFF end.
WavBuilder ConvertedMessage(const std::vector<std::int16_t>& samples) {
    WavBuilder source;
    source.sampleRate = 11111;
    source.Samples16(samples);
    source.beyondRiff = DispChunk("message text");
    return source;
}

struct RangeCase {
    const char* name;
    std::int32_t first;
    std::int32_t last;
    std::size_t from; // expected samples [from, to) of the 5000
    std::size_t to;
};

void PrintTo(const RangeCase& c, std::ostream* os) {
    *os << c.name;
}

class CopyRange : public ::testing::TestWithParam<RangeCase> {};

TEST_P(CopyRange, WritesHeaderFormatAndTheSamplesOfTheRange) {
    const RangeCase& c = GetParam();
    const auto samples = Ramp(5000);
    fixtures::TempDir dir;
    fixtures::WriteFile(dir.File("tmp1.wav"), ConvertedMessage(samples).Build());

    std::int32_t result = CopyWaveRange(dir.File("tmp1.wav"), dir.File("out.wav"), c.first, c.last);
    EXPECT_EQ(result, static_cast<std::int32_t>(c.to - c.from));
    WavBuilder expected;
    expected.sampleRate = 11111;
    expected.Samples16(Slice(samples, c.from, c.to));
    EXPECT_EQ(fixtures::ReadFile(dir.File("out.wav")), expected.Build());
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, CopyRange,
    ::testing::Values(RangeCase{"first 999 of 5000", 0, 999, 0, 999},
                      RangeCase{"whole with last -1", 0, -1, 0, 5000},
                      RangeCase{"first equal to last", 10, 10, 10, 10},
                      RangeCase{"middle", 1234, 2345, 1234, 2345},
                      RangeCase{"last one sample", 4999, 5000, 4999, 5000},
                      RangeCase{"positive first, negative last", 4000, -1, 4000, 5000},
                      RangeCase{"past the end stops at the data end", 4990, 6000, 4990, 5000},
                      RangeCase{"start past the end", 6000, 7000, 5000, 5000},
                      RangeCase{"last before first", 20, 10, 10, 10},
                      RangeCase{"far past the end", 0, 0x7FFFFFFF, 0, 5000}));

TEST(CopyRangeFormat, LongerFormatChunkGivesItsFirstSixteenBytes) {
    WavBuilder source;
    source.fmtSize = 18;
    source.Samples16({1, 2, 3});
    fixtures::TempDir dir;
    fixtures::WriteFile(dir.File("in.wav"), source.Build());
    EXPECT_EQ(CopyWaveRange(dir.File("in.wav"), dir.File("out.wav"), 0, -1), 3);
    WavBuilder expected;
    expected.Samples16({1, 2, 3});
    EXPECT_EQ(fixtures::ReadFile(dir.File("out.wav")), expected.Build());
}

TEST(CopyRangeChunks, ChunksAfterTheDataChunkAreCopied) {
    Bytes info = Chunk("INAM", {'a', 'b', 'c'}); // odd: padded
    Bytes comment = Chunk("ICMT", {'x', 'y'});
    Bytes listBody;
    PutText(listBody, "INFO");
    listBody.insert(listBody.end(), info.begin(), info.end());
    listBody.insert(listBody.end(), comment.begin(), comment.end());
    Bytes after = Chunk("LIST", listBody);
    Bytes cue = Chunk("cue ", {1, 2, 3, 4, 5});
    after.insert(after.end(), cue.begin(), cue.end());

    WavBuilder source;
    source.Samples16(Ramp(10));
    source.afterData = after;
    source.beyondRiff = DispChunk("not copied");
    fixtures::TempDir dir;
    fixtures::WriteFile(dir.File("in.wav"), source.Build());

    EXPECT_EQ(CopyWaveRange(dir.File("in.wav"), dir.File("out.wav"), 2, 5), 3);
    WavBuilder expected;
    expected.Samples16(Slice(Ramp(10), 2, 5));
    expected.afterData = after; // the LIST keeps its sub-chunks; the cue chunk stays its own
    EXPECT_EQ(fixtures::ReadFile(dir.File("out.wav")), expected.Build());
}

TEST(CopyRangeChunks, ChunkSizesBeyondTheFileAreCutToIt) {
    // A LIST whose sub-chunk claims more than the file holds; a data chunk of 0xFFFFFFFF.
    Bytes after;
    PutText(after, "LIST");
    PutLe32(after, 0xFFFFFFF0);
    PutText(after, "INFO");
    PutText(after, "INAM");
    PutLe32(after, 1000);
    PutText(after, "abcd");
    WavBuilder source;
    source.Samples16({7, 8});
    source.afterData = after;
    fixtures::TempDir dir;
    fixtures::WriteFile(dir.File("in.wav"), source.Build());
    EXPECT_EQ(CopyWaveRange(dir.File("in.wav"), dir.File("out.wav"), 0, -1), 2);

    Bytes list;
    PutText(list, "INFO");
    Bytes sub = Chunk("INAM", {'a', 'b', 'c', 'd'});
    list.insert(list.end(), sub.begin(), sub.end());
    WavBuilder expected;
    expected.Samples16({7, 8});
    expected.afterData = Chunk("LIST", list);
    EXPECT_EQ(fixtures::ReadFile(dir.File("out.wav")), expected.Build());

    source.afterData.clear();
    source.autoDataSize = false;
    source.dataSize = 0xFFFFFFFF;
    source.beyondRiff = DispChunk("text");
    fixtures::WriteFile(dir.File("in.wav"), source.Build());
    EXPECT_EQ(CopyWaveRange(dir.File("in.wav"), dir.File("out.wav"), 0, -1), 2);
    expected.afterData.clear();
    EXPECT_EQ(fixtures::ReadFile(dir.File("out.wav")), expected.Build());
}

struct RefusedCase {
    const char* name;
    Bytes source;
};

void PrintTo(const RefusedCase& c, std::ostream* os) {
    *os << c.name;
}

class CopyRangeRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(CopyRangeRefused, GivesZero) {
    fixtures::TempDir dir;
    fixtures::WriteFile(dir.File("in.wav"), GetParam().source);
    EXPECT_EQ(CopyWaveRange(dir.File("in.wav"), dir.File("out.wav"), 0, -1), 0);
}

WavBuilder With(void (*change)(WavBuilder&)) {
    WavBuilder builder;
    builder.Samples16({1, 2, 3, 4});
    change(builder);
    return builder;
}

Bytes NoDataChunk() {
    Bytes out = With([](WavBuilder&) {}).Build();
    out.resize(36);
    out[4] = 28;
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Sources, CopyRangeRefused,
    ::testing::Values(RefusedCase{"empty file", {}},
                      RefusedCase{"not RIFF",
                                  With([](WavBuilder& b) { b.riffId = "RIFX"; }).Build()},
                      RefusedCase{"format chunk of 14 bytes",
                                  With([](WavBuilder& b) { b.fmtSize = 14; }).Build()},
                      RefusedCase{"no data chunk", NoDataChunk()},
                      RefusedCase{"RIFF too small for its format chunk", With([](WavBuilder& b) {
                                                                             b.autoRiffSize = false;
                                                                             b.riffSize = 4;
                                                                         }).Build()}));

TEST(CopyRangeFailures, MissingSourceLeavesTheDestinationAlone) {
    fixtures::TempDir dir;
    fixtures::WriteFile(dir.File("out.wav"), Bytes{1, 2, 3});
    EXPECT_EQ(CopyWaveRange(dir.File("missing.wav"), dir.File("out.wav"), 0, -1), 0);
    EXPECT_EQ(fixtures::ReadFile(dir.File("out.wav")), (Bytes{1, 2, 3}));
    EXPECT_EQ(CopyWaveRange("", dir.File("out.wav"), 0, -1), 0);
    EXPECT_EQ(CopyWaveRange(dir.File("out.wav"), "", 0, -1), 0);
    EXPECT_EQ(CopyWaveRange(dir.File("out.wav"), dir.File("x.wav"), -1, 5), 0);
}

TEST(CopyRangeFailures, CopyOntoItselfLeavesTheFileAlone) {
    fixtures::TempDir dir;
    Bytes bytes = ConvertedMessage(Ramp(10)).Build();
    fixtures::WriteFile(dir.File("tmp1.wav"), bytes);
    std::string other = (dir.path() / "." / "tmp1.wav").string();
    EXPECT_EQ(CopyWaveRange(dir.File("tmp1.wav"), other, 0, -1), 0);
    EXPECT_EQ(fixtures::ReadFile(dir.File("tmp1.wav")), bytes);
}

TEST(CopyRangeFailures, ExistingDestinationIsReplaced) {
    fixtures::TempDir dir;
    fixtures::WriteFile(dir.File("in.wav"), ConvertedMessage(Ramp(4)).Build());
    fixtures::WriteFile(dir.File("out.wav"), Bytes(1000, 0xAA));
    EXPECT_EQ(CopyWaveRange(dir.File("in.wav"), dir.File("out.wav"), 0, 2), 2);
    EXPECT_EQ(fixtures::ReadFile(dir.File("out.wav")).size(), 44u + 4);
}

TEST(CopyRangeFailures, DiskErrorsGiveZero) {
    fixtures::TempDir dir;
    fixtures::WriteFile(dir.File("in.wav"), ConvertedMessage(Ramp(30000)).Build());
    int writes = 0;
    {
        fixtures::FailIo counting(IoOp::Write, 1000000);
        ASSERT_EQ(CopyWaveRange(dir.File("in.wav"), dir.File("out.wav"), 0, -1), 30000);
        writes = counting.seen();
    }
    // A failure at any write, and at the close, is reported.
    for (int nth = 1; nth <= writes; ++nth) {
        fixtures::FailIo failing(IoOp::Write, nth, false);
        EXPECT_EQ(CopyWaveRange(dir.File("in.wav"), dir.File("out.wav"), 0, -1), 0) << nth;
    }
    fixtures::FailIo failing(IoOp::Close, 2, false);
    EXPECT_EQ(CopyWaveRange(dir.File("in.wav"), dir.File("out.wav"), 0, -1), 0);
}

TEST(CopyRangeFailures, FailingReadEndsTheCopyAndCountsWhatWasWritten) {
    fixtures::TempDir dir;
    fixtures::WriteFile(dir.File("in.wav"), ConvertedMessage(Ramp(30000)).Build());
    int reads = 0;
    {
        fixtures::FailIo counting(IoOp::Read, 1000000);
        ASSERT_EQ(CopyWaveRange(dir.File("in.wav"), dir.File("out.wav"), 0, -1), 30000);
        reads = counting.seen();
    }
    // The header takes 5 reads (RIFF header and type, format header and body, data header);
    // the samples come in blocks of 10000.
    ASSERT_EQ(reads, 5 + 3);
    fixtures::FailIo failing(IoOp::Read, 7, false);
    EXPECT_EQ(CopyWaveRange(dir.File("in.wav"), dir.File("out.wav"), 0, -1), 10000);
    WavBuilder expected;
    expected.sampleRate = 11111;
    expected.Samples16(Slice(Ramp(30000), 0, 10000));
    EXPECT_EQ(fixtures::ReadFile(dir.File("out.wav")), expected.Build());
}

TEST(CopyChunkRecordTest, KeepsTheDestinationsDataOffset) {
    MMCKINFO source{StringToFourCC("LIST"), 77, StringToFourCC("INFO"), 1234, kMmioDirty};
    MMCKINFO dest{0, 0, 0, 99, 0};
    MMCKINFO& result = CopyChunkRecord(dest, source);
    EXPECT_EQ(&result, &dest);
    EXPECT_EQ(dest.ckid, source.ckid);
    EXPECT_EQ(dest.cksize, 77u);
    EXPECT_EQ(dest.fccType, source.fccType);
    EXPECT_EQ(dest.dwFlags, kMmioDirty);
    EXPECT_EQ(dest.dwDataOffset, 99u);
}

struct AppendCase {
    std::string text;
    std::int16_t count;
    std::string stored; // what a DISP reader sees
};

class AppendDisp : public ::testing::TestWithParam<AppendCase> {};

TEST_P(AppendDisp, AppendsBeyondTheRiffEndWithAnEvenCount) {
    const AppendCase& c = GetParam();
    WavBuilder wav;
    wav.Samples16({1, 2});
    const Bytes before = wav.Build();
    fixtures::TempDir dir;
    std::string path = dir.File("out.wav");
    fixtures::WriteFile(path, before);

    EXPECT_EQ(AppendDispChunk(path, c.text), c.count);
    Bytes body;
    PutLe32(body, 1);
    PutText(body, c.stored);
    body.resize(4 + static_cast<std::size_t>(c.count), 0);
    Bytes expected = before;
    Bytes chunk = Chunk("DISP", body);
    expected.insert(expected.end(), chunk.begin(), chunk.end());
    EXPECT_EQ(fixtures::ReadFile(path), expected);

    // The RIFF header does not count it, so a DISP reader does not see it.
    std::string text = "left over";
    EXPECT_EQ(ReadDispText(path, text), 0);
    EXPECT_EQ(text, "");
}

INSTANTIATE_TEST_SUITE_P(
    Texts, AppendDisp,
    ::testing::Values(AppendCase{"", 2, ""}, AppendCase{"a", 2, "a"}, AppendCase{"ab", 4, "ab"},
                      AppendCase{"abc", 4, "abc"}, AppendCase{"abcd", 6, "abcd"},
                      AppendCase{std::string("ab\0cdef", 7), 4, "ab"},
                      AppendCase{std::string(255, 'x'), 256, std::string(255, 'x')}));

TEST(AppendDispEdges, EmptyTextGivesTheFourteenBytes) {
    fixtures::TempDir dir;
    std::string path = dir.File("out.wav");
    WavBuilder wav;
    fixtures::WriteFile(path, wav.Build());
    ASSERT_EQ(AppendDispChunk(path, ""), 2);
    Bytes all = fixtures::ReadFile(path);
    ASSERT_EQ(all.size(), 44u + 14);
    EXPECT_EQ(Bytes(all.begin() + 44, all.end()),
              (Bytes{'D', 'I', 'S', 'P', 6, 0, 0, 0, 1, 0, 0, 0, 0, 0}));
}

TEST(AppendDispEdges, RefusedWithoutWritingAnything) {
    fixtures::TempDir dir;
    std::string path = dir.File("out.wav");
    EXPECT_EQ(AppendDispChunk(path, "x"), 0); // missing
    EXPECT_FALSE(std::filesystem::exists(path));

    WavBuilder wav;
    fixtures::WriteFile(path, wav.Build());
    EXPECT_EQ(AppendDispChunk(path, std::string(256, 'x')), 0); // over 255 characters
    EXPECT_EQ(fixtures::ReadFile(path), wav.Build());

    for (const Bytes& bytes :
         {Bytes{}, Bytes{'n', 'o', 't', ' ', 'R', 'I', 'F', 'F', 0, 0, 0, 0}}) {
        fixtures::WriteFile(path, bytes);
        EXPECT_EQ(AppendDispChunk(path, "x"), 0);
        EXPECT_EQ(fixtures::ReadFile(path), bytes);
    }
}

TEST(AppendDispEdges, OddFileGetsItsPadByteFirst) {
    fixtures::TempDir dir;
    std::string path = dir.File("out.wav");
    WavBuilder wav;
    Bytes bytes = wav.Build();
    bytes.push_back(0x11);
    fixtures::WriteFile(path, bytes);
    ASSERT_EQ(AppendDispChunk(path, "a"), 2);
    Bytes all = fixtures::ReadFile(path);
    ASSERT_EQ(all.size(), 46u + 14);
    EXPECT_EQ(all[45], 0);
    EXPECT_EQ(all[46], 'D');
}

TEST(AppendDispEdges, DiskErrorGivesZero) {
    fixtures::TempDir dir;
    std::string path = dir.File("out.wav");
    fixtures::WriteFile(path, WavBuilder().Build());
    fixtures::FailIo failing(IoOp::Write, 1);
    EXPECT_EQ(AppendDispChunk(path, "abc"), 0);
}

struct ReadCase {
    const char* name;
    Bytes chunk; // placed inside the RIFF chunk, after the data chunk
    std::int16_t count;
    std::string text;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

class ReadDisp : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadDisp, ReadsAtMost255BytesAfterTheType) {
    const ReadCase& c = GetParam();
    WavBuilder wav;
    wav.Samples16({1, 2, 3});
    wav.afterData = c.chunk;
    fixtures::TempDir dir;
    fixtures::WriteFile(dir.File("in.wav"), wav.Build());
    std::string text = "left over";
    EXPECT_EQ(ReadDispText(dir.File("in.wav"), text), c.count);
    EXPECT_EQ(text, c.text);
}

Bytes DispOfSize(std::uint32_t size, const Bytes& body) {
    Bytes out;
    PutText(out, "DISP");
    PutLe32(out, size);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes TwoDisps() {
    Bytes out = Chunk("junk", {1, 2, 3});
    Bytes first = DispChunk("first");
    Bytes second = DispChunk("second");
    out.insert(out.end(), first.begin(), first.end());
    out.insert(out.end(), second.begin(), second.end());
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Chunks, ReadDisp,
    ::testing::Values(
        ReadCase{"text with its zero", DispChunk("hello"), 6, "hello"},
        ReadCase{"empty text", DispChunk(""), 2, ""},
        ReadCase{"300 text bytes give 255", DispChunk(std::string(299, 'q')), 255,
                 std::string(255, 'q')},
        ReadCase{"first DISP after an odd chunk", TwoDisps(), 6, "first"},
        ReadCase{"other display types are read as text", DispChunk("bmp?", 2), 6, "bmp?"},
        ReadCase{"no DISP chunk", Chunk("junk", {1, 2}), 0, ""},
        ReadCase{"lower-case id is another chunk", Chunk("disp", {1, 0, 0, 0, 'a', 0}), 0, ""},
        ReadCase{"shorter than its type", DispOfSize(2, {1, 0}), 0, ""},
        ReadCase{"just its type", DispOfSize(4, {1, 0, 0, 0}), 0, ""},
        ReadCase{"size beyond the file", DispOfSize(100, {1, 0, 0, 0, 'a', 'b', 'c'}), 3, "abc"},
        ReadCase{"text without a zero", DispOfSize(8, {1, 0, 0, 0, 'w', 'x', 'y', 'z'}), 4,
                 "wxyz"}));

TEST(ReadDispFailures, MissingFileAndFailedRead) {
    fixtures::TempDir dir;
    std::string text = "left over";
    EXPECT_EQ(ReadDispText(dir.File("missing.wav"), text), 0);
    EXPECT_EQ(text, "");

    WavBuilder wav;
    wav.afterData = DispChunk("hello");
    fixtures::WriteFile(dir.File("in.wav"), wav.Build());
    int reads = 0;
    {
        fixtures::FailIo counting(IoOp::Read, 1000000);
        ASSERT_EQ(ReadDispText(dir.File("in.wav"), text), 6);
        reads = counting.seen();
    }
    fixtures::FailIo failing(IoOp::Read, reads, false); // the text itself
    EXPECT_EQ(ReadDispText(dir.File("in.wav"), text), -1);
    EXPECT_EQ(text, "");
}

TEST(DispRoundTrip, ConverterCarriesTheTextFromInputToOutput) {
    // The converter reads its input's text and appends it to its output: a DISP chunk inside
    // the input's RIFF chunk reaches the output beyond its RIFF end.
    fixtures::TempDir dir;
    WavBuilder input;
    input.afterData = DispChunk("Good morning");
    fixtures::WriteFile(dir.File("tmp.wav"), input.Build());
    fixtures::WriteFile(dir.File("tmp1.wav"), WavBuilder().Build());

    std::string text;
    ASSERT_EQ(ReadDispText(dir.File("tmp.wav"), text), 14);
    EXPECT_EQ(AppendDispChunk(dir.File("tmp1.wav"), text), 14);
    Bytes expected = WavBuilder().Build();
    Bytes chunk = DispChunk("Good morning");
    expected.insert(expected.end(), chunk.begin(), chunk.end());
    EXPECT_EQ(fixtures::ReadFile(dir.File("tmp1.wav")), expected);
}

} // namespace
} // namespace chpimport
