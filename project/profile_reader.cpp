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

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

} // namespace

std::map<std::string, std::string> ReadProfileSection(std::string_view text,
                                                      std::string_view section) {
    std::map<std::string, std::string> keys;
    const std::string wanted = Lower(section);
    bool inSection = false;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        const std::string_view line = Trim(text.substr(0, nl));
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        if (!line.empty() && line.front() == '[') {
            // Only the first section of the name counts.
            if (inSection) break;
            inSection = Lower(Trim(line.substr(1, line.find(']') - 1))) == wanted;
        } else if (inSection && !line.empty() && line.front() != ';') {
            const std::size_t eq = line.find('=');
            keys.emplace(Lower(Trim(line.substr(0, eq))),
                         eq == std::string_view::npos ? "" : Trim(line.substr(eq + 1)));
        }
    }
    return keys;
}

std::optional<std::string> FindProfileString(std::string_view text, std::string_view section,
                                             std::string_view key) {
    const std::map<std::string, std::string> keys = ReadProfileSection(text, section);
    auto found = keys.find(Lower(key));
    if (found == keys.end()) return std::nullopt;
    return found->second;
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
