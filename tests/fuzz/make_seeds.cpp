// The seed corpus of every fuzz target, built by the fixture writer: small files that reach
// every branch the unit tests know of; the fuzzers take it from there.
#include <string>
#include <vector>

#include "fuzz/harness/harness.hpp"
#include "fuzz/harness/seeds.hpp"
#include "support/fixtures.hpp"

namespace fuzzing {
namespace {

using fixtures::Bytes;

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes Join(const std::vector<Bytes>& parts) {
    const Bytes separator = Text(fuzzing::kPartSeparator);
    Bytes out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) out.insert(out.end(), separator.begin(), separator.end());
        out.insert(out.end(), parts[i].begin(), parts[i].end());
    }
    return out;
}

Bytes Ramp(std::size_t count, int step) {
    Bytes samples;
    for (std::size_t i = 0; i < count; ++i)
        samples.push_back(static_cast<std::uint8_t>(i * static_cast<std::size_t>(step) % 256));
    return samples;
}

std::vector<std::int16_t> Wave16(std::size_t count) {
    std::vector<std::int16_t> samples;
    for (std::size_t i = 0; i < count; ++i)
        samples.push_back(static_cast<std::int16_t>((i * 2654435761u) >> 16));
    return samples;
}

Bytes Disp(const std::string& text) {
    Bytes body;
    fixtures::PutLe32(body, 1);
    fixtures::PutText(body, text);
    body.push_back(0);
    return fixtures::Chunk("DISP", body);
}

std::vector<std::pair<std::string, Bytes>> ChpSeeds() {
    fixtures::ChpBuilder three;
    three.projectName = "Sample project";
    three.Message(0, "MSG00001.VOC").Message(40, "MSG00002.VOC").Message(65, "MSG00003.VOC");
    fixtures::ChpBuilder none;
    none.chipCode = 0;
    none.chipType = "ISD1210";
    fixtures::ChpBuilder overCount;
    overCount.Message(0, "A.VOC").Message(32767, "B.VOC");
    overCount.messageCount = 32767;
    fixtures::ChpBuilder prefixed;
    prefixed.bannerPrefix = "abc";
    prefixed.projectName = std::string(28, 'P');
    prefixed.chipType = std::string(18, 'C');
    prefixed.chipCode = 17;
    prefixed.Message(7, "..").Message(8, "CON.VOC");
    Bytes cut = three.Build();
    cut.resize(100);
    return {{"three", three.Build()},
            {"none", none.Build()},
            {"overcount", overCount.Build()},
            {"prefixed", prefixed.Build()},
            {"cut", cut}};
}

std::vector<std::pair<std::string, Bytes>> VocSeeds() {
    fixtures::VocBuilder message;
    message.rowCount = 600;
    message.Sound(166, Ramp(300, 7)).Block(5, {'h', 'i', 0}).Sound(131, {0x00, 0x80, 0xFF});
    fixtures::VocBuilder silent;
    silent.Block(3, {0x10, 0x00, 0xA6});
    fixtures::VocBuilder empty;
    empty.Sound(211, {});
    fixtures::VocBuilder zero;
    zero.Sound(0, Ramp(16, 3));
    fixtures::VocBuilder extended;
    extended.Block(8, {0x00, 0xA6, 0x00, 0x00}).Block(9, Ramp(20, 1)).Sound(100, Ramp(20, 9));
    fixtures::VocBuilder shortTrailer;
    shortTrailer.Sound(166, Ramp(10, 1));
    shortTrailer.trailerSize = 99;
    return {{"message", message.Build()},   {"silent", silent.Build()},
            {"empty", empty.Build()},       {"zero", zero.Build()},
            {"extended", extended.Build()}, {"short-trailer", shortTrailer.Build()}};
}

std::vector<std::pair<std::string, Bytes>> ConverterSeeds() {
    fixtures::WavBuilder mono;
    mono.Samples16(Wave16(300));
    mono.afterData = Disp("Hello");
    fixtures::WavBuilder eight;
    eight.bitsPerSample = 8;
    eight.blockAlign = 1;
    eight.data = Ramp(301, 5);
    fixtures::WavBuilder stereo;
    stereo.channels = 2;
    stereo.blockAlign = 4;
    stereo.Samples16(Wave16(200));
    fixtures::WavBuilder quad;
    quad.channels = 4;
    quad.blockAlign = 8;
    quad.Samples16(Wave16(160));
    fixtures::WavBuilder wide;
    wide.fmtSize = 18;
    wide.Samples16(Wave16(20));
    fixtures::WavBuilder huge;
    huge.autoDataSize = false;
    huge.dataSize = 0xFFFFFFFF;
    huge.Samples16(Wave16(40));
    fixtures::WavBuilder lower;
    lower.riffId = "riff";
    lower.waveId = "wave";
    lower.fmtId = "FMT ";
    lower.Samples16(Wave16(9));
    return {{"mono", mono.Build()},  {"eight", eight.Build()}, {"stereo", stereo.Build()},
            {"quad", quad.Build()},  {"wide", wide.Build()},   {"huge", huge.Build()},
            {"lower", lower.Build()}};
}

