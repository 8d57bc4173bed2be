#pragma once
#include <cstdint>
#include <string>

#include "chp/import_session.hpp"

namespace chpimport {

inline constexpr std::int64_t kChpHeaderSize = 144;
inline constexpr std::int64_t kChpDirEntrySize = 16;
inline constexpr const char* kChpBanner = "Information Storage Devices, Inc. CHP FILE FORMAT Ver ";
inline constexpr const char* kChpCopyright = "Copyright (C) 19";

// The fields of the 144-byte CHP header that the tool uses.
struct ChpHeader {
    std::string ProjectName; // at most 28 characters
    std::string ChipType;    // at most 18 characters
    std::uint8_t ChipCode = 0;
    std::int16_t MessageCount = 0;
};

// One 16-byte message directory entry.
struct ChpDirEntry {
    std::uint16_t Number = 0;
    std::uint16_t Address = 0;
    std::string VocName; // at most 12 characters
};

enum class ChpStatus {
    Ok,
    CannotOpen,    // missing or unreadable
    NotAFile,      // a folder
    Empty,         // zero bytes
    Truncated,     // ends inside the header
    NoBanner,      // the format banner is not in the first 58 bytes
    NoCopyright,   // the copyright text is not in the next 18 bytes
    NegativeCount, // a message count of 32768 or more
};

// Why a header was refused, in a few words for the command line.
const char* ChpStatusText(ChpStatus status);

// The file's length in bytes; 0 when the path is empty, the file can't be opened or is empty.
std::int32_t CheckChpFile(const std::string& path);

// Reads and validates the header. `openFailure`, when given, receives why a file that can't
// be opened can't be (see OpenFailureText).
ChpStatus ParseChpHeader(const std::string& path, ChpHeader& header,
                         std::string* openFailure = nullptr);

// Validates the header; on success sets the session's ProjectName, ChipName and
// MessageCount and returns 1. On failure returns 0 and changes nothing.
int LoadChpHeader(ImportSession& session, const std::string& path);

enum class DirEntryStatus { Ok, CannotOpen, Missing, WrongNumber };

// True when the file ends before directory entry n (counting from 1) is complete, so that
// it holds neither that entry nor any later one; false also when it can't be opened.
bool DirectoryEndsBefore(const std::string& path, std::int16_t n);

// Reads directory entry n (counting from 1), which must carry the number n.
DirEntryStatus ReadChpDirEntry(const std::string& path, std::int16_t n, ChpDirEntry& entry);

} // namespace chpimport
