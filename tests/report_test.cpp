#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chp/chip_table.hpp"
#include "project/profile_reader.hpp"
#include "project/project_files.hpp"
#include "report/chip_map.hpp"
#include "report/html_text.hpp"
#include "report/levels.hpp"
#include "report/page_format.hpp"
#include "report/report_page.hpp"
#include "report/wave_scan.hpp"
#include "support/fixtures.hpp"

namespace chpimport::report {
namespace {

TEST(ReportText, EscapesMarkupAndKeepsText) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"<b>\"Q&A\"</script>'", "&lt;b&gt;&quot;Q&amp;A&quot;&lt;/script&gt;&#39;"},
        {"tab\there\nline\x7f", "tab?here?line?"},
        {"caf\xc3\xa9 \xe2\x82\xac", "caf\xc3\xa9 \xe2\x82\xac"}, // valid UTF-8 stays
        {"caf\xe9", "caf\xc3\xa9"},                               // Latin-1 becomes UTF-8
        {"\xc0\xaf\xed\xa0\x80", "\xc3\x80\xc2\xaf\xc3\xad\xc2\xa0\xc2\x80"}, // overlong, surrogate
        {"\xe2\x82", "\xc3\xa2\xc2\x82"},                                     // cut short
    };
    for (const auto& c : cases) EXPECT_EQ(EscapeHtml(c.in), c.out) << c.in;
}

TEST(ReportText, LinksEncodeEverythingButPlainCharacters) {
    EXPECT_EQ(EncodeUrlPath("A&B'S #1.wav"), "A%26B%27S%20%231.wav");
    EXPECT_EQ(EncodeUrlPath("sub/100%?.wav"), "sub/100%25%3F.wav");
    EXPECT_EQ(EncodeUrlPath("\xc3\xa9~_-.wav"), "%C3%A9~_-.wav");
}

TEST(ReportLevels, ThresholdsAndDecibels) {
    // -40 dBFS is 327.68, -60 dBFS 32.768 of 32768.
    EXPECT_FALSE(IsAudible(327));
    EXPECT_TRUE(IsAudible(328));
    EXPECT_TRUE(IsSilent(32));
    EXPECT_FALSE(IsSilent(33));
    EXPECT_EQ(DbfsText(32768), "0.0 dBFS");
    EXPECT_EQ(DbfsText(16384), "\u22126.0 dBFS");
    EXPECT_EQ(DbfsText(1), "\u221290.3 dBFS");
    EXPECT_EQ(DbfsText(0), "\u2212\u221e dBFS");
    // A cut that drops the one sample every message loses is no cut-off: 11 loud samples at
    // 11111 Hz are under a millisecond.
    EXPECT_FALSE(CutOffSound({1, 1, 32767}, 11111));
    EXPECT_FALSE(CutOffSound({500, 11, 32767}, 11111));
    EXPECT_TRUE(CutOffSound({500, 12, 32767}, 11111));
    EXPECT_FALSE(CutOffSound({500, 500, 327}, 11111));
}

TEST(ReportChipMap, ChipSizeFromTheName) {
    const struct {
        std::uint8_t code;
        const char* text;
        std::optional<int> units;
    } cases[] = {
        {5, "", 600},
        {8, "", 600},
        {2, "", 160},
        {10, "", 80},
        {4, "", 450},
        {0, "MYCHIP", std::nullopt},
        {0, "ISD", std::nullopt},
        {0, "ISD25X0", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChipUnits(GetChipInfo(c.code, c.text)), c.units) << int(c.code) << c.text;
}

MessageFacts Placed(int number, int address, int length, bool imported = true) {
    MessageFacts m;
    m.number = number;
    m.address = address;
    m.length = length;
    m.imported = imported;
    return m;
}

TEST(ReportChipMap, SegmentsOverlapsAndFreeStretches) {
    const std::vector<MessageFacts> messages = {
        Placed(1, 0, 10),        Placed(2, 20, 10),  Placed(3, 25, 10), Placed(4, 28, 0),
        Placed(5, 50, 5, false), Placed(6, 590, 20), Placed(7, 26, 2),
    };
    const ChipMap map = MapChip(GetChipInfo(5, ""), messages);
    ASSERT_EQ(map.units, 600);
    std::vector<int> order;
    for (const Segment& s : map.segments) order.push_back(s.number);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 7, 4, 6})); // message 5 failed
    auto seg = [&](int n) {
        for (const Segment& s : map.segments)
            if (s.number == n) return s;
        return Segment{};
    };
    EXPECT_EQ(seg(2).overlaps, (std::vector<int>{3, 7}));
    EXPECT_EQ(seg(3).overlaps, (std::vector<int>{2, 7}));
    EXPECT_TRUE(seg(4).overlaps.empty()); // no length, no overlap
    EXPECT_EQ(seg(2).overlapCount, 2);
    EXPECT_TRUE(seg(6).pastEnd);
    EXPECT_FALSE(seg(1).pastEnd);
    EXPECT_EQ(map.lanes, 3);
    const std::vector<std::pair<int, int>> free = {{10, 20}, {35, 590}};
    EXPECT_EQ(map.freeRanges, free);
    EXPECT_EQ(map.usedUnits, 10 + 15 + 10);

    // A chip of unknown size ends where the messages do.
    const ChipMap unknown = MapChip(GetChipInfo(0, "OTHER"), messages);
    EXPECT_FALSE(unknown.sizeKnown);
    EXPECT_EQ(unknown.units, 610);
    EXPECT_FALSE(unknown.segments.back().pastEnd);
}

