// Cross-check against peers: VOC files written by sox and ffmpeg decode to the samples that
// sox and ffmpeg themselves decode from them, and to every sample that was written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "audio/voc_decoder.hpp"
#include "cli/cli.hpp"
#include "support/cli_run.hpp"
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

bool Have(const std::string& tool) {
#ifdef _WIN32
    (void)tool;
    return false;
#else
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
#endif
}

#define SKIP_WITHOUT_PEERS()                                                                       \
    if (!Have("sox") || !Have("ffmpeg"))                                                           \
    GTEST_SKIP() << "sox or ffmpeg is not on PATH (or this is the Windows build): the "            \
                    "cross-check needs the native build with both installed (.ci/install-deps)"

std::string Q(const std::string& path) {
    return "\"" + path + "\"";
}

[[nodiscard]] bool Shell(const std::string& command) {
    const bool ok = std::system(command.c_str()) == 0;
    if (!ok) ADD_FAILURE() << "failed: " << command;
    return ok;
}

// The message as the chip tools store it: the peer's file, then the 100-byte trailer.
void AppendTrailer(const std::string& path, std::uint8_t chipCode, std::uint16_t rowCount) {
    Bytes file = fixtures::ReadFile(path);
    Bytes trailer(100, 0);
    trailer[76] = chipCode;
    trailer[77] = static_cast<std::uint8_t>(rowCount & 0xFF);
    trailer[78] = static_cast<std::uint8_t>(rowCount >> 8);
    file.insert(file.end(), trailer.begin(), trailer.end());
    fixtures::WriteFile(path, file);
}

// `source` (16-bit mono) written as a VOC file by sox or ffmpeg with their encoding options.
[[nodiscard]] bool WriteVoc(const std::string& writer, const std::string& encoding,
                            const std::string& source, const std::string& voc) {
    if (writer == "sox") return Shell("sox -V1 -D " + Q(source) + " " + encoding + " " + Q(voc));
    return Shell("ffmpeg -v error -y -i " + Q(source) + " " + encoding + " " + Q(voc));
}

struct PeerCase {
    const char* name;
    const char* writer;   // "sox" or "ffmpeg"
    const char* encoding; // the writer's options
    int rate;             // of the source; a type-1 block holds the nearest its time constant gives
    const char* synth;    // sox synth arguments for the source
};

void PrintTo(const PeerCase& c, std::ostream* os) {
    *os << c.name;
}

class PeerCrossCheck : public ::testing::TestWithParam<PeerCase> {};

