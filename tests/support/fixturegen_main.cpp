// Writes sample inputs built by the fixture writer.
//   fixturegen chp OUT.CHP         a three-message ISD2560 project header and directory
//   fixturegen voc OUT.VOC         a message: two sound blocks, a text block, the trailer
//   fixturegen wav OUT.wav [BITS] [--seconds N]
//                                  22222 Hz mono test signal, 16-bit (or 8-bit), with a
//                                  display text: noise, a full-scale square wave that
//                                  clips, and a sweep, a second each, repeated to N seconds
//                                  (3 by default)
//   fixturegen project DIR [--chip CODE] [--messages N] [--seconds S]
//                                  a whole project in DIR (created if missing): PROJECT.CHP
//                                  and N messages MSG00001.VOC... of S seconds of 22222 Hz
//                                  8-bit test signal each, for the chip of CODE (defaults:
//                                  8, ISD25120; 60 messages; 2 seconds), each message as
//                                  long in the chip as its sound
//   fixturegen report-project DIR  an ISD2560 project REPORT.CHP in DIR for the report's
//                                  tests: a name full of markup; message 1 is silent, 2 plays
//                                  1 s, 3 is recorded 2 s for 1 s in the chip, 4's VOC name
//                                  is refused, 5 plays 1 s and overlaps 3
//   fixturegen import-seeds DIR    the import fuzz target's seed corpus as projects, one
//                                  folder each (DIR/NAME/DEMO.CHP and its VOC files)
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "chp/chip_table.hpp"
#include "fuzz/harness/harness.hpp"
#include "fuzz/harness/seeds.hpp"
#include "support/fixtures.hpp"
#include "support/report_project.hpp"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: fixturegen chp OUT.CHP | voc OUT.VOC\n"
                         "       fixturegen wav OUT.wav [16|8] [--seconds N]\n"
                         "       fixturegen project DIR [--chip CODE] [--messages N] "
                         "[--seconds S]\n"
                         "       fixturegen report-project DIR | import-seeds DIR\n");
    return 2;
}

constexpr int kRate = 22222;

// `seconds` of noise, a clipping square wave and a sweep, a second each in turn. The same
// samples on every run and platform: the generator's raw output, no distributions.
std::vector<std::int16_t> TestSamples(int seconds) {
    std::mt19937 random(2024);
    std::vector<std::int16_t> samples;
    for (int second = 0; second < seconds; ++second) {
        for (int i = 0; i < kRate; ++i) {
            switch (second % 3) {
            case 0:
                samples.push_back(
                    static_cast<std::int16_t>(static_cast<int>(random() % 65536) - 32768));
                break;
            case 1:
                samples.push_back((i / 50) % 2 ? 32767 : -32768);
                break;
            default: {
                const double t = static_cast<double>(i) / kRate;
                const double phase = 2 * 3.141592653589793 * (50 + 2700 * t) * t;
                samples.push_back(static_cast<std::int16_t>(std::lround(30000 * std::sin(phase))));
            }
            }
        }
    }
    return samples;
}

fixtures::WavBuilder TestSignal(bool eightBit, int seconds) {
    const std::vector<std::int16_t> samples = TestSamples(seconds);

    fixtures::WavBuilder builder;
    if (eightBit) {
        builder.bitsPerSample = 8;
        builder.blockAlign = 1;
        for (std::int16_t s : samples)
            builder.data.push_back(static_cast<std::uint8_t>((s >> 8) + 128));
    } else {
        builder.Samples16(samples);
    }
    fixtures::Bytes disp;
    fixtures::PutLe32(disp, 1);
    fixtures::PutText(disp, "Test signal");
    disp.push_back(0);
    builder.afterData = fixtures::Chunk("DISP", disp);
    return builder;
}