// However many messages share units, a segment lists a few and counts the others.
TEST(ReportChipMap, ManyOverlapsAreCounted) {
    std::vector<MessageFacts> messages;
    for (int n = 1; n <= 30; ++n) messages.push_back(Placed(n, n, 100));
    const ChipMap map = MapChip(GetChipInfo(5, ""), messages);
    for (const Segment& s : map.segments) {
        EXPECT_EQ(s.overlapCount, 29);
        EXPECT_EQ(s.overlaps.size(), kListedOverlaps);
    }
    EXPECT_EQ(NumberList({2, 3}, 29), "2, 3 and 27 more");
    EXPECT_EQ(NumberList({2, 3, 4}), "2, 3 and 4");
}

TEST(ReportProjectFile, FileValuesReadBackAsWritten) {
    fixtures::TempDir dir;
    const std::string zpf = dir.File("P.zpf");
    const std::string wav = "C:\\A [1B]\\M [10 2]*.wav";
    for (int address : {0, 1, 9, 10, 99, 4095, 32767}) {
        const auto length = static_cast<std::int16_t>(address % 7 == 0 ? 0 : 25);
        ASSERT_EQ(WriteMessageSettings(zpf, 3, wav, static_cast<std::int16_t>(address), length), 1);
        auto value = FindProfileString(ReadProfileFile(zpf).value(), "kz_isd_project", "FILE3");
        auto entry = value ? ParseFileEntryValue(*value) : std::nullopt;
        ASSERT_TRUE(entry) << address;
        EXPECT_EQ(entry->wavePath, wav);
        EXPECT_EQ(entry->address, address);
        EXPECT_EQ(entry->end, address + length);
    }
    for (const char* bad : {"M.wav", "M.wav [1 5]*", "M.wav [12 1]*", "M.wav [12 x]*",
                            "M.wav [12 3]", "M.wav [1999999 2000000]*"})
        EXPECT_FALSE(ParseFileEntryValue(bad)) << bad;
}

TEST(ReportProjectFile, LooksKeysUpLikeTheWriter) {
    const std::string text = "[Other]\r\nkey=x\r\n[SECT]\r\n; key=comment\r\n  Key =  v 1 \r\n"
                             "key=second\r\n[sect]\r\nlate=y\r\n";
    EXPECT_EQ(FindProfileString(text, "sect", "KEY"), "v 1");
    EXPECT_EQ(FindProfileString(text, "other", "key"), "x");
    EXPECT_FALSE(FindProfileString(text, "sect", "late")); // only the first section counts
    EXPECT_FALSE(FindProfileString(text, "none", "key"));
}

std::string WriteWave(const fixtures::TempDir& dir, const std::vector<std::int16_t>& samples,
                      fixtures::WavBuilder wav = {}) {
    wav.Samples16(samples);
    const std::string path = dir.File("w.wav");
    fixtures::WriteFile(path, wav.Build());
    return path;
}

