#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/cli.hpp"
#include "support/fixtures.hpp"

namespace chpimport::cli {
namespace {

// A two-message ISD2560 project in `dir`.
void WriteProject(const fixtures::TempDir& dir) {
    fixtures::ChpBuilder project;
    project.Message(0, "MSG00001.VOC").Message(40, "MSG00002.VOC");
    fixtures::WriteFile(dir.File("DEMO.CHP"), project.Build());
    for (int n = 1; n <= 2; ++n) {
        fixtures::VocBuilder voc;
        voc.rowCount = static_cast<std::uint16_t>(120 * n);
        fixtures::Bytes samples(static_cast<std::size_t>(7000 * n));
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<std::uint8_t>(i * 37 % 251);
        voc.Sound(211, samples);
        fixtures::WriteFile(dir.File(n == 1 ? "MSG00001.VOC" : "MSG00002.VOC"), voc.Build());
    }
}

int Import(const fixtures::TempDir& dir, Args extra) {
    fixtures::ScopedCurrentDir cwd(dir.path());
    std::ostringstream out, err;
    Args args = {"import", dir.File("DEMO.CHP")};
    args.insert(args.end(), extra.begin(), extra.end());
    return Run(args, {out, err});
}

// The hidden option imports with the reference converter, for timings: the same files.
TEST(CliImport, ReferenceConverterOptionWritesTheSameFiles) {
    for (bool zuvan : {false, true}) {
        fixtures::TempDir fast, reference;
        WriteProject(fast);
        WriteProject(reference);
        const Args mode = zuvan ? Args{"--zuvan"} : Args{};
        Args slow = mode;
        slow.push_back("--reference-converter");
        ASSERT_EQ(Import(fast, mode), kExitOk);
        ASSERT_EQ(Import(reference, slow), kExitOk);
        for (const char* name : {"MSG00001.wav", "MSG00002.wav"})
            EXPECT_EQ(fixtures::ReadFile(fast.File(name)), fixtures::ReadFile(reference.File(name)))
                << name << (zuvan ? " zuvan" : " plain");
        EXPECT_GT(fixtures::ReadFile(fast.File("MSG00002.wav")).size(), 10000u);
    }
}

// A message recorded at another rate than the conversion assumes is imported as it is, and
// the user is told on the console; the debug log keeps its one line per message.
TEST(CliImport, RateOtherThanTheConversionAssumesIsReported) {
    fixtures::TempDir dir;
    fixtures::ChpBuilder project;
    project.Message(0, "MSG00001.VOC").Message(8, "MSG00002.VOC").Message(16, "MSG00003.VOC");
    fixtures::WriteFile(dir.File("DEMO.CHP"), project.Build());
    const fixtures::Bytes samples(3000, 0x90);
    fixtures::VocBuilder at22222, at8000, at44100;
    at22222.Sound(211, samples);
    at8000.Silence(100, 211).Sound(131, samples); // the sound block's rate counts
    at44100.NewSound(44100, 8, 1, 0, samples);
    fixtures::WriteFile(dir.File("MSG00001.VOC"), at22222.Build());
    fixtures::WriteFile(dir.File("MSG00002.VOC"), at8000.Build());
    fixtures::WriteFile(dir.File("MSG00003.VOC"), at44100.Build());

    fixtures::ScopedCurrentDir cwd(dir.path());
    std::ostringstream out, err;
    EXPECT_EQ(cli::Run({"import", dir.File("DEMO.CHP")}, {out, err}), kExitOk);
    EXPECT_EQ(err.str(), "chpimport: message 2: MSG00002.VOC: recorded at 8000 Hz; the conversion "
                         "assumes 22222 Hz, so it will play too fast\n"
                         "chpimport: message 3: MSG00003.VOC: recorded at 44100 Hz; the "
                         "conversion assumes 22222 Hz, so it will play too slow\n");
    for (const char* name : {"MSG00001.wav", "MSG00002.wav", "MSG00003.wav"})
        EXPECT_TRUE(std::filesystem::exists(dir.File(name))) << name;
    const std::string log = fixtures::ReadText(dir.File("debug.bid"));
    EXPECT_EQ(log, "file " + dir.File("MSG00001.VOC") + " nb [1] addr [0000] rows 00 00\r\n" +
                       "file " + dir.File("MSG00002.VOC") + " nb [2] addr [0008] rows 00 00\r\n" +
                       "file " + dir.File("MSG00003.VOC") + " nb [3] addr [0010] rows 00 00\r\n");

    // --json gives each message its own warnings, and none to the message that has none.
    std::ostringstream data, progress;
    EXPECT_EQ(cli::Run({"import", "--json", dir.File("DEMO.CHP")}, {data, progress}), kExitOk);
    const auto messages = nlohmann::json::parse(data.str())["projects"][0]["messages"];
    ASSERT_EQ(messages.size(), 3u);
    std::string lines;
    for (const auto& m : messages)
        for (const auto& warning : m["warnings"])
            lines += "chpimport: message " + std::to_string(m["number"].get<int>()) + ": " +
                     warning.get<std::string>() + "\n";
    EXPECT_EQ(lines, err.str());
}

} // namespace
} // namespace chpimport::cli
