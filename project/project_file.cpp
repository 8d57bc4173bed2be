#include <cstdio>
#include <optional>
#include <vector>

#include "project/profile_writer.hpp"
#include "project/project_files.hpp"

namespace chpimport {
namespace {

std::string ShortText(std::int16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%hd", value);
    return text;
}

} // namespace

int WriteProjectSettings(ImportSession& session, const std::string& projectPath,
                         FolderSyncs* later) {
    std::optional<std::string> path = OutputPath(session.Outputs, projectPath, ".zpf");
    if (!path) {
        session.ProjectFilePath.clear();
        return 0;
    }
    session.ProjectFilePath = *path;
    const std::string count = ShortText(session.MessageCount);
    const std::vector<ProfileEntry> entries = {
        {kProjectSection, "nb_files", count},
        {kProjectSection, "chip_selected", session.ChipName},
        {kConcatSection, "nb_conc", count},
    };
    return WriteProfileStrings(*path, entries, later) ? 1 : 0;
}

int WriteMessageSettings(const std::string& projectFilePath, std::int16_t n,
                         const std::string& wavePath, std::int16_t address, std::int16_t length,
                         FolderSyncs* later) {
    if (n < 1 || address < 0) return 0;
    // The start address follows the digit 1 directly: address 40, end 65 give "[140 65]".
    char range[32];
    std::snprintf(range, sizeof range, " [1%d %d]*", static_cast<int>(address),
                  static_cast<int>(address) + static_cast<int>(length));
    const std::string number = ShortText(n);
    const std::vector<ProfileEntry> entries = {
        {kProjectSection, "file" + number, wavePath + range},
        {kConcatSection, "conc" + number, "CONC" + number},
        {kConcatSection, "conc_list" + number, number},
    };
    return WriteProfileStrings(projectFilePath, entries, later) ? 1 : 0;
}

std::optional<FileEntryValue> ParseFileEntryValue(std::string_view value) {
    // "<path> [1<address> <end>]*": the range is the last " [1" of the value.
    const std::size_t open = value.rfind(" [1");
    if (open == std::string_view::npos || value.size() < 3 ||
        value.substr(value.size() - 2) != "]*")
        return std::nullopt;
    std::string_view range = value.substr(open + 3, value.size() - 2 - (open + 3));
    auto number = [&range](int& out) {
        std::size_t digits = 0;
        out = 0;
        while (digits < range.size() && digits < 6 && range[digits] >= '0' && range[digits] <= '9')
            out = out * 10 + (range[digits++] - '0');
        range.remove_prefix(digits);
        return digits > 0;
    };
    FileEntryValue entry{std::string(value.substr(0, open)), 0, 0};
    if (!number(entry.address) || range.empty() || range.front() != ' ') return std::nullopt;
    range.remove_prefix(1);
    if (!number(entry.end) || !range.empty() || entry.end < entry.address) return std::nullopt;
    return entry;
}

} // namespace chpimport
