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
        GoodCase{"every block type in one file",
                 [](VocBuilder& b) {
                     b.Block(5, {'h', 'i', 0}); // text
                     b.Sound(166, {1, 2});
                     b.Silence(17, 166);
                     b.Block(4, {1, 0});              // marker
                     b.Extended(0xA600, 0, 0);        // 11111 Hz mono, for the next type 1
                     b.Continues({7, 7, 7});          // goes on with the first block's sound
                     b.Block(6, {2, 0}).Block(7, {}); // a repeat, not expanded
                     b.Block(0x42, {1, 2, 3});        // unknown
                     b.Sound(0, {3});                 // its time constant 0 is not used
                 },
                 11111, Join(Join({1, 2}, Bytes(17, 0x80)), {7, 7, 7, 3})},
        GoodCase{"continuations as ffmpeg writes them",
                 [](VocBuilder& b) { b.Sound(211, Noise(4096, 4)).Continues(Noise(4096, 5)); },
                 22222, Join(Noise(4096, 4), Noise(4096, 5))},
        GoodCase{"silence ahead of the first sound block, which sets the rate",
                 [](VocBuilder& b) { b.Silence(3, 166).Silence(65536, 100).Sound(131, {5}); }, 8000,
                 Join(Bytes(3 + 65536, 0x80), {5})},
        GoodCase{
            "silence alone, at its rate", [](VocBuilder& b) { b.Silence(1, 131); }, 8000, {0x80}},
        GoodCase{
            "extended block sets the next block's rate",
            [](VocBuilder& b) { b.Extended(65536 - 32000, 2, 0).Sound(166, {1}).Sound(166, {3}); },
            8000,
            {1, 3}},
        GoodCase{"type 9, 8-bit unsigned",
                 [](VocBuilder& b) {
                     b.NewSound(44100, 8, 1, 0, {0, 0xFF});
                 },
                 44100,
                 {0, 0xFF}},
        GoodCase{"blocks longer than one conversion step",
                 [](VocBuilder& b) { b.Sound(166, Noise(40000, 1)).Sound(166, Noise(17, 2)); },
                 11111, Join(Noise(40000, 1), Noise(17, 2))}));

// Sound whose samples are not 8-bit unsigned: the 16-bit values expected.
struct WideCase {
    const char* name;
    VocBuilder voc;
    std::uint32_t rate;
    std::vector<std::int16_t> samples;
};

void PrintTo(const WideCase& c, std::ostream* os) {
    *os << c.name;
}

class VocDecodesWide : public VocFiles, public ::testing::WithParamInterface<WideCase> {};

TEST_P(VocDecodesWide, WritesTheSixteenBitValues) {
    const WideCase& c = GetParam();
    Decoded d;
    VocDecodeNotes notes;
    fixtures::WriteFile(voc(), c.voc.Build());
    ASSERT_EQ(VocToWave(voc(), wav(), d.trailer, d.messages, &d.reason, &notes), 1) << d.reason;
    WavBuilder expected;
    expected.sampleRate = c.rate;
    expected.Samples16(c.samples);
    EXPECT_EQ(fixtures::ReadFile(wav()), expected.Build());
    EXPECT_EQ(notes.rate, c.rate);
}

// The 16-bit samples 1, -2, 32767, -32768, then 0x1234 and 0x0400.
const Bytes kPcm16 = {1, 0, 0xFE, 0xFF, 0xFF, 0x7F, 0x00, 0x80};
const Bytes kPcm16Tail = {0x34, 0x12, 0x00, 0x04};
const std::vector<std::int16_t> kPcm16Values = {1, -2, 32767, -32768, 0x1234, 0x0400};

// The first case's continuation stands 8 bytes before the terminator, where sox leaves 4
// samples (the last case): it is taken for the block it is.
INSTANTIATE_TEST_SUITE_P(
    Files, VocDecodesWide,
    ::testing::Values(WideCase{"16-bit with a continuation",
                               VocBuilder().NewSound(8000, 16, 1, 4, kPcm16).Continues(kPcm16Tail),
                               8000, kPcm16Values},
                      // G.711's end points: the smallest steps and the largest values.
                      WideCase{"A-law",
                               VocBuilder().NewSound(22222, 8, 1, 6, {0xD5, 0x55, 0xAA, 0x2A}),
                               22222,
                               {8, -8, 32256, -32256}},
                      WideCase{"mu-law",
                               VocBuilder().NewSound(22222, 8, 1, 7, {0xFF, 0x7F, 0x80, 0x00}),
                               22222,
                               {0, 0, 32124, -32124}},
                      WideCase{"8-bit sound sets the rate for 16-bit sound after it",
                               VocBuilder().Sound(131, {0x81}).NewSound(44100, 16, 1, 4, kPcm16),
                               8000,
                               {256, 1, -2, 32767, -32768}},
                      // sox writes a 16-bit block's length as 2 x samples + 4, not + 12: its last 4
                      // samples lie between the block's end and the terminator.
                      WideCase{
                          "16-bit block as sox writes it",
                          VocBuilder()
                              .Raw({9, 12 + 4, 0, 0, 0x40, 0x1F, 0, 0, 16, 1, 4, 0, 0, 0, 0, 0})
                              .Raw(kPcm16)
                              .Raw(kPcm16Tail),
                          8000, kPcm16Values}));

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
    builder.Block(4, {1, 0}).Block(5, {'x', 0}).Extended(0xA600, 0, 0);
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
        BadCase{"continuation before any sound block",
                [] { return VocBuilder().Silence(4, 166).Continues({1}).Build(); },
                "follows no sound block", false},
        BadCase{"stereo through an extended block",
                [] {
                    return VocBuilder().Extended(0xA600, 0, 1).Sound(166, {1, 2}).Build();
                },
                "2 channels (extended block at offset 26)", false},
        BadCase{"extended block with the time constant 0",
                [] { return VocBuilder().Extended(0, 0, 0).Build(); }, "time constant 0", false},
        BadCase{"silence with the time constant 0",
                [] { return VocBuilder().Silence(5, 0).Build(); }, "time constant 0", false},
        BadCase{"ADPCM in a type-9 block",
                [] { return VocBuilder().Sound(166, {1}).NewSound(22050, 4, 1, 1, {1}).Build(); },
                "Creative 4-bit ADPCM (codec 1), which is not decoded", true},
        BadCase{"stereo type-9 block",
                [] { return VocBuilder().NewSound(22050, 16, 2, 4, kPcm16).Build(); }, "2 channels",
                false},
        BadCase{"type-9 bits that don't fit the codec",
                [] {
                    return VocBuilder().NewSound(22050, 16, 1, 0, {1, 2}).Build();
                },
                "16 bits per sample for 8-bit unsigned", false},
        BadCase{"type-9 rate 0", [] { return VocBuilder().NewSound(0, 8, 1, 7, {1}).Build(); },
                "rate 0", false},
        BadCase{"half a 16-bit sample",
                [] {
                    return VocBuilder().NewSound(8000, 16, 1, 4, {1, 2, 3}).Build();
                },
                "ends inside a 16-bit sample", false},
        BadCase{"16-bit continuation with half a sample",
                [] {
                    return VocBuilder().NewSound(8000, 16, 1, 4, {1, 2}).Continues({3}).Build();
                },
                "ends inside a 16-bit sample", true},
        BadCase{"type-9 block too short for its header",
                [] { return VocBuilder().Block(9, Bytes(11, 1)).Build(); },
                "too short for its 12-byte header", false},
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
