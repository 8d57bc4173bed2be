#include "project/profile_reader.hpp"

#include <cstdint>

#include "base/file.hpp"

namespace chpimport {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

} // namespace

std::optional<std::string> FindProfileString(std::string_view text, std::string_view section,
                                             std::string_view key) {
    bool inSection = false;
    bool seenSection = false;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        const std::string_view line = Trim(text.substr(0, nl));
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        if (!line.empty() && line.front() == '[') {
            // Only the first section of the name counts.
            if (inSection) return std::nullopt;
            const std::string_view name = Trim(line.substr(1, line.find(']') - 1));
            inSection = !seenSection && SameName(name, section);
            seenSection = seenSection || inSection;
        } else if (inSection && !line.empty() && line.front() != ';') {
            const std::size_t eq = line.find('=');
            if (SameName(Trim(line.substr(0, eq)), key))
                return std::string(eq == std::string_view::npos ? "" : Trim(line.substr(eq + 1)));
        }
    }
    return std::nullopt;
}

std::optional<std::string> ReadProfileFile(const std::string& path) {
    // Far more than a project of 32767 messages writes.
    constexpr std::int64_t kMaxBytes = 64 << 20;
    File file = File::Open(path, OpenMode::Read);
    if (!file || file.Size() > kMaxBytes) return std::nullopt;
    std::string text;
    char buffer[4096];
    for (std::size_t got; (got = file.Read(buffer, sizeof buffer)) > 0;) text.append(buffer, got);
    if (file.HadError()) return std::nullopt;
    return text;
}

} // namespace chpimport
