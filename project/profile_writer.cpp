#include "project/profile_writer.hpp"

#include <cstddef>

#include "base/file.hpp"
#include "base/limits.hpp"

namespace chpimport {
namespace {

constexpr std::string_view kCrLf = "\r\n";

struct Line {
    std::string text;   // without its line end
    std::string ending; // "\r\n", "\n" or "" for a last line without one
};

bool IsBlankChar(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlankChar(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlankChar(s.back())) s.remove_suffix(1);
    return s;
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        const std::size_t end = nl == std::string_view::npos ? text.size() : nl + 1;
        std::string_view ending = text.substr(0, end);
        std::size_t length = end;
        if (nl != std::string_view::npos) {
            length = (nl > 0 && text[nl - 1] == '\r') ? nl - 1 : nl;
        }
        ending.remove_prefix(length);
        lines.push_back(Line{std::string(text.substr(0, length)), std::string(ending)});
        text.remove_prefix(end);
    }
    return lines;
}

// The name of a section header line ("[name]", blanks around it ignored), or false.
bool SectionName(std::string_view line, std::string_view& name) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return false;
    line.remove_prefix(1);
    std::size_t close = line.find(']');
    name = Trim(close == std::string_view::npos ? line : line.substr(0, close));
    return true;
}

// The key of a "key=value" line; comments (";") and blank lines have none.
bool KeyName(std::string_view line, std::string_view& key) {
    std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[') return false;
    std::size_t eq = trimmed.find('=');
    key = Trim(eq == std::string_view::npos ? trimmed : trimmed.substr(0, eq));
    return true;
}

Line MakeLine(std::string text) {
    return Line{std::move(text), std::string(kCrLf)};
}

void Apply(std::vector<Line>& lines, const ProfileEntry& entry) {
    std::size_t header = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view name;
        if (SectionName(lines[i].text, name) && EqualsIgnoringCase(name, entry.section)) {
            header = i;
            break;
        }
    }
    // A line we insert after must end with a line end first.
    auto terminate = [&](std::size_t i) {
        if (lines[i].ending.empty()) lines[i].ending = std::string(kCrLf);
    };
    if (header == lines.size()) {
        if (!lines.empty()) terminate(lines.size() - 1);
        lines.push_back(MakeLine("[" + entry.section + "]"));
        lines.push_back(MakeLine(entry.key + "=" + entry.value));
        return;
    }
    std::size_t lastFilled = header;
    for (std::size_t i = header + 1; i < lines.size(); ++i) {
        std::string_view name;
        if (SectionName(lines[i].text, name)) break;
        std::string_view key;
        if (KeyName(lines[i].text, key) && EqualsIgnoringCase(key, entry.key)) {
            // The key keeps its own spelling; only its value changes.
            lines[i] = MakeLine(std::string(key) + "=" + entry.value);
            return;
        }
        if (!Trim(lines[i].text).empty()) lastFilled = i;
    }
    terminate(lastFilled);
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastFilled) + 1,
                 MakeLine(entry.key + "=" + entry.value));
}

bool HasLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool ReadWholeFile(const std::string& path, std::string& text, bool& exists) {
    text.clear();
    exists = IsRegularFile(path);
    if (!exists) return !IsDirectory(path);
    File file = File::Open(path, OpenMode::Read);
    if (!file) return false;
    char buffer[4096];
    for (;;) {
        std::size_t got = file.Read(buffer, sizeof buffer);
        text.append(buffer, got);
        if (got < sizeof buffer) break;
    }
    return !file.HadError();
}

} // namespace

bool IsWritableEntry(const ProfileEntry& entry) {
    const std::string* texts[] = {&entry.section, &entry.key, &entry.value};
    for (const std::string* text : texts)
        if (text->size() > kMaxText || HasLineBreakOrNul(*text)) return false;
    if (Trim(entry.section).empty() || entry.section.find(']') != std::string::npos) return false;
    std::string_view key = Trim(entry.key);
    if (key.empty() || key.size() != entry.key.size()) return false;
    return entry.key.find('=') == std::string::npos && key.front() != ';' && key.front() != '[';
}

std::string ApplyProfileEntries(std::string_view text, const std::vector<ProfileEntry>& entries) {
    std::vector<Line> lines = SplitLines(text);
    for (const ProfileEntry& entry : entries) Apply(lines, entry);
    std::string out;
    out.reserve(text.size() + 64 * entries.size());
    for (const Line& line : lines) out += line.text + line.ending;
    return out;
}

bool WriteProfileStrings(const std::string& path, const std::vector<ProfileEntry>& entries,
                         FolderSyncs* later) {
    for (const ProfileEntry& entry : entries)
        if (!IsWritableEntry(entry)) return false;
    std::string old;
    bool exists = false;
    if (path.empty() || !ReadWholeFile(path, old, exists)) return false;
    std::string text = ApplyProfileEntries(old, entries);
    if (exists && text == old) return true;

    // Never rewrite the file in place: a full disk or a crash half way would leave it cut
    // short. The fixed name is reused (and so cleaned up) by the next update.
    const std::string fresh = path + ".new";
    File out = File::Open(fresh, OpenMode::Create);
    bool ok = out && out.Write(text.data(), text.size()) == text.size();
    ok = out.Close() && ok;
    if (!ok || !ReplaceDurably(fresh, path, later)) {
        RemoveFile(fresh);
        return false;
    }
    return true;
}

} // namespace chpimport
