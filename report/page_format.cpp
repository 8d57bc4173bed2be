#include "report/page_format.hpp"

#include <cstdio>

namespace chpimport::report {

std::string Percent(std::int64_t part, std::int64_t whole) {
    const std::int64_t thousandths = whole > 0 ? part * 100000 / whole : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%03lld%%", static_cast<long long>(thousandths / 1000),
                  static_cast<long long>(thousandths % 1000));
    return text;
}

std::string Share(std::int64_t part, std::int64_t whole) {
    const std::int64_t tenths = whole > 0 ? part * 1000 / whole : 0;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " %";
}

std::string Seconds(std::int64_t ms, int decimals) {
    std::int64_t unit = 1000;
    for (int i = 0; i < decimals; ++i) unit /= 10;
    char text[40];
    std::snprintf(text, sizeof text, "%lld.%0*lld s", static_cast<long long>(ms / 1000), decimals,
                  static_cast<long long>(ms % 1000 / unit));
    return text;
}

std::string Hex4(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
    return text;
}

std::string NumberList(const std::vector<int>& numbers, int total) {
    const int more = total - static_cast<int>(numbers.size());
    std::string out;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0) out += i + 1 == numbers.size() && more <= 0 ? " and " : ", ";
        out += std::to_string(numbers[i]);
    }
    if (more > 0) out += " and " + std::to_string(more) + " more";
    return out;
}

} // namespace chpimport::report
