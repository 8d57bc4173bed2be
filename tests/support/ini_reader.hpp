#pragma once
// Reads an INI file the way the Zuvan tools look keys up, independently of our writer: the
// first section whose name matches ignoring letter case, and in it the first key that does.
// Lines end at "\n" (a CR before it belongs to the line end); a section line starts with
// "[" (blanks before it allowed) and is named up to its "]"; blank lines and lines starting
// with ";" are no keys; any other line is a key up to its "=" (the whole line without one).
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fixtures {

struct IniLine {
    enum class Kind { Blank, Comment, Section, Key } kind = Kind::Blank;
    std::string name;  // section or key name, blanks around it removed
    std::string value; // a key's value: after its "=", blanks around it removed
    bool crlf = false; // ends with CR LF (false: LF alone, or no line end at all)
    bool ended = false;
};

inline std::string_view IniTrim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

inline bool IniSameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

inline std::string IniLower(std::string_view name) {
    std::string lower(name);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

inline std::vector<IniLine> ParseIni(std::string_view text) {
    std::vector<IniLine> lines;
    while (!text.empty()) {
        IniLine line;
        std::size_t nl = text.find('\n');
        std::string_view body = text.substr(0, nl);
        line.ended = nl != std::string_view::npos;
        if (line.ended && !body.empty() && body.back() == '\r') {
            body.remove_suffix(1);
            line.crlf = true;
        }
        text.remove_prefix(line.ended ? nl + 1 : text.size());
        std::string_view trimmed = IniTrim(body);
        if (trimmed.empty()) {
            line.kind = IniLine::Kind::Blank;
        } else if (trimmed.front() == ';') {
            line.kind = IniLine::Kind::Comment;
        } else if (trimmed.front() == '[') {
            line.kind = IniLine::Kind::Section;
            trimmed.remove_prefix(1);
            line.name = std::string(IniTrim(trimmed.substr(0, trimmed.find(']'))));
        } else {
            line.kind = IniLine::Kind::Key;
            std::size_t eq = trimmed.find('=');
            line.name = std::string(IniTrim(trimmed.substr(0, eq)));
            if (eq != std::string_view::npos)
                line.value = std::string(IniTrim(trimmed.substr(eq + 1)));
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

// A file parsed once, for many look-ups.
class IniFile {
public:
    explicit IniFile(std::string_view text) : lines_(ParseIni(text)) {}

    // The value a reader finds for the key, or nothing when the section or key is missing.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const {
        bool inSection = false;
        for (const IniLine& line : lines_) {
            if (line.kind == IniLine::Kind::Section) {
                if (inSection) return std::nullopt; // only the first matching section counts
                inSection = IniSameName(line.name, section);
            } else if (inSection && line.kind == IniLine::Kind::Key &&
                       IniSameName(line.name, key)) {
                return line.value;
            }
        }
        return std::nullopt;
    }

    // Every (section, key) that a key line names, in file order; repeats included.
    std::vector<std::pair<std::string, std::string>> Keys() const {
        std::vector<std::pair<std::string, std::string>> keys;
        const std::string* section = nullptr;
        for (const IniLine& line : lines_) {
            if (line.kind == IniLine::Kind::Section) section = &line.name;
            if (section != nullptr && line.kind == IniLine::Kind::Key)
                keys.emplace_back(*section, line.name);
        }
        return keys;
    }

    // Every value a reader finds, by section and key in lower case: Value for all keys at
    // once, for files too long to look each key up in turn.
    std::map<std::pair<std::string, std::string>, std::string> Values() const {
        std::map<std::pair<std::string, std::string>, std::string> values;
        std::set<std::string> seen;
        std::string section;
        bool first = false;
        for (const IniLine& line : lines_) {
            if (line.kind == IniLine::Kind::Section) {
                section = IniLower(line.name);
                first = seen.insert(section).second;
            } else if (first && line.kind == IniLine::Kind::Key) {
                values.emplace(std::make_pair(section, IniLower(line.name)), line.value);
            }
        }
        return values;
    }

    const std::vector<IniLine>& Lines() const { return lines_; }

private:
    std::vector<IniLine> lines_;
};

inline std::optional<std::string> IniValue(std::string_view text, std::string_view section,
                                           std::string_view key) {
    return IniFile(text).Value(section, key);
}

} // namespace fixtures
