// Cross-check against a peer: VOC files written by sox decode to the same 16-bit samples
// (and rate) that sox itself decodes them to.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "audio/voc_decoder.hpp"
#include "support/fixtures.hpp"
#include "support/message_recorder.hpp"

namespace chpimport {
namespace {

using fixtures::Bytes;

struct Pcm {
    std::uint32_t rate = 0;
    std::uint16_t bits = 0;
    Bytes data;
};

std::uint32_t Le(const Bytes& b, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= static_cast<std::uint32_t>(b[at + i]) << (8 * i);
    return value;
}

// A plain reading of a WAV file, independent of the tool's own RIFF code: walks the chunks
// after "WAVE" for "fmt " and "data".
Pcm ReadWave(const Bytes& file) {
    Pcm pcm;
    if (file.size() < 12 || Le(file, 8, 4) != Le(Bytes{'W', 'A', 'V', 'E'}, 0, 4)) return pcm;
    std::size_t at = 12;
    while (at + 8 <= file.size()) {
        std::string id(file.begin() + static_cast<std::ptrdiff_t>(at),
                       file.begin() + static_cast<std::ptrdiff_t>(at + 4));
        std::size_t size = Le(file, at + 4, 4);
        std::size_t body = at + 8;
        if (body + size > file.size()) size = file.size() - body;
        if (id == "fmt " && size >= 16) {
            pcm.rate = Le(file, body + 4, 4);
            pcm.bits = static_cast<std::uint16_t>(Le(file, body + 14, 2));
        } else if (id == "data") {
            pcm.data.assign(file.begin() + static_cast<std::ptrdiff_t>(body),
                            file.begin() + static_cast<std::ptrdiff_t>(body + size));
        }
        at = body + size + (size & 1);
    }
    return pcm;
}

bool SoxAvailable() {
#ifdef _WIN32
    return false;
#else
    return std::system("sox --version >/dev/null 2>&1") == 0;
#endif
}

struct SoxCase {
    const char* name;
    int rate;
    const char* synth; // sox synth arguments
};

void PrintTo(const SoxCase& c, std::ostream* os) {
    *os << c.name;
}

class SoxCrossCheck : public ::testing::TestWithParam<SoxCase> {};

TEST_P(SoxCrossCheck, SameSamplesAsSoxDecodes) {
    if (!SoxAvailable())
        GTEST_SKIP() << "sox is not on PATH (or this is the Windows build): the cross-check "
                        "against sox's VOC decoding needs the native build with sox installed";
    const SoxCase& c = GetParam();
    fixtures::TempDir dir;
    const std::string voc = dir.File("peer.voc");
    const std::string message = dir.File("MSG.VOC");
    const std::string theirs = dir.File("theirs.wav");
    const std::string ours = dir.File("ours.wav");

    std::string make = "sox -V1 -R -n -r " + std::to_string(c.rate) +
                       " -c 1 -b 8 -e unsigned-integer \"" + voc + "\" synth " + c.synth;
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
    std::string decode = "sox -V1 -D \"" + voc + "\" -b 16 -e signed-integer \"" + theirs + "\"";
    ASSERT_EQ(std::system(decode.c_str()), 0) << decode;

    // The message as the chip tools store it: the peer's file, then the 100-byte trailer.
    Bytes file = fixtures::ReadFile(voc);
    ASSERT_GT(file.size(), 26u);
    Bytes trailer(100, 0);
    trailer[76] = 14;
    trailer[77] = 0x34;
    trailer[78] = 0x12;
    file.insert(file.end(), trailer.begin(), trailer.end());
    fixtures::WriteFile(message, file);

    VocTrailer got;
    fixtures::MessageRecorder messages;
    std::string reason;
    ASSERT_EQ(VocToWave(message, ours, got, messages, &reason), 1) << reason;
    EXPECT_EQ(got.ChipCode(), 14);
    EXPECT_EQ(got.RowCount(), 0x1234);

    Pcm expected = ReadWave(fixtures::ReadFile(theirs));
    Pcm actual = ReadWave(fixtures::ReadFile(ours));
    ASSERT_EQ(expected.bits, 16);
    ASSERT_FALSE(expected.data.empty());
    EXPECT_EQ(actual.bits, 16);
    EXPECT_EQ(actual.rate, expected.rate);
    ASSERT_EQ(actual.data.size(), expected.data.size());
    EXPECT_TRUE(actual.data == expected.data) << "the samples differ";
}

INSTANTIATE_TEST_SUITE_P(
    Peers, SoxCrossCheck,
    ::testing::Values(SoxCase{"sine at 8000 Hz", 8000, "0.3 sine 440"},
                      SoxCase{"full-range noise at 11025 Hz", 11025, "3 whitenoise"},
                      SoxCase{"full-scale square at 6410 Hz", 6410, "0.5 square 300"}));

} // namespace
} // namespace chpimport
