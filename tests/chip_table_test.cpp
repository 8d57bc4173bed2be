#include <gtest/gtest.h>

#include "chp/chip_table.hpp"

namespace chpimport {
namespace {

struct ChipCase {
    int code;
    const char* text;
    const char* name;
    int rowMs;
    int divisor;
};

void PrintTo(const ChipCase& c, std::ostream* os) {
    *os << c.code << "/'" << c.text << "'";
}

class GetChipInfoTest : public ::testing::TestWithParam<ChipCase> {};

TEST_P(GetChipInfoTest, GivesNameRowDurationAndDivisor) {
    const ChipCase& c = GetParam();
    ChipInfo info = GetChipInfo(static_cast<std::uint8_t>(c.code), c.text);
    EXPECT_EQ(info.Name, c.name);
    EXPECT_EQ(info.RowMs, c.rowMs);
    EXPECT_EQ(info.Divisor, c.divisor);
}

// Every named code, whatever text the caller holds.
INSTANTIATE_TEST_SUITE_P(
    NamedCodes, GetChipInfoTest,
    ::testing::Values(ChipCase{1, "ISD2590", "ISD1012", 100, 4}, ChipCase{2, "", "ISD1016", 100, 4},
                      ChipCase{3, "x", "ISD1020", 125, 4}, ChipCase{4, "", "ISD2545", 100, 4},
                      ChipCase{5, "junk", "ISD2560", 100, 4}, ChipCase{6, "", "ISD2575", 125, 4},
                      ChipCase{7, "", "ISD2590", 150, 4},
                      ChipCase{8, "ISD1212", "ISD25120", 200, 4},
                      ChipCase{9, "", "ISD1108", 100, 2}, ChipCase{10, "", "ISD1110", 125, 2},
                      ChipCase{11, "ISD1212", "ISD1112", 100, 2},
                      ChipCase{12, "", "ISD1208", 100, 2}, ChipCase{13, "", "ISD1210", 125, 2},
                      ChipCase{14, "", "ISD1212", 150, 2}, ChipCase{15, "", "ISD1416", 100, 4},
                      ChipCase{16, "", "ISD1420", 125, 4}));

// Other codes: the caller's text decides, later tests overriding earlier ones.
INSTANTIATE_TEST_SUITE_P(
    TextDecides, GetChipInfoTest,
    ::testing::Values(ChipCase{0, "ISD2590", "ISD2590", 150, 4},
                      ChipCase{0, "ISD1210", "ISD1210", 125, 2},
                      ChipCase{0, "ISD1210/ISD1416", "ISD1210/ISD1416", 100, 4},
                      ChipCase{0, "ISD1416 ISD1210", "ISD1416 ISD1210", 100, 4},
                      ChipCase{0, "ISD1020+ISD2590", "ISD1020+ISD2590", 150, 4},
                      ChipCase{0, "ISD2590+ISD1020", "ISD2590+ISD1020", 150, 4},
                      ChipCase{17, "", "", 100, 4}, ChipCase{255, "ISD25120", "ISD25120", 200, 4},
                      ChipCase{0, "isd2560", "isd2560", 100, 4},
                      ChipCase{0, "MY ISD1212 BOARD", "MY ISD1212 BOARD", 150, 2},
                      ChipCase{0, "ISD1112", "ISD1112", 100, 2}));

} // namespace
} // namespace chpimport