TEST(ReportWave, ColumnsHoldTheirLowestAndHighestSample) {
    fixtures::TempDir dir;
    std::vector<std::int16_t> samples;
    for (int i = 0; i < 1000; ++i)
        samples.push_back(static_cast<std::int16_t>(i * (i % 2 ? 30 : -30)));
    std::string why;
    auto shape = ScanWave(WriteWave(dir, samples), 10, why);
    ASSERT_TRUE(shape) << why;
    EXPECT_EQ(shape->samples, 1000);
    EXPECT_EQ(shape->peak, 999 * 30);
    ASSERT_EQ(shape->low.size(), 10u);
    for (std::size_t c = 0; c < 10; ++c) {
        EXPECT_EQ(shape->low[c], static_cast<std::int16_t>(-(c * 100 + 98) * 30)) << c;
        EXPECT_EQ(shape->high[c], static_cast<std::int16_t>((c * 100 + 99) * 30)) << c;
    }
    // Fewer samples than columns: one column each.
    shape = ScanWave(WriteWave(dir, {-32768, 5, 7}), 240, why);
    ASSERT_TRUE(shape);
    EXPECT_EQ(shape->high, (std::vector<std::int16_t>{-32768, 5, 7}));
    EXPECT_EQ(shape->peak, 32768);
}

TEST(ReportWave, DamagedOrForeignFilesAreRefusedOrReadShort) {
    fixtures::TempDir dir;
    std::string why;
    fixtures::WavBuilder eightBit;
    eightBit.bitsPerSample = 8;
    EXPECT_FALSE(ScanWave(WriteWave(dir, {1, 2}, eightBit), 10, why));
    EXPECT_EQ(why, "not a 16-bit PCM WAV file");
    EXPECT_FALSE(ScanWave(dir.File("missing.wav"), 10, why));
    fixtures::WriteFile(dir.File("text.wav"), {'h', 'i'});
    EXPECT_FALSE(ScanWave(dir.File("text.wav"), 10, why));
    // A data size far past the file's end reads what the file holds.
    fixtures::WavBuilder oversized;
    oversized.autoDataSize = false;
    oversized.dataSize = 0x7FFFFFF0;
    auto shape = ScanWave(WriteWave(dir, {100, -200, 300}, oversized), 10, why);
    ASSERT_TRUE(shape) << why;
    EXPECT_EQ(shape->samples, 3);
    EXPECT_EQ(shape->peak, 300);
}

TEST(ReportWave, RemovedPartFromTheCutOn) {
    fixtures::TempDir dir;
    std::vector<std::int16_t> samples(100, 0);
    samples[60] = -400;
    samples[70] = 1000;
    samples[90] = 300; // below -40 dBFS: not sound
    const std::string path = WriteWave(dir, samples);
    auto removed = ScanRemoved(path, 50);
    ASSERT_TRUE(removed);
    EXPECT_EQ(removed->samples, 50);
    EXPECT_EQ(removed->peak, 1000);
    EXPECT_EQ(removed->audible, 21);      // up to sample 70
    EXPECT_FALSE(ScanRemoved(path, 100)); // nothing past the cut
    EXPECT_FALSE(ScanRemoved(path, -1));  // the whole message kept
    EXPECT_EQ(ScanRemoved(path, 80)->audible, 0);
}

TEST(ReportPage, TextFromProjectFilesCannotAddMarkup) {
    const std::string evil = "<script>alert(1)</script><img src=x onerror=alert(2)>\"'&";
    ProjectFacts project;
    project.name = evil;
    project.chip = evil;
    project.chpPath = evil;
    project.zpfPath = evil;
    project.tblPath = evil;
    project.madeAt = evil;
    project.note = evil;
    project.messageCount = 2;
    MessageRow ok{Placed(1, 0, 10), "a%20b.wav", WaveShape{1, 11111, 5, {5}, {5}}, ""};
    ok.facts.vocName = evil;
    ok.facts.warnings = {evil};
    MessageRow failed{Placed(2, 5, 0, false), "", std::nullopt, ""};
    failed.facts.vocName = evil;
    failed.facts.failure = evil;
    const std::vector<MessageRow> rows = {ok, failed};
    const std::string page = RenderPage(project, rows, MapChip(GetChipInfo(0, evil), {ok.facts}));
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("<img"), std::string::npos);
    const std::string escaped = EscapeHtml(evil);
    std::size_t copies = 0;
    for (std::size_t at = page.find(escaped); at != std::string::npos;
         at = page.find(escaped, at + 1))
        ++copies;
    EXPECT_GE(copies, 12u); // title, name, paths, chip, time, note, VOC names, warning, reason
    EXPECT_NE(page.find("script-src 'none'"), std::string::npos);
}

} // namespace
} // namespace chpimport::report
