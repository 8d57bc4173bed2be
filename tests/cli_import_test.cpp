#include <gtest/gtest.h>

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

} // namespace
} // namespace chpimport::cli