TEST_P(PeerCrossCheck, SameSamplesAsThePeersDecode) {
    SKIP_WITHOUT_PEERS();
    const PeerCase& c = GetParam();
    fixtures::TempDir dir;
    const std::string source = dir.File("source.wav");
    const std::string message = dir.File("MSG.VOC");
    const std::string ours = dir.File("ours.wav");
    ASSERT_TRUE(Shell("sox -V1 -R -n -r " + std::to_string(c.rate) + " -c 1 -b 16 " + Q(source) +
                      " synth " + c.synth));
    ASSERT_TRUE(WriteVoc(c.writer, c.encoding, source, message));
    AppendTrailer(message, 14, 0x1234);

    VocTrailer got;
    fixtures::MessageRecorder messages;
    std::string reason;
    VocDecodeNotes notes;
    ASSERT_EQ(VocToWave(message, ours, got, messages, &reason, &notes), 1) << reason;
    EXPECT_EQ(got.ChipCode(), 14);
    EXPECT_EQ(got.RowCount(), 0x1234);
    const Pcm actual = ReadWave(fixtures::ReadFile(ours));
    EXPECT_EQ(actual.bits, 16);
    EXPECT_EQ(notes.rate, actual.rate);
    // Every sample written into the VOC file comes out.
    EXPECT_EQ(actual.data.size(), ReadWave(fixtures::ReadFile(source)).data.size());

    // Each peer's own decode, sample for sample, and its rate. Both lose the last 4 samples
    // of a 16-bit file that sox wrote, whose block length is 8 bytes short: those are not
    // compared.
    const std::string theirs = dir.File("theirs.wav");
    for (const std::string decoder : {"sox", "ffmpeg"}) {
        ASSERT_TRUE(
            Shell(decoder == "sox"
                      ? "sox -V1 -D " + Q(message) + " -b 16 -e signed-integer " + Q(theirs)
                      : "ffmpeg -v error -y -i " + Q(message) + " -c:a pcm_s16le " + Q(theirs)));
        const Pcm peer = ReadWave(fixtures::ReadFile(theirs));
        EXPECT_EQ(actual.rate, peer.rate) << decoder;
        ASSERT_FALSE(peer.data.empty()) << decoder;
        ASSERT_LE(peer.data.size(), actual.data.size()) << decoder;
        EXPECT_GE(peer.data.size() + 8, actual.data.size()) << decoder;
        EXPECT_TRUE(std::equal(peer.data.begin(), peer.data.end(), actual.data.begin()))
            << decoder << ": the samples differ";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Peers, PeerCrossCheck,
    ::testing::Values(
        PeerCase{"sox 8-bit at 22222 Hz", "sox", "-b 8 -e unsigned-integer", 22222, "1.2 sine 440"},
        PeerCase{"sox 8-bit at 8000 Hz", "sox", "-b 8 -e unsigned-integer", 8000, "0.3 sine 440"},
        PeerCase{"sox 8-bit full-range noise at 11025 Hz", "sox", "-b 8 -e unsigned-integer", 11025,
                 "3 whitenoise"},
        PeerCase{"sox 8-bit full-scale square at 6410 Hz", "sox", "-b 8 -e unsigned-integer", 6410,
                 "0.5 square 300"},
        PeerCase{"sox 16-bit at 22222 Hz", "sox", "-b 16 -e signed-integer", 22222, "1.2 sine 440"},
        PeerCase{"sox 16-bit noise at 8000 Hz", "sox", "-b 16 -e signed-integer", 8000,
                 "0.3 whitenoise"},
        PeerCase{"ffmpeg 8-bit at 22222 Hz", "ffmpeg", "-c:a pcm_u8", 22222, "1.197 sine 440"},
        PeerCase{"ffmpeg 8-bit at 8000 Hz", "ffmpeg", "-c:a pcm_u8", 8000, "0.3 whitenoise"},
        PeerCase{"ffmpeg 16-bit at 22222 Hz", "ffmpeg", "-c:a pcm_s16le", 22222, "1.2 sine 440"},
        PeerCase{"ffmpeg 16-bit at 8000 Hz", "ffmpeg", "-c:a pcm_s16le", 8000, "0.3 whitenoise"},
        // Noise reaches every code: the whole expansion table is compared.
        PeerCase{"ffmpeg A-law at 22222 Hz", "ffmpeg", "-c:a pcm_alaw", 22222, "1 whitenoise"},
        PeerCase{"ffmpeg A-law at 8000 Hz", "ffmpeg", "-c:a pcm_alaw", 8000, "0.3 sine 440"},
        PeerCase{"ffmpeg mu-law at 22222 Hz", "ffmpeg", "-c:a pcm_mulaw", 22222, "1 whitenoise"},
        PeerCase{"ffmpeg mu-law at 8000 Hz", "ffmpeg", "-c:a pcm_mulaw", 8000, "0.3 sine 440"}));

// A project whose message ffmpeg wrote imports it whole: its WAV file is what the converter
// makes of ffmpeg's own decode of the message. One message per project: the converter's
// filter history runs on from one message to the next, and `resample` starts afresh.
TEST(PeerImport, FfmpegMessagesImportWhole) {
    SKIP_WITHOUT_PEERS();
    for (const std::string encoding : {"-c:a pcm_u8", "-c:a pcm_s16le"}) {
        fixtures::TempDir dir;
        fixtures::ChpBuilder project;
        project.Message(0, "MSG00001.VOC");
        fixtures::WriteFile(dir.File("DEMO.CHP"), project.Build());
        const std::string source = dir.File("source.wav");
        const std::string voc = dir.File("MSG00001.VOC");
        ASSERT_TRUE(
            Shell("sox -V1 -R -n -r 22222 -c 1 -b 16 " + Q(source) + " synth 1.2 sine 300-900"));
        ASSERT_TRUE(WriteVoc("ffmpeg", encoding, source, voc));
        AppendTrailer(voc, 5, 0); // row count 0: the whole converted message

        fixtures::ScopedCurrentDir cwd(dir.path());
        const fixtures::CliResult import = fixtures::RunCli({"import", dir.File("DEMO.CHP")});
        ASSERT_EQ(import.status, cli::kExitOk) << import.err;
        EXPECT_EQ(import.err, "") << encoding; // 22222 Hz: no word about the rate
        const std::string decoded = dir.File("ffmpeg.wav");
        const std::string expected = dir.File("expected.wav");
        ASSERT_TRUE(Shell("ffmpeg -v error -y -i " + Q(voc) +
                          " -fflags +bitexact -map_metadata -1 -c:a pcm_s16le " + Q(decoded)));
        ASSERT_EQ(fixtures::RunCli({"resample", decoded, expected}).status, cli::kExitOk);
        const Pcm want = ReadWave(fixtures::ReadFile(expected));
        const Pcm got = ReadWave(fixtures::ReadFile(dir.File("MSG00001.wav")));
        EXPECT_EQ(got.rate, 11111u) << encoding;
        // The whole message: 1.2 s at 22222 Hz halved.
        EXPECT_EQ(got.data.size() / 2, 26666u / 2) << encoding;
        EXPECT_TRUE(got.data == want.data) << encoding << ": the samples differ";
    }
}

} // namespace
} // namespace chpimport
