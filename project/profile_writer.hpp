#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace chpimport {

class FolderSyncs;

// Our own writer of INI ("profile") files, with the update rules the Zuvan tools rely on
// from the Windows profile-string writer:
// - section and key names match ignoring letter case; the first match counts;
// - an existing key's value is replaced in place;
// - a new key goes after the last non-blank line of its section;
// - a missing section is appended at the end of the file as a "[name]" line, with no blank
//   line added before it;
// - every other line is kept byte for byte; lines we write end with CR LF.
struct ProfileEntry {
    std::string section;
    std::string key;
    std::string value;
};

// True when the entry can be written as one line: no line breaks or NUL anywhere, no "]"
// in the section, no "=" in the key, nothing empty but the value, nothing over 255
// characters.
bool IsWritableEntry(const ProfileEntry& entry);

// The file text after applying `entries` in order. Every entry must be writable.
std::string ApplyProfileEntries(std::string_view text, const std::vector<ProfileEntry>& entries);

// Applies `entries` to the file at `path` (created when missing) in one update: the new text
// is written completely to a file beside it, which then replaces the old one, so that a
// failure at any point leaves the old file as it was. False when an entry isn't writable,
// the existing file can't be read, or the new one can't be written; the file is then
// unchanged.
bool WriteProfileStrings(const std::string& path, const std::vector<ProfileEntry>& entries,
                         FolderSyncs* later = nullptr);

} // namespace chpimport
