// The filter tables built into the program at build time: each is the table the program
// designs at run time, bit for bit (natively, and for Windows under Wine, where both the
// build-time and the run-time design use Windows' maths library), and only the mode it was
// designed for finds it.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "audio/resample/designed_tables.hpp"
#include "audio/resample/filter_design.hpp"
#include "audio/resample/kernel_table.hpp"
#include "audio/resample/table_layout.hpp"

namespace chpimport {
namespace {

class BuiltInTables : public ::testing::TestWithParam<bool> {};

TEST_P(BuiltInTables, EqualTheRunTimeDesign) {
    const ConverterMode mode = MakeConverterMode(GetParam());
    const DesignedPrototype* built = FindBuiltInPrototype(mode);
#ifdef CHPIMPORT_BUILT_IN_TABLES
    ASSERT_NE(built, nullptr);
#else
    if (built == nullptr) GTEST_SKIP() << "this build designs its tables at run time";
#endif
    PolyphaseTable designed(mode.BranchCount, mode.TapsPerBranch);
    DesignPolyphaseTable(mode, designed);
    for (std::int32_t k = 1; k < mode.HalfLength; ++k)
        ASSERT_EQ(built->half[k - 1], std::bit_cast<std::uint32_t>(designed.Entry(k)))
            << "entry " << k;
}

// A mode that differs in any figure the design depends on is designed afresh, and its
// kernel table is still the design's branches reversed.
TEST_P(BuiltInTables, OnlyTheirOwnModeFindsThem) {
    const ConverterMode mode = MakeConverterMode(GetParam());
    auto edited = [&](void (*edit)(ConverterMode&)) {
        ConverterMode other = mode;
        edit(other);
        return FindBuiltInPrototype(other);
    };
    EXPECT_EQ(edited([](ConverterMode& m) { m.Beta = std::nextafter(m.Beta, 11.0f); }), nullptr);
    EXPECT_EQ(edited([](ConverterMode& m) { m.PhaseStep = std::nextafter(m.PhaseStep, 0.0f); }),
              nullptr);
    EXPECT_EQ(edited([](ConverterMode& m) { m.StepRatio = std::nextafter(m.StepRatio, 3.0f); }),
              nullptr);
    EXPECT_EQ(edited([](ConverterMode& m) { m.TransitionWidth *= 2.0f; }), nullptr);
    EXPECT_EQ(edited([](ConverterMode& m) { ++m.HalfLength; }), nullptr);
    EXPECT_EQ(edited([](ConverterMode& m) { ++m.TapsPerBranch; }), nullptr);
    EXPECT_EQ(edited([](ConverterMode& m) { m.BranchCount *= 2; }), nullptr);

    if (GetParam()) return; // designing the Zuvan table once more says nothing new
    ConverterMode other = mode;
    other.Beta = std::nextafter(mode.Beta, 11.0f);
    PolyphaseTable designed(other.BranchCount, other.TapsPerBranch);
    DesignPolyphaseTable(other, designed);
    const KernelTable table(other);
    for (std::int32_t b = 0; b < other.BranchCount; ++b)
        for (std::int32_t j = 0; j < other.TapsPerBranch; ++j)
            ASSERT_EQ(table.Row(b)[j], designed.Row(b)[other.TapsPerBranch - 1 - j]);
}

// A table built in already laid out is, bit for bit and in its range check, the layout the
// browser's build makes of the same prototype at run time.
TEST_P(BuiltInTables, LaidOutAsTheRunTimeLayout) {
    const ConverterMode mode = MakeConverterMode(GetParam());
    const DesignedPrototype* built = FindBuiltInPrototype(mode);
    if (built == nullptr || built->rows == nullptr) GTEST_SKIP() << "laid out at run time";
    std::vector<double> rows(static_cast<std::size_t>(mode.BranchCount) *
                             static_cast<std::size_t>(mode.TapsPerBranch));
    EXPECT_EQ(LayOutPrototypeRows(built->half, mode.BranchCount, mode.TapsPerBranch,
                                  mode.HalfLength, rows.data()),
              built->normalRange);
    for (std::size_t i = 0; i < rows.size(); ++i)
        ASSERT_EQ(std::bit_cast<std::uint64_t>(built->rows[i]),
                  std::bit_cast<std::uint64_t>(rows[i]))
            << "entry " << i;
    EXPECT_EQ(KernelTableCache::Instance().ForMode(mode).Row(0), built->rows);
}

INSTANTIATE_TEST_SUITE_P(Modes, BuiltInTables, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Zuvan" : "Plain"; });

} // namespace
} // namespace chpimport
