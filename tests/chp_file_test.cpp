#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/read_chp_header.hpp"
#include "chp/chp_file.hpp"
#include "res/resource_ids.h"
#include "support/fake_dialog.hpp"
#include "support/fixtures.hpp"

namespace chpimport {
namespace {

using fixtures::Bytes;
using fixtures::ChpBuilder;

struct HeaderCase {
    const char* name;
    std::function<void(ChpBuilder&)> change;
    ChpStatus expected;
};

void PrintTo(const HeaderCase& c, std::ostream* os) {
    *os << c.name;
}

class ChpHeaderValidation : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(ChpHeaderValidation, AcceptsOrRefusesTheHeader) {
    const HeaderCase& c = GetParam();
    ChpBuilder builder;
    builder.Message(0, "MSG00001.VOC");
    c.change(builder);
    fixtures::TempDir dir;
    std::string path = dir.File("P.CHP");
    fixtures::WriteFile(path, builder.Build());

    ChpHeader header;
    EXPECT_EQ(ParseChpHeader(path, header), c.expected);

    ImportSession session;
    session.ChipName = "before";
    session.MessageCount = 99;
    fixtures::RecordingItems dialog;
    int result = ReadChpHeader(dialog, session, path);
    if (c.expected == ChpStatus::Ok) {
        EXPECT_EQ(result, 1);
        EXPECT_EQ(dialog.items.size(), 3u);
    } else {
        // A refused header changes nothing and writes nothing.
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(dialog.items.empty());
        EXPECT_EQ(session.ChipName, "before");
        EXPECT_EQ(session.MessageCount, 99);
    }
}

const std::string kBanner = "Information Storage Devices, Inc. CHP FILE FORMAT Ver ";

INSTANTIATE_TEST_SUITE_P(
    Headers, ChpHeaderValidation,
    ::testing::Values(
        HeaderCase{"Plain", [](ChpBuilder&) {}, ChpStatus::Ok},
        HeaderCase{"OffsetOne", [](ChpBuilder& b) { b.bannerPrefix = "x"; }, ChpStatus::Ok},
        HeaderCase{"OffsetThree", [](ChpBuilder& b) { b.bannerPrefix = "abc"; }, ChpStatus::Ok},
        // At offset 4 the banner and a 3-character version no longer fit in 58 bytes, but
        // the banner itself still does.
        HeaderCase{"OffsetThreeNoVersionRoom",
                   [](ChpBuilder& b) {
                       b.bannerPrefix = "abc";
                       b.banner = kBanner;
                   },
                   ChpStatus::Ok},
        HeaderCase{"NulBeforeBanner", [](ChpBuilder& b) { b.bannerPrefix = std::string("a\0", 2); },
                   ChpStatus::NoBanner},
        HeaderCase{"LowerCaseBanner",
                   [](ChpBuilder& b) {
                       b.banner = "information storage devices, inc. chp file format ver 1.0";
                   },
                   ChpStatus::NoBanner},
        HeaderCase{"AnyVersionText", [](ChpBuilder& b) { b.banner = kBanner + "zz9"; },
                   ChpStatus::Ok},
        HeaderCase{"BannerWithoutItsBlank",
                   [](ChpBuilder& b) { b.banner = kBanner.substr(0, kBanner.size() - 1) + "1.0"; },
                   ChpStatus::NoBanner},
        HeaderCase{"Year19xx", [](ChpBuilder& b) { b.copyright = "Copyright (C) 1999"; },
                   ChpStatus::Ok},
        HeaderCase{"Year20xx", [](ChpBuilder& b) { b.copyright = "Copyright (C) 2001"; },
                   ChpStatus::NoCopyright},
        HeaderCase{"CopyrightLowerCase", [](ChpBuilder& b) { b.copyright = "copyright (c) 1996"; },
                   ChpStatus::NoCopyright},
        HeaderCase{"CopyrightAfterNul",
                   [](ChpBuilder& b) { b.copyright = std::string("\0Copyright (C) 19", 17); },
                   ChpStatus::NoCopyright},
        HeaderCase{"MessageCountZero",
                   [](ChpBuilder& b) {
                       b.entries.clear();
                       b.messageCount = 0;
                   },
                   ChpStatus::Ok},
        HeaderCase{"MessageCount32767", [](ChpBuilder& b) { b.messageCount = 32767; },
                   ChpStatus::Ok},
        HeaderCase{"MessageCount32768", [](ChpBuilder& b) { b.messageCount = 32768; },
                   ChpStatus::NegativeCount},
        HeaderCase{"MessageCount65535", [](ChpBuilder& b) { b.messageCount = 65535; },
                   ChpStatus::NegativeCount}));

struct TruncationCase {
    std::size_t keep;
    ChpStatus expected;
};

class ChpTruncated : public ::testing::TestWithParam<TruncationCase> {};

TEST_P(ChpTruncated, NeverPassesOnBytesItDoesNotHold) {
    Bytes bytes = ChpBuilder().Build();
    bytes.resize(GetParam().keep);
    fixtures::TempDir dir;
    std::string path = dir.File("T.CHP");
    fixtures::WriteFile(path, bytes);
    ChpHeader header;
    EXPECT_EQ(ParseChpHeader(path, header), GetParam().expected);
    ImportSession session;
    fixtures::RecordingItems dialog;
    EXPECT_EQ(ReadChpHeader(dialog, session, path), GetParam().expected == ChpStatus::Ok ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Lengths, ChpTruncated,
                         ::testing::Values(TruncationCase{0, ChpStatus::Empty},
                                           TruncationCase{1, ChpStatus::Truncated},
                                           TruncationCase{57, ChpStatus::Truncated},
                                           TruncationCase{58, ChpStatus::Truncated},
                                           TruncationCase{75, ChpStatus::Truncated},
                                           TruncationCase{76, ChpStatus::Truncated},
                                           TruncationCase{143, ChpStatus::Truncated},
                                           TruncationCase{144, ChpStatus::Ok}));

TEST(ReadChpHeader, FillsItemsAndSession) {
    ChpBuilder builder;
    builder.projectName = std::string(28, 'P'); // fills its field: no NUL
    builder.chipType = "whatever";
    builder.chipCode = 5;
    builder.messageCount = 3;
    fixtures::TempDir dir;
    std::string path = dir.File("P.CHP");
    fixtures::WriteFile(path, builder.Build());

    ImportSession session;
    fixtures::RecordingItems dialog;
    ASSERT_EQ(ReadChpHeader(dialog, session, path), 1);
    EXPECT_EQ(dialog.items[IDC_PROJECT], std::string(28, 'P'));
    EXPECT_EQ(dialog.items[IDC_CHIPTYPE], "ISD2560");
    EXPECT_EQ(dialog.items[IDC_MSGCOUNT], "3");
    EXPECT_EQ(session.ChipName, "ISD2560");
    EXPECT_EQ(session.MessageCount, 3);
}

struct ChipTextCase {
    int code;
    std::string stored;
    const char* shown;
};

class ReadChpHeaderChip : public ::testing::TestWithParam<ChipTextCase> {};

TEST_P(ReadChpHeaderChip, ShowsTheLookedUpName) {
    ChpBuilder builder;
    builder.chipCode = static_cast<std::uint8_t>(GetParam().code);
    builder.chipType = GetParam().stored;
    fixtures::TempDir dir;
    std::string path = dir.File("P.CHP");
    fixtures::WriteFile(path, builder.Build());
    ImportSession session;
    fixtures::RecordingItems dialog;
    ASSERT_EQ(ReadChpHeader(dialog, session, path), 1);
    EXPECT_EQ(dialog.items[IDC_CHIPTYPE], GetParam().shown);
    EXPECT_EQ(session.ChipName, GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ReadChpHeaderChip,
    ::testing::Values(ChipTextCase{5, "ISD1420", "ISD2560"}, ChipTextCase{8, "", "ISD25120"},
                      ChipTextCase{11, "ISD2560", "ISD1112"}, ChipTextCase{0, "MyChip", "MyChip"},
                      ChipTextCase{17, "ISD2590", "ISD2590"},
                      // 18 characters, no NUL: shown whole.
                      ChipTextCase{0, "ABCDEFGHIJKLMNOPQR", "ABCDEFGHIJKLMNOPQR"}));

TEST(CheckChpFile, ZeroForMissingEmptyAndDirectories) {
    fixtures::TempDir dir;
    EXPECT_EQ(CheckChpFile(""), 0);
    EXPECT_EQ(CheckChpFile(dir.File("absent.chp")), 0);
    EXPECT_EQ(CheckChpFile(dir.path().string()), 0);
    fixtures::WriteFile(dir.File("empty.chp"), {});
    EXPECT_EQ(CheckChpFile(dir.File("empty.chp")), 0);
    fixtures::WriteFile(dir.File("five.chp"), {1, 2, 3, 4, 5});
    EXPECT_EQ(CheckChpFile(dir.File("five.chp")), 5);
}

TEST(ReadChpDirEntry, ChecksNumberAndBounds) {
    ChpBuilder builder;
    builder.Message(0, "MSG00001.VOC").Message(40, "SHORT.VOC");
    builder.entries.push_back({7, 80, "WRONG.VOC"}); // entry 3 carries 7
    fixtures::TempDir dir;
    std::string path = dir.File("P.CHP");
    fixtures::Bytes bytes = builder.Build();
    fixtures::PutLe16(bytes, 4); // entry 4: its number, then the file ends
    fixtures::WriteFile(path, bytes);

    ChpDirEntry entry;
    ASSERT_EQ(ReadChpDirEntry(path, 1, entry), DirEntryStatus::Ok);
    EXPECT_EQ(entry.Address, 0);
    EXPECT_EQ(entry.VocName, "MSG00001.VOC"); // 12 characters fill the field
    ASSERT_EQ(ReadChpDirEntry(path, 2, entry), DirEntryStatus::Ok);
    EXPECT_EQ(entry.Address, 40);
    EXPECT_EQ(entry.VocName, "SHORT.VOC");
    EXPECT_EQ(ReadChpDirEntry(path, 3, entry), DirEntryStatus::WrongNumber);
    EXPECT_EQ(ReadChpDirEntry(path, 4, entry), DirEntryStatus::Missing);
    EXPECT_EQ(ReadChpDirEntry(path, 5, entry), DirEntryStatus::Missing);
    EXPECT_EQ(ReadChpDirEntry(path, 0, entry), DirEntryStatus::Missing);
    EXPECT_EQ(ReadChpDirEntry(path, -3, entry), DirEntryStatus::Missing);
    EXPECT_EQ(ReadChpDirEntry(dir.File("none.chp"), 1, entry), DirEntryStatus::CannotOpen);
}

} // namespace
} // namespace chpimport
