#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "audio/voc_decoder.hpp"
#include "audio/wave_file.hpp"
#include "support/fixtures.hpp"
#include "support/message_recorder.hpp"

namespace chpimport {
namespace {

using fixtures::Bytes;
using fixtures::VocBuilder;
using fixtures::WavBuilder;

// What the decoder must write for these 8-bit samples at this rate.
Bytes ExpectedWave(std::uint32_t rate, const Bytes& samples) {
    std::vector<std::int16_t> wide;
    for (std::uint8_t b : samples) wide.push_back(static_cast<std::int16_t>((b - 128) * 256));
    WavBuilder builder;
    builder.sampleRate = rate;
    builder.Samples16(wide);
    return builder.Build();
}

Bytes Noise(std::size_t count, std::uint32_t seed) {
    Bytes out;
    for (std::size_t i = 0; i < count; ++i) {
        seed = seed * 1103515245u + 12345u;
        out.push_back(static_cast<std::uint8_t>(seed >> 16));
    }
    return out;
}

Bytes Join(const Bytes& a, const Bytes& b) {
    Bytes out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

struct Decoded {
    std::int16_t result;
    VocTrailer trailer;
    std::string reason;
    fixtures::MessageRecorder messages;
};

class VocFiles : public ::testing::Test {
protected:
    std::string voc() const { return dir.File("MSG.VOC"); }
    std::string wav() const { return dir.File("tmp.wav"); }

    void Decode(const Bytes& file, Decoded& out) {
        fixtures::WriteFile(voc(), file);
        out.trailer.bytes.fill(0xEE);
        out.result = VocToWave(voc(), wav(), out.trailer, out.messages, &out.reason);
    }

    fixtures::TempDir dir;
};

TEST(VocRate, TimeConstantInSixteenBitArithmetic) {
    EXPECT_EQ(VocSampleRate(166), 11111u);
    EXPECT_EQ(VocSampleRate(131), 8000u);
    EXPECT_EQ(VocSampleRate(100), 6410u);
    EXPECT_EQ(VocSampleRate(1), 3921u);
    EXPECT_EQ(VocSampleRate(255), 1000000u);
    for (int tc = 1; tc < 256; ++tc)
        EXPECT_EQ(VocSampleRate(static_cast<std::uint8_t>(tc)), 1000000u / (256 - tc)) << tc;
    EXPECT_EQ(VocSampleRate(0), 0u); // no rate, and no division by zero
}

struct GoodCase {
    const char* name;
    std::function<void(VocBuilder&)> build;
    std::uint32_t rate;
    Bytes samples; // all sample bytes, in order
};

void PrintTo(const GoodCase& c, std::ostream* os) {
    *os << c.name;
}

class VocDecodes : public VocFiles, public ::testing::WithParamInterface<GoodCase> {};

TEST_P(VocDecodes, WritesTheSamplesAtTheFirstBlocksRate) {
    const GoodCase& c = GetParam();
    VocBuilder builder;
    builder.chipCode = 5;
    builder.rowCount = 600;
    c.build(builder);
    Decoded d;
    Decode(builder.Build(), d);
    ASSERT_EQ(d.result, 1) << d.reason;
    EXPECT_EQ(fixtures::ReadFile(wav()), ExpectedWave(c.rate, c.samples));
    EXPECT_EQ(d.trailer.ChipCode(), 5);
    EXPECT_EQ(d.trailer.RowCount(), 600);
    EXPECT_TRUE(d.messages.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, VocDecodes,
    ::testing::Values(
        GoodCase{"sample mapping 0x00 0x80 0xFF",
                 [](VocBuilder& b) {
                     b.Sound(166, {0x00, 0x80, 0xFF, 0x7F, 0x81});
                 },
                 11111,
                 {0x00, 0x80, 0xFF, 0x7F, 0x81}},
        GoodCase{"version 0x0114",
                 [](VocBuilder& b) {
                     b.version = 0x0114;
                     b.autoChecksum = false;
                     b.checksum = 0x111F;
                     b.Sound(131, {1, 2});
                 },
                 8000,
                 {1, 2}},
        GoodCase{"version 0x010A with its checksum",
                 [](VocBuilder& b) {
                     b.autoChecksum = false;
                     b.checksum = 0x1129;
                     b.Sound(131, {1, 2});
                 },
                 8000,
                 {1, 2}},
        GoodCase{"header-size field ignored",
                 [](VocBuilder& b) {
                     b.headerSize = 0x7777;
                     b.Sound(100, {9});
                 },
                 6410,
                 {9}},
        GoodCase{"empty sound block", [](VocBuilder& b) { b.Sound(166, {}); }, 11111, {}},
        GoodCase{"two blocks, first block's rate",
                 [](VocBuilder& b) {
                     b.Sound(131, {1, 2, 3}).Sound(166, {4, 5});
                 },
                 8000,
                 {1, 2, 3, 4, 5}},
        GoodCase{"compressed pack byte read as 8-bit",
                 [](VocBuilder& b) {
                     b.Sound(166, {0x10, 0x20, 0x30}, 2);
                 },
                 11111,
                 {0x10, 0x20, 0x30}},
        GoodCase{"other block types passed over",
                 [](VocBuilder& b) {
                     b.Block(5, {'h', 'i', 0}); // text
                     b.Sound(166, {1, 2});
                     b.Block(3, {0x10, 0x00, 166});        // silence
                     b.Block(4, {1, 0});                   // marker
                     b.Block(8, {0x00, 0xA6, 0x00, 0x00}); // extended
                     b.Block(9, Bytes(12 + 4, 0x33));      // newer sound data
                     b.Block(2, {7, 7, 7});                // continuation
                     b.Block(6, {2, 0}).Block(7, {});      // repeat
                     b.Sound(166, {3});
                 },
                 11111,
                 {1, 2, 3}},
        GoodCase{"blocks longer than one conversion step",
                 [](VocBuilder& b) { b.Sound(166, Noise(40000, 1)).Sound(166, Noise(17, 2)); },
                 11111, Join(Noise(40000, 1), Noise(17, 2))}));

TEST_F(VocFiles, TrailerIsTheLast24Bytes) {
    VocBuilder builder;
    builder.Sound(166, {1});
    Bytes file = builder.Build();
    for (std::size_t i = 0; i < 100; ++i)
        file[file.size() - 100 + i] = static_cast<std::uint8_t>(i);
    Decoded d;
    Decode(file, d);
    ASSERT_EQ(d.result, 1);
    for (std::size_t i = 0; i < 24; ++i) EXPECT_EQ(d.trailer.bytes[i], 76 + i) << i;
}

TEST_F(VocFiles, NoSoundBlockSucceedsWithoutAWaveFile) {
    VocBuilder builder;
    builder.chipCode = 3;
    builder.Block(3, {0x10, 0x00, 166});
    Decoded d;
    Decode(builder.Build(), d);
    EXPECT_EQ(d.result, 1);
    EXPECT_EQ(d.trailer.ChipCode(), 3);
    EXPECT_FALSE(std::filesystem::exists(wav()));
}

TEST_F(VocFiles, ExistingWaveFileIsOverwritten) {
    fixtures::WriteFile(wav(), Bytes(5000, 0x77));
    VocBuilder builder;
    builder.Sound(166, {0x80});
    Decoded d;
    Decode(builder.Build(), d);
    ASSERT_EQ(d.result, 1);
    EXPECT_EQ(fixtures::ReadFile(wav()), ExpectedWave(11111, {0x80}));
}

struct BadCase {
    const char* name;
    std::function<Bytes()> file;
    const char* reasonHas;
    bool waveBegun; // a sound block was met before the fault
};

void PrintTo(const BadCase& c, std::ostream* os) {
    *os << c.name;
}

class VocRefused : public VocFiles, public ::testing::WithParamInterface<BadCase> {};

TEST_P(VocRefused, GivesZeroAndAReason) {
    const BadCase& c = GetParam();
    Decoded d;
    Decode(c.file(), d);
    EXPECT_EQ(d.result, 0);
    EXPECT_NE(d.reason.find(c.reasonHas), std::string::npos) << d.reason;
    EXPECT_EQ(d.reason.find('\n'), std::string::npos);
    for (std::uint8_t b : d.trailer.bytes) ASSERT_EQ(b, 0xEE); // untouched
    EXPECT_TRUE(d.messages.messages.empty());
    if (c.waveBegun) {
        // A wave file already begun keeps the sizes of its creation.
        Bytes wave = fixtures::ReadFile(wav());
        ASSERT_GE(wave.size(), 44u);
        EXPECT_EQ(Bytes(wave.begin() + 4, wave.begin() + 8), (Bytes{36, 0, 0, 0}));
        EXPECT_EQ(Bytes(wave.begin() + 40, wave.begin() + 44), (Bytes{0, 0, 0, 0}));
    } else {
        EXPECT_FALSE(std::filesystem::exists(wav()));
    }
}

Bytes Built(std::function<void(VocBuilder&)> change) {
    VocBuilder builder;
    change(builder);
    return builder.Build();
}

Bytes Cut(Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Files, VocRefused,
    ::testing::Values(
        BadCase{"empty file", [] { return Bytes{}; }, "signature", false},
        BadCase{"wrong signature",
                [] { return Built([](VocBuilder& b) { b.signature = "Creative Voice Filf"; }); },
                "signature", false},
        BadCase{"no end-of-text mark",
                [] { return Built([](VocBuilder& b) { b.eofMark = 0x1B; }); }, "0x1A", false},
        BadCase{"cut inside the header", [] { return Cut(Built([](VocBuilder&) {}), 22); },
                "26-byte header", false},
        BadCase{"wrong checksum",
                [] {
                    return Built([](VocBuilder& b) {
                        b.autoChecksum = false;
                        b.checksum = 0x1128;
                    });
                },
                "checksum 0x1128", false},
        BadCase{"checksum of another version",
                [] {
                    return Built([](VocBuilder& b) {
                        b.version = 0x0114;
                        b.autoChecksum = false;
                        b.checksum = 0x1129;
                    });
                },
                "checksum", false},
        BadCase{"trailer of 99 bytes",
                [] {
                    return Built([](VocBuilder& b) {
                        b.Sound(166, {1, 2});
                        b.trailerSize = 99;
                    });
                },
                "followed by 99 bytes", true},
        BadCase{"trailer of 101 bytes",
                [] {
                    return Built([](VocBuilder& b) {
                        b.Sound(166, {1, 2});
                        b.trailerSize = 101;
                    });
                },
                "followed by 101 bytes", true},
        BadCase{"trailer of 101 bytes, no sound",
                [] { return Built([](VocBuilder& b) { b.trailerSize = 101; }); },
                "100-byte trailer", false},
        BadCase{"no terminator",
                [] {
                    return Built([](VocBuilder& b) {
                        b.Sound(166, {1, 2});
                        b.terminator = false;
                        b.trailerSize = 0;
                    });
                },
                "without a terminator", true},
        BadCase{"ends inside a sound block header",
                [] {
                    return Built([](VocBuilder& b) {
                        b.Raw({1, 5, 0});
                        b.terminator = false;
                        b.trailerSize = 0;
                    });
                },
                "ends inside the sound block at offset 26", false},
        BadCase{"sound block longer than the file",
                [] {
                    return Built([](VocBuilder& b) { b.SoundWithLength(0xFFFFFF, 166, {1, 2}); });
                },
                "ends inside the sound block", false},
        BadCase{"sound block of length 1",
                [] { return Built([](VocBuilder& b) { b.SoundWithLength(1, 166, {}); }); },
                "length 1", false},
        BadCase{"sound block of length 0",
                [] { return Built([](VocBuilder& b) { b.SoundWithLength(0, 166, {}); }); },
                "length 0", false},
        BadCase{"time constant 0", [] { return Built([](VocBuilder& b) {
                                            b.Sound(0, {1, 2});
                                        }); },
                "time constant 0", false},
        BadCase{"time constant 0 in a later block",
                [] { return Built([](VocBuilder& b) { b.Sound(166, {1}).Sound(0, {2}); }); },
                "time constant 0", true},
        BadCase{"other block longer than the file",
                [] {
                    return Built([](VocBuilder& b) {
                        b.Sound(166, {1});
                        b.Raw({5, 0xFF, 0xFF, 0xFF, 'x'});
                    });
                },
                "block of type 5", true},
        BadCase{"other block cut in its length",
                [] {
                    return Built([](VocBuilder& b) {
                        b.Raw({8, 4});
                        b.terminator = false;
                        b.trailerSize = 0;
                    });
                },
                "block of type 8", false}));

TEST_F(VocFiles, MissingFileOrPath) {
    VocTrailer trailer;
    fixtures::MessageRecorder messages;
    std::string reason;
    EXPECT_EQ(VocToWave(dir.File("missing.voc"), wav(), trailer, messages, &reason), 0);
    EXPECT_NE(reason.find("can't be opened"), std::string::npos);
    reason.clear();
    EXPECT_EQ(VocToWave("", wav(), trailer, messages, &reason), 0);
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(VocToWave(dir.File("missing.voc"), wav(), trailer, messages), 0);
    EXPECT_FALSE(std::filesystem::exists(wav()));
}

TEST_F(VocFiles, WaveFileThatCannotBeCreatedIsADiskError) {
    VocBuilder builder;
    builder.Sound(166, {1, 2});
    fixtures::WriteFile(voc(), builder.Build());
    VocTrailer trailer;
    trailer.bytes.fill(0xEE);
    fixtures::MessageRecorder messages;
    std::string reason;
    // A directory in the wave file's place can't be created as a file.
    std::filesystem::create_directory(wav());
    EXPECT_EQ(VocToWave(voc(), wav(), trailer, messages, &reason), 0);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, "Could not create wave file");
    EXPECT_EQ(messages.messages[0].caption, "Disk Error");
    EXPECT_EQ(messages.messages[0].style, kMbIconExclamation);
    EXPECT_NE(reason.find("could not create"), std::string::npos);
    EXPECT_EQ(trailer.bytes[0], 0xEE);
}

TEST_F(VocFiles, EveryFailedWriteIsADiskError) {
    VocBuilder builder;
    builder.Sound(166, Noise(50000, 3));
    fixtures::WriteFile(voc(), builder.Build());
    int writes = 0;
    {
        fixtures::FailIo counting(IoOp::Write, 1000000);
        VocTrailer trailer;
        fixtures::MessageRecorder messages;
        ASSERT_EQ(VocToWave(voc(), wav(), trailer, messages), 1);
        writes = counting.seen();
    }
    ASSERT_GT(writes, 6);
    for (int nth = 1; nth <= writes; ++nth) {
        fixtures::FailIo failing(IoOp::Write, nth, false);
        VocTrailer trailer;
        fixtures::MessageRecorder messages;
        std::string reason;
        EXPECT_EQ(VocToWave(voc(), wav(), trailer, messages, &reason), 0) << nth;
        ASSERT_EQ(messages.messages.size(), 1u) << nth;
        EXPECT_EQ(messages.messages[0].caption, "Disk Error");
        EXPECT_FALSE(reason.empty());
    }
    // The first close is the created file's, the second the reopened one's after the samples.
    for (int nth : {1, 2}) {
        fixtures::FailIo failing(IoOp::Close, nth, false);
        VocTrailer trailer;
        fixtures::MessageRecorder messages;
        EXPECT_EQ(VocToWave(voc(), wav(), trailer, messages), 0) << nth;
        EXPECT_EQ(messages.messages.size(), 1u) << nth;
    }
}

TEST_F(VocFiles, FailedReopenGivesZeroWithoutAMessage) {
    VocBuilder builder;
    builder.Sound(166, {1, 2});
    fixtures::WriteFile(voc(), builder.Build());
    fixtures::FailIo failing(IoOp::Open, 3, false); // the VOC file, the creation, the reopen
    VocTrailer trailer;
    fixtures::MessageRecorder messages;
    std::string reason;
    EXPECT_EQ(VocToWave(voc(), wav(), trailer, messages, &reason), 0);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_FALSE(reason.empty());
}

TEST(CreateWave, EmptyFileReadyAtTheDataBody) {
    fixtures::TempDir dir;
    std::string path = dir.File("x.wav");
    fixtures::MessageRecorder messages;
    MMCKINFO data;
    RiffFile file = CreateWaveFile(path, 2, 44100, 16, data, messages);
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(file.Tell(), 44);
    EXPECT_EQ(data.ckid, kFourCCData);
    EXPECT_EQ(data.cksize, 0u);
    EXPECT_EQ(data.dwDataOffset, 44u);
    file.Close();
    WavBuilder expected;
    expected.channels = 2;
    expected.sampleRate = 44100;
    expected.blockAlign = 4;
    EXPECT_EQ(fixtures::ReadFile(path), expected.Build());
    EXPECT_TRUE(messages.messages.empty());
}

} // namespace
} // namespace chpimport