// A project of `messages` messages of `seconds` seconds each, laid out one after another in
// the chip; each message's row count makes it exactly as long as its sound.
bool WriteProject(const std::filesystem::path& dir, std::uint8_t chipCode, int messages,
                  int seconds) {
    const chpimport::ChipInfo chip = chpimport::GetChipInfo(chipCode, "");
    const long rows = 1000L * seconds * chip.Divisor / chip.RowMs;
    const long units = rows / chip.Divisor;
    if (messages < 1 || messages > 9999 || seconds < 1 || rows > 32767 || units * messages > 32767)
        return false;
    std::filesystem::create_directories(dir);

    fixtures::ChpBuilder project;
    project.projectName = "Benchmark project";
    project.chipType = chip.Name;
    project.chipCode = chipCode;
    const std::vector<std::int16_t> samples = TestSamples(3);
    for (int n = 1; n <= messages; ++n) {
        char name[16];
        std::snprintf(name, sizeof name, "MSG%05d.VOC", n);
        project.Message(static_cast<std::uint16_t>((n - 1) * units), name);

        fixtures::Bytes sound;
        // Each message starts elsewhere in the signal.
        for (long i = 0; i < static_cast<long>(seconds) * kRate; ++i) {
            const std::size_t at = static_cast<std::size_t>(i + 1777L * n) % samples.size();
            sound.push_back(static_cast<std::uint8_t>((samples[at] >> 8) + 128));
        }
        fixtures::VocBuilder voc;
        voc.chipCode = chipCode;
        voc.rowCount = static_cast<std::uint16_t>(rows);
        voc.Sound(256 - 1000000 / kRate, sound); // time constant of 22222 Hz
        fixtures::WriteFile(dir / name, voc.Build());
    }
    fixtures::WriteFile(dir / "PROJECT.CHP", project.Build());
    return true;
}

// The value of option `name` among args[first...], or `fallback`.
int Option(int argc, char** argv, int first, const std::string& name, int fallback) {
    for (int i = first; i + 1 < argc; ++i)
        if (argv[i] == name) return std::atoi(argv[i + 1]);
    return fallback;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "chp") {
        fixtures::ChpBuilder builder;
        builder.projectName = "Sample project";
        builder.Message(0, "MSG00001.VOC").Message(40, "MSG00002.VOC").Message(65, "MSG00003.VOC");
        fixtures::WriteFile(argv[2], builder.Build());
        return 0;
    }
    if (argc == 3 && std::string(argv[1]) == "voc") {
        fixtures::VocBuilder builder;
        builder.chipCode = 5;
        builder.rowCount = 600;
        fixtures::Bytes samples;
        for (int i = 0; i < 30000; ++i) samples.push_back(static_cast<std::uint8_t>(i * 7 % 256));
        builder.Sound(166, samples).Block(5, {'h', 'i', 0}).Sound(131, {0x00, 0x80, 0xFF});
        fixtures::WriteFile(argv[2], builder.Build());
        return 0;
    }
    if (argc >= 3 && std::string(argv[1]) == "wav") {
        const std::string bits = argc >= 4 && argv[3][0] != '-' ? argv[3] : "16";
        const int seconds = Option(argc, argv, 3, "--seconds", 3);
        if ((bits != "16" && bits != "8") || seconds < 1 || seconds > 3600) return Usage();
        fixtures::WriteFile(argv[2], TestSignal(bits == "8", seconds).Build());
        return 0;
    }
    if (argc >= 3 && std::string(argv[1]) == "project") {
        const int chip = Option(argc, argv, 3, "--chip", 8);
        if (chip < 1 || chip > 16) return Usage();
        if (!WriteProject(argv[2], static_cast<std::uint8_t>(chip),
                          Option(argc, argv, 3, "--messages", 60),
                          Option(argc, argv, 3, "--seconds", 2)))
            return Usage();
        return 0;
    }
    if (argc == 3 && std::string(argv[1]) == "import-seeds") {
        for (const fuzzing::Corpus& corpus : fuzzing::SeedCorpora()) {
            if (corpus.target != "import") continue;
            for (const auto& [name, bytes] : corpus.seeds) {
                const std::filesystem::path folder = std::filesystem::path(argv[2]) / name;
                std::filesystem::create_directories(folder);
                fuzzing::LayOutImportInput(bytes.data(), bytes.size(), folder.string());
            }
        }
        return 0;
    }
    if (argc == 3 && std::string(argv[1]) == "report-project") {
        fixtures::WriteReportProject(argv[2]);
        return 0;
    }
    return Usage();
}