std::vector<std::pair<std::string, Bytes>> WavePostSeeds() {
    fixtures::WavBuilder converted;
    converted.Samples16(Wave16(200));
    converted.beyondRiff = Disp("Converted");
    fixtures::WavBuilder listed;
    listed.Samples16(Wave16(50));
    Bytes list = Text("INFO");
    Bytes name = fixtures::Chunk("INAM", Text("odd"));
    list.insert(list.end(), name.begin(), name.end());
    Bytes after = fixtures::Chunk("LIST", list);
    Bytes disp = Disp("Inside");
    after.insert(after.end(), disp.begin(), disp.end());
    listed.afterData = after;
    fixtures::WavBuilder odd;
    odd.data = Ramp(33, 11);
    odd.afterData = fixtures::Chunk("junk", Ramp(5, 1));
    fixtures::WavBuilder longText;
    longText.Samples16(Wave16(4));
    longText.afterData = Disp(std::string(300, 'x'));
    return {{"converted", converted.Build()},
            {"listed", listed.Build()},
            {"odd", odd.Build()},
            {"long-text", longText.Build()}};
}

std::vector<std::pair<std::string, Bytes>> ProfileSeeds() {
    const std::string earlier = "[KZ_ISD_PROJECT]\r\nnb_files=3\r\nchip_selected=ISD2560\r\n"
                                "file1=C:\\VOICE\\MSG00001.wav [10 40]*\r\n"
                                "file3=C:\\VOICE\\MSG00003.wav [165 80]*\r\n"
                                "[KZ_ISD_CONCAT]\r\nnb_conc=3\r\nconc1=CONC1\r\nconc_list1=1\r\n";
    const std::string mixed = "; made by hand\n[Other]\nkey = value\n\n  [kz_isd_project ]\n"
                              "  FILE1 = old\n;file2=commented\n\n[KZ_ISD_CONCAT\nnb_conc";
    const std::string twice = "[KZ_ISD_CONCAT]\r\nconc1=A\r\n[KZ_ISD_CONCAT]\r\nconc2=B\r\n"
                              "[KZ_ISD_PROJECT]\r\n=\r\n[]\r\nx=\r";
    return {
        {"empty", {}}, {"earlier", Text(earlier)}, {"mixed", Text(mixed)}, {"twice", Text(twice)}};
}

std::vector<std::pair<std::string, Bytes>> ImportSeeds() {
    fixtures::VocBuilder first;
    first.rowCount = 3; // 75 ms on an ISD2560: 833 samples at 11111 Hz
    first.Sound(166, Ramp(2000, 7));
    fixtures::VocBuilder second;
    second.chipCode = 14;
    second.rowCount = 0; // the whole converted message
    second.Sound(131, Ramp(400, 3)).Sound(166, Ramp(30, 1));
    fixtures::ChpBuilder chp;
    chp.Message(0, "MSG00001.VOC").Message(32767, "MSG00002.VOC");
    fixtures::ChpBuilder lower;
    lower.Message(5, "msg00002.voc").Message(6, "MSG00001.WAV");
    return {{"two", Join({{5}, {}, first.Build(), second.Build()})},
            {"previous", Join({{5, 1}, {}, first.Build(), second.Build()})},
            {"chp", Join({{}, chp.Build(), first.Build(), second.Build()})},
            {"names", Join({{}, lower.Build(), first.Build(), second.Build()})},
            {"missing", Join({{0}, {}, first.Build()})}};
}

} // namespace

std::vector<Corpus> SeedCorpora() {
    return {
        {"chp", ChpSeeds()},           {"voc", VocSeeds()},         {"converter", ConverterSeeds()},
        {"wavepost", WavePostSeeds()}, {"profile", ProfileSeeds()}, {"import", ImportSeeds()},
    };
}

} // namespace fuzzing
