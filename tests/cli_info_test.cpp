#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.hpp"
#include "support/cli_run.hpp"
#include "support/fixtures.hpp"

namespace chpimport::cli {
namespace {

using Result = fixtures::CliResult;
constexpr auto RunArgs = fixtures::RunCli;

TEST(CliInfo, PrintsTheFiveLinesThenTheDirectory) {
    fixtures::ChpBuilder builder;
    builder.projectName = "Talking clock";
    builder.chipCode = 8;
    builder.Message(0, "HOUR.VOC").Message(300, "MINUTES1.VOC");
    builder.messageCount = 3; // a third entry is announced but missing
    fixtures::TempDir dir;
    fixtures::WriteFile(dir.File("CLOCK.CHP"), builder.Build());

    Result r = RunArgs({"info", dir.File("CLOCK.CHP")});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.out, "Project: Talking clock\n"
                     "Chip type: ISD25120\n"
                     "Row duration: 200 ms\n"
                     "Divisor: 4\n"
                     "Messages: 3\n"
                     "      1  address     0 (0000)  HOUR.VOC\n"
                     "      2  address   300 (012C)  MINUTES1.VOC\n");
    EXPECT_EQ(r.err, "");
}

TEST(CliInfo, InvalidProjectExitsTwo) {
    fixtures::TempDir dir;
    fixtures::WriteFile(dir.File("BAD.CHP"), {'n', 'o'});
    Result r = RunArgs({"info", dir.File("BAD.CHP")});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("Invalid CHP file\n", 0), 0u);

    EXPECT_EQ(RunArgs({"info", dir.File("missing.chp")}).status, kExitUsage);
}

struct UsageCase {
    Args args;
    int status;
    bool toStdout;
};

class CliUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(CliUsage, ExitStatusAndStream) {
    Result r = RunArgs(GetParam().args);
    EXPECT_EQ(r.status, GetParam().status);
    EXPECT_EQ(!r.out.empty(), GetParam().toStdout);
    EXPECT_EQ(!r.err.empty(), !GetParam().toStdout);
}

INSTANTIATE_TEST_SUITE_P(Commands, CliUsage,
                         ::testing::Values(UsageCase{{}, kExitUsage, false},
                                           UsageCase{{"--help"}, kExitOk, true},
                                           UsageCase{{"--version"}, kExitOk, true},
                                           UsageCase{{"frobnicate"}, kExitUsage, false},
                                           UsageCase{{"info"}, kExitUsage, false},
                                           UsageCase{{"info", "a", "b"}, kExitUsage, false},
                                           UsageCase{{"info", "--help"}, kExitOk, true}));

} // namespace
} // namespace chpimport::cli
