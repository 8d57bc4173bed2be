#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/text_file.hpp"
#include "chp/import_session.hpp"

namespace chpimport {

// The project file (.zpf), an INI file beside the CHP file.
inline constexpr const char* kProjectSection = "KZ_ISD_PROJECT";
inline constexpr const char* kConcatSection = "KZ_ISD_CONCAT";

// Sets session.ProjectFilePath to the CHP path with the extension ".zpf" (in the session's
// output folder, when it has one) and writes
// nb_files, chip_selected and nb_conc from MessageCount and ChipName. 1 on success, 0 when
// the path is too long, the chip name can't be written as one line, or the file can't be
// updated (it is then unchanged). `later`: see ReplaceDurably.
int WriteProjectSettings(ImportSession& session, const std::string& projectPath,
                         FolderSyncs* later = nullptr);

// Writes message n's keys: "file<n>" (the WAV path with its address range), "conc<n>" and
// "conc_list<n>", in one update of the file. 1 on success; 0 when n < 1, address < 0, a value
// doesn't fit 255 characters or holds a line break, or the file can't be updated.
int WriteMessageSettings(const std::string& projectFilePath, std::int16_t n,
                         const std::string& wavePath, std::int16_t address, std::int16_t length,
                         FolderSyncs* later = nullptr);

// A "file<n>" value read back: the WAV path and the message's address range.
struct FileEntryValue {
    std::string wavePath;
    int address = 0;
    int end = 0;
};
// Splits a value written by WriteMessageSettings; nullopt for any other text.
std::optional<FileEntryValue> ParseFileEntryValue(std::string_view value);

// The table file (.tbl) beside the CHP file (or in the output folder), created anew with its
// banner. Null when the path is too long, a banner text holds a line break, or the file
// can't be created or its banner written. `later`: see ReplaceDurably.
std::unique_ptr<TextFile> OpenTableFile(const std::string& projectPath, const std::string& chipName,
                                        const OutputPlacement& placement = {},
                                        FolderSyncs* later = nullptr);

// Appends message n's entry, labelled n - 1. Nothing when the file isn't open, n < 1,
// address < 0 or the path holds a line break; false then, or when the write fails.
bool WriteTableEntry(TextFile* tableFile, std::int16_t n, std::int16_t address,
                     const std::string& wavePath, std::int32_t durationMs);

// Appends the closing line "CONC", closes the file and resets the pointer. Nothing when null.
void CloseTableFile(std::unique_ptr<TextFile>& tableFile);

// The debug log, "debug.bid" in the current directory unless placed elsewhere, created anew;
// null when it can't be.
std::unique_ptr<TextFile> OpenDebugLog(const OutputPlacement& placement = {});
void CloseDebugLog(std::unique_ptr<TextFile>& debugLog);

} // namespace chpimport
