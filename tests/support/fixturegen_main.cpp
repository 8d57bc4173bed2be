// Writes sample inputs built by the fixture writer.
//   fixturegen chp OUT.CHP         a three-message ISD2560 project header and directory
//   fixturegen voc OUT.VOC         a message: two sound blocks, a text block, the trailer
//   fixturegen wav OUT.wav [BITS]  three seconds of 22222 Hz mono test signal, 16-bit (or
//                                  8-bit), with a display text: noise, a full-scale square
//                                  wave that clips, and a sweep
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#include "support/fixtures.hpp"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: fixturegen chp OUT.CHP | voc OUT.VOC | wav OUT.wav [16|8]\n");
    return 2;
}

// The same bytes on every run and platform: the generator's raw output, no distributions.
fixtures::WavBuilder TestSignal(bool eightBit) {
    constexpr int kRate = 22222;
    std::mt19937 random(2024);
    std::vector<std::int16_t> samples;
    for (int i = 0; i < kRate; ++i)
        samples.push_back(static_cast<std::int16_t>(static_cast<int>(random() % 65536) - 32768));
    for (int i = 0; i < kRate; ++i) samples.push_back((i / 50) % 2 ? 32767 : -32768);
    for (int i = 0; i < kRate; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double phase = 2 * 3.141592653589793 * (50 + 2700 * t) * t;
        samples.push_back(static_cast<std::int16_t>(std::lround(30000 * std::sin(phase))));
    }

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
    if ((argc == 3 || argc == 4) && std::string(argv[1]) == "wav") {
        const std::string bits = argc == 4 ? argv[3] : "16";
        if (bits != "16" && bits != "8") return Usage();
        fixtures::WriteFile(argv[2], TestSignal(bits == "8").Build());
        return 0;
    }
    return Usage();
}
