#pragma once
// RIFF chunk input and output: open a file, step into and out of its chunks, create chunks
// whose sizes are put right when they are left. The calls and flags keep the shape of the
// Windows multimedia file functions the tool's file layouts were designed around, but this
// is our own code on top of base/file.hpp, the same on every platform.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/file.hpp"

namespace chpimport {

using FOURCC = std::uint32_t;

// A chunk record. For RIFF and LIST chunks `cksize` counts the form or list type, and
// `dwDataOffset` is the offset of that type (the byte after the size field).
struct MMCKINFO {
    FOURCC ckid = 0;
    std::uint32_t cksize = 0;
    FOURCC fccType = 0;
    std::uint32_t dwDataOffset = 0;
    std::uint32_t dwFlags = 0;
};

// Open flags (combinable as with the Windows functions).
inline constexpr std::uint32_t kMmioRead = 0x0;
inline constexpr std::uint32_t kMmioWrite = 0x1;
inline constexpr std::uint32_t kMmioReadWrite = 0x2;
inline constexpr std::uint32_t kMmioCreate = 0x1000;
inline constexpr std::uint32_t kMmioAllocBuf = 0x10000;
// Descend and create flags.
inline constexpr std::uint32_t kMmioFindChunk = 0x10;
inline constexpr std::uint32_t kMmioCreateRiff = 0x20;
inline constexpr std::uint32_t kMmioCreateList = 0x40;
// Record flag: the chunk's size is to be corrected when it is left.
inline constexpr std::uint32_t kMmioDirty = 0x10000000;

// Results of Descend, CreateChunk and Ascend: 0 or one of these.
inline constexpr std::uint32_t kMmioErrCannotRead = 261;
inline constexpr std::uint32_t kMmioErrCannotWrite = 262;
inline constexpr std::uint32_t kMmioErrCannotSeek = 263;
inline constexpr std::uint32_t kMmioErrChunkNotFound = 265;

// The code of four characters, stored as those characters in file order.
constexpr FOURCC MakeFourCC(char a, char b, char c, char d) {
    return static_cast<FOURCC>(static_cast<unsigned char>(a)) |
           static_cast<FOURCC>(static_cast<unsigned char>(b)) << 8 |
           static_cast<FOURCC>(static_cast<unsigned char>(c)) << 16 |
           static_cast<FOURCC>(static_cast<unsigned char>(d)) << 24;
}

inline constexpr FOURCC kFourCCRiff = MakeFourCC('R', 'I', 'F', 'F');
inline constexpr FOURCC kFourCCList = MakeFourCC('L', 'I', 'S', 'T');
inline constexpr FOURCC kFourCCWave = MakeFourCC('W', 'A', 'V', 'E');
inline constexpr FOURCC kFourCCFmt = MakeFourCC('f', 'm', 't', ' ');
inline constexpr FOURCC kFourCCData = MakeFourCC('d', 'a', 't', 'a');

// The code of the first four characters of `text` (up to a NUL), padded with blanks; case
// is kept.
FOURCC StringToFourCC(std::string_view text);
// The four characters of a code, for messages.
std::string FourCCText(FOURCC code);

class RiffFile {
public:
    RiffFile() = default;
    RiffFile(RiffFile&&) noexcept = default;
    RiffFile& operator=(RiffFile&&) noexcept = default;

    // Flags: kMmioRead, kMmioReadWrite, or kMmioCreate with kMmioWrite or kMmioReadWrite
    // (creating truncates an existing file). kMmioAllocBuf gives the file a large buffer.
    // Not open (see IsOpen) when the file can't be opened.
    static RiffFile Open(const std::string& path, std::uint32_t flags);

    bool IsOpen() const { return file_.IsOpen(); }
    explicit operator bool() const { return IsOpen(); }

    // Reads the chunk header at the current position into `chunk` (and the type of a RIFF
    // or LIST chunk) and leaves the position at its body, after that type. With
    // kMmioFindChunk, chunks whose id is not `chunk.ckid` are passed over. A chunk that
    // starts at or past the end of `parent` (its dwDataOffset + cksize), or a header that
    // the file does not hold, gives kMmioErrChunkNotFound; the position is then where it
    // was.
    std::uint32_t Descend(MMCKINFO& chunk, const MMCKINFO* parent, std::uint32_t flags);

    // Writes at the current position a chunk header with `chunk.cksize` as a provisional
    // size (id "RIFF" or "LIST" with kMmioCreateRiff / kMmioCreateList, followed by
    // `chunk.fccType`), sets dwDataOffset and marks the record dirty.
    std::uint32_t CreateChunk(MMCKINFO& chunk, std::uint32_t flags);

    // Leaves a chunk. A dirty record takes the current position as the end of its body:
    // the size field is rewritten when it differs, `cksize` updated, an odd body gets a zero
    // pad byte, and the flag is cleared. The position ends after the body and its pad byte
    // (never past the end of the file).
    std::uint32_t Ascend(MMCKINFO& chunk);

    // Bytes moved; 0 at the end of the file; -1 on error. Chunk ends are not enforced.
    std::int32_t Read(void* buffer, std::int32_t count);
    std::int32_t Write(const void* buffer, std::int32_t count);
    // origin SEEK_SET, SEEK_CUR or SEEK_END; the new position or -1.
    std::int64_t Seek(std::int64_t offset, int origin);
    std::int64_t Tell() { return file_.Tell(); }
    // The file's length in bytes, or -1; the position is kept.
    std::int64_t Size() { return file_.Size(); }
    // True when every write so far reached the file and it closed cleanly.
    bool Close() { return file_.Close(); }
    bool HadError() const { return file_.HadError(); }

private:
    explicit RiffFile(File file) : file_(std::move(file)) {}
    bool ReadHeader(std::int64_t at, MMCKINFO& chunk);

    File file_;
};

} // namespace chpimport
