#include "report/levels.hpp"

#include <cmath>

namespace chpimport::report {

std::string DbfsText(std::int32_t peak) {
    const std::string minus = "\u2212";
    if (peak <= 0) return minus + "\u221e dBFS";
    const long tenths = std::lround(-200.0 * std::log10(static_cast<double>(peak) / kFullScale));
    if (tenths == 0) return "0.0 dBFS";
    return minus + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " dBFS";
}

} // namespace chpimport::report
