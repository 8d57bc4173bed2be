// Inputs the fuzzers found, each replayed through the harness that found it (which checks
// every rule the fuzz target checks) in every build, the Windows one under Wine included.
// New findings: tests/fuzz/bytes.sh prints a finding's bytes in this form.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "audio/wav_post.hpp"
#include "base/memory_file_system.hpp"
#include "fuzz/harness/harness.hpp"
#include "support/fixtures.hpp"

namespace {

using Harness = std::string (*)(const std::uint8_t*, std::size_t);

struct Finding {
    const char* name;
    Harness harness;
    std::vector<std::uint8_t> bytes;
};

// A data chunk with the id "RIFF": its copy took the form type in as two extra samples.
const std::vector<std::uint8_t> kDataChunkWithFormType = {
    0x52, 0x49, 0x46, 0x46, 0x66, 0x01, 0x00, 0x00, 0x57, 0x41, 0x56, 0x45, 0x66, 0x6d, 0x74, 0x20,
    0x10, 0x00, 0x00, 0x00, 0x01, 0x00, 0x64, 0x65, 0x00, 0x00, 0x00, 0x00, 0x9c, 0xad, 0x00, 0x00,
    0x02, 0x00, 0x10, 0x00, 0x52, 0x49, 0x46, 0x46, 0xb4, 0x57, 0x41, 0x56, 0x64, 0x65, 0x00, 0x00};

const Finding kFindings[] = {
    {"DataChunkWithFormType", fuzzing::RunWavePostInput, kDataChunkWithFormType},
};

void PrintTo(const Finding& finding, std::ostream* os) {
    *os << finding.name;
}

class FuzzFinding : public ::testing::TestWithParam<Finding> {};

// On the disk, and on the file system in memory that the fuzz targets use.
TEST_P(FuzzFinding, KeepsEveryRule) {
    const Finding& finding = GetParam();
    EXPECT_EQ(finding.harness(finding.bytes.data(), finding.bytes.size()), "");
    chpimport::MemoryFileSystem memory;
    chpimport::UseFileSystem(&memory);
    EXPECT_EQ(finding.harness(finding.bytes.data(), finding.bytes.size()), "");
    chpimport::UseFileSystem(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Replayed, FuzzFinding, ::testing::ValuesIn(kFindings),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FuzzFindings, RangeCopyRefusesAFormatOrDataChunkWithAFormType) {
    fixtures::TempDir dir;
    fixtures::WriteFile(dir.File("in.wav"), kDataChunkWithFormType);
    EXPECT_EQ(chpimport::CopyWaveRange(dir.File("in.wav"), dir.File("out.wav"), 0, 4), 0);

    // The same with a LIST chunk where the format chunk belongs.
    fixtures::WavBuilder listed;
    listed.fmtId = "LIST";
    listed.Samples16({1, 2, 3, 4});
    fixtures::WriteFile(dir.File("list.wav"), listed.Build());
    EXPECT_EQ(chpimport::CopyWaveRange(dir.File("list.wav"), dir.File("out.wav"), 0, -1), 0);
}

} // namespace
