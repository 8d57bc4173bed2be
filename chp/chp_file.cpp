#include "chp/chp_file.hpp"

#include <cstring>
#include <string_view>

#include "base/bytes.hpp"
#include "base/file.hpp"
#include "chp/chip_table.hpp"

namespace chpimport {
namespace {

// A fixed-size text field ends at its first NUL byte or fills the whole field.
std::string FieldText(const unsigned char* bytes, std::size_t size) {
    const void* nul = std::memchr(bytes, 0, size);
    std::size_t length =
        nul ? static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - bytes) : size;
    return std::string(reinterpret_cast<const char*>(bytes), length);
}

} // namespace

const char* ChpStatusText(ChpStatus status) {
    switch (status) {
    case ChpStatus::Ok:
        return "valid";
    case ChpStatus::CannotOpen:
        return "the file can't be opened";
    case ChpStatus::NotAFile:
        return "it is a folder, not a file";
    case ChpStatus::Empty:
        return "the file is empty";
    case ChpStatus::Truncated:
        return "the file ends inside its 144-byte header";
    case ChpStatus::NoBanner:
        return "the CHP format banner is missing";
    case ChpStatus::NoCopyright:
        return "the copyright text is missing";
    case ChpStatus::NegativeCount:
        return "the message count is out of range (32768 or more)";
    }
    return "invalid";
}

std::int32_t CheckChpFile(const std::string& path) {
    if (path.empty()) return 0;
    File file = File::Open(path, OpenMode::Read);
    if (!file) return 0;
    std::int64_t size = file.Size();
    if (size <= 0) return 0;
    return size > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(size);
}

ChpStatus ParseChpHeader(const std::string& path, ChpHeader& header, std::string* openFailure) {
    if (path.empty()) return ChpStatus::CannotOpen;
    if (IsDirectory(path)) return ChpStatus::NotAFile;
    File file = File::Open(path, OpenMode::Read);
    if (!file) {
        if (openFailure != nullptr) *openFailure = OpenFailureText(file);
        return ChpStatus::CannotOpen;
    }
    unsigned char raw[kChpHeaderSize];
    std::size_t got = file.Read(raw, sizeof raw);
    if (got == 0) return file.HadError() ? ChpStatus::CannotOpen : ChpStatus::Empty;

    // The texts are tested on what the file holds; a header cut short is refused after
    // them, so that a file with a wrong banner reports that rather than its length.
    auto holds = [&](std::size_t end) { return got >= end; };
    if (!holds(58) || FieldText(raw, 58).find(kChpBanner) == std::string::npos)
        return holds(58) ? ChpStatus::NoBanner : ChpStatus::Truncated;
    if (!holds(76) || FieldText(raw + 58, 18).find(kChpCopyright) == std::string::npos)
        return holds(76) ? ChpStatus::NoCopyright : ChpStatus::Truncated;
    if (!holds(kChpHeaderSize)) return ChpStatus::Truncated;

    ChpHeader parsed;
    parsed.ProjectName = FieldText(raw + 76, 28);
    parsed.ChipType = FieldText(raw + 104, 18);
    parsed.ChipCode = raw[141];
    parsed.MessageCount = static_cast<std::int16_t>(Le16(raw + 142));
    if (parsed.MessageCount < 0) return ChpStatus::NegativeCount;
    header = std::move(parsed);
    return ChpStatus::Ok;
}

int LoadChpHeader(ImportSession& session, const std::string& path) {
    if (CheckChpFile(path) == 0) return 0;
    ChpHeader header;
    if (ParseChpHeader(path, header) != ChpStatus::Ok) return 0;
    session.ProjectName = header.ProjectName;
    session.ChipName = GetChipInfo(header.ChipCode, header.ChipType).Name;
    session.MessageCount = header.MessageCount;
    return 1;
}

bool DirectoryEndsBefore(const std::string& path, std::int16_t n) {
    if (n < 1) return false;
    File file = File::Open(path, OpenMode::Read);
    const std::int64_t size = file ? file.Size() : -1;
    return size >= 0 && size < kChpHeaderSize + static_cast<std::int64_t>(n) * kChpDirEntrySize;
}

DirEntryStatus ReadChpDirEntry(const std::string& path, std::int16_t n, ChpDirEntry& entry) {
    File file = File::Open(path, OpenMode::Read);
    if (!file) return DirEntryStatus::CannotOpen;
    if (n < 1) return DirEntryStatus::Missing;
    if (!file.Seek(kChpHeaderSize + (static_cast<std::int64_t>(n) - 1) * kChpDirEntrySize,
                   SEEK_SET))
        return DirEntryStatus::Missing;
    unsigned char raw[kChpDirEntrySize];
    std::size_t got = file.Read(raw, sizeof raw);
    if (got < 2) return DirEntryStatus::Missing;
    if (Le16(raw) != static_cast<std::uint16_t>(n)) return DirEntryStatus::WrongNumber;
    // An entry cut short by the end of the file is no entry at all.
    if (got < sizeof raw) return DirEntryStatus::Missing;
    entry.Number = Le16(raw);
    entry.Address = Le16(raw + 2);
    entry.VocName = FieldText(raw + 4, 12);
    return DirEntryStatus::Ok;
}

} // namespace chpimport
