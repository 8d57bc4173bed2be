#pragma once
// Numbers as the page shows them, formatted from integers so that every platform writes
// the same characters.
#include <cstdint>
#include <string>
#include <vector>

namespace chpimport::report {

// part / whole as an SVG percentage with three decimals ("12.500%"); whole > 0.
std::string Percent(std::int64_t part, std::int64_t whole);
// part / whole as a percentage with one decimal, for text ("7.5 %"); whole > 0.
std::string Share(std::int64_t part, std::int64_t whole);
// Milliseconds as seconds with `decimals` (1 to 3) decimals, truncated: "2.499 s".
std::string Seconds(std::int64_t ms, int decimals = 3);
// Upper-case hexadecimal, at least four digits ("0028").
std::string Hex4(int value);
// "1, 2 and 5"; with a `total` above the numbers given, "1, 2, 5 and 7 more".
std::string NumberList(const std::vector<int>& numbers, int total = 0);

} // namespace chpimport::report
