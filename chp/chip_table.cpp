#include "chp/chip_table.hpp"

#include <array>

namespace chpimport {
namespace {

constexpr std::array<const char*, 16> kChipNames = {
    "ISD1012", "ISD1016", "ISD1020", "ISD2545", "ISD2560", "ISD2575", "ISD2590", "ISD25120",
    "ISD1108", "ISD1110", "ISD1112", "ISD1208", "ISD1210", "ISD1212", "ISD1416", "ISD1420",
};

struct Rule {
    const char* substring;
    std::int16_t value;
};

// Tested in order; a later match overrides an earlier one.
constexpr std::array<Rule, 3> kDivisorRules = {{{"ISD11", 2}, {"ISD12", 2}, {"ISD14", 4}}};
constexpr std::array<Rule, 11> kRowMsRules = {{
    {"ISD1016", 100},
    {"ISD1020", 125},
    {"ISD1110", 125},
    {"ISD1210", 125},
    {"ISD1212", 150},
    {"ISD1416", 100},
    {"ISD1420", 125},
    {"ISD2560", 100},
    {"ISD2575", 125},
    {"ISD2590", 150},
    {"ISD25120", 200},
}};

template <std::size_t N>
std::int16_t Apply(const std::array<Rule, N>& rules, std::string_view name, std::int16_t value) {
    for (const Rule& rule : rules)
        if (name.find(rule.substring) != std::string_view::npos) value = rule.value;
    return value;
}

} // namespace

ChipInfo GetChipInfo(std::uint8_t code, std::string_view text) {
    ChipInfo info;
    info.Name = (code >= 1 && code <= 16) ? kChipNames[code - 1] : std::string(text);
    info.Divisor = Apply(kDivisorRules, info.Name, 4);
    info.RowMs = Apply(kRowMsRules, info.Name, 100);
    return info;
}

} // namespace chpimport
