#include "audio/riff_io.hpp"

#include <cstdint>

#include "base/bytes.hpp"

namespace chpimport {
namespace {

// The buffer a file opened with kMmioAllocBuf gets; others keep the C library's.
constexpr std::size_t kLargeBuffer = 64 * 1024;
// Offsets live in 32-bit record fields.
constexpr std::int64_t kMaxOffset = UINT32_MAX;

bool HasType(FOURCC id) {
    return id == kFourCCRiff || id == kFourCCList;
}

// Where the chunk after `chunk` begins: its body, then a pad byte after an odd body.
std::int64_t NextChunk(const MMCKINFO& chunk) {
    return static_cast<std::int64_t>(chunk.dwDataOffset) + chunk.cksize + (chunk.cksize & 1);
}

} // namespace

FOURCC StringToFourCC(std::string_view text) {
    char c[4] = {' ', ' ', ' ', ' '};
    for (std::size_t i = 0; i < 4 && i < text.size() && text[i] != '\0'; ++i) c[i] = text[i];
    return MakeFourCC(c[0], c[1], c[2], c[3]);
}

std::string FourCCText(FOURCC code) {
    std::string text(4, ' ');
    for (int i = 0; i < 4; ++i) text[i] = static_cast<char>((code >> (8 * i)) & 0xFF);
    return text;
}

RiffFile RiffFile::Open(const std::string& path, std::uint32_t flags) {
    OpenMode mode = OpenMode::Read;
    bool readWrite = (flags & kMmioReadWrite) != 0;
    if (flags & kMmioCreate)
        mode = readWrite ? OpenMode::CreateReadWrite : OpenMode::Create;
    else if (readWrite || (flags & kMmioWrite))
        mode = OpenMode::ReadWrite;
    std::size_t buffer = (flags & kMmioAllocBuf) ? kLargeBuffer : 0;
    return RiffFile(File::Open(path, mode, buffer));
}

bool RiffFile::ReadHeader(std::int64_t at, MMCKINFO& chunk) {
    if (at + 12 > kMaxOffset || !file_.Seek(at, SEEK_SET)) return false;
    unsigned char raw[12];
    if (file_.Read(raw, 8) != 8) return false;
    chunk.ckid = Le32(raw);
    chunk.cksize = Le32(raw + 4);
    chunk.fccType = 0;
    chunk.dwDataOffset = static_cast<std::uint32_t>(at + 8);
    chunk.dwFlags = 0;
    if (HasType(chunk.ckid)) {
        if (file_.Read(raw + 8, 4) != 4) return false;
        chunk.fccType = Le32(raw + 8);
    }
    return true;
}

std::uint32_t RiffFile::Descend(MMCKINFO& chunk, const MMCKINFO* parent, std::uint32_t flags) {
    const std::int64_t start = file_.Tell();
    if (start < 0) return kMmioErrCannotSeek;
    std::int64_t parentBegin = 0;
    std::int64_t parentEnd = INT64_MAX;
    if (parent != nullptr) {
        parentBegin = parent->dwDataOffset;
        parentEnd = static_cast<std::int64_t>(parent->dwDataOffset) + parent->cksize;
    }
    const FOURCC wanted = chunk.ckid;
    MMCKINFO found;
    for (std::int64_t at = start;; at = NextChunk(found)) {
        if (at < parentBegin || at >= parentEnd || !ReadHeader(at, found)) {
            file_.Seek(start, SEEK_SET);
            return kMmioErrChunkNotFound;
        }
        if (!(flags & kMmioFindChunk) || found.ckid == wanted) break;
    }
    chunk = found;
    // ReadHeader leaves the position at the body, after the type of a RIFF or LIST chunk.
    return 0;
}

std::uint32_t RiffFile::CreateChunk(MMCKINFO& chunk, std::uint32_t flags) {
    const std::int64_t at = file_.Tell();
    if (at < 0 || at + 12 > kMaxOffset) return kMmioErrCannotSeek;
    if (flags & kMmioCreateRiff) chunk.ckid = kFourCCRiff;
    if (flags & kMmioCreateList) chunk.ckid = kFourCCList;
    unsigned char raw[12];
    PutLe32(raw, chunk.ckid);
    PutLe32(raw + 4, chunk.cksize);
    PutLe32(raw + 8, chunk.fccType);
    std::size_t length = HasType(chunk.ckid) ? 12 : 8;
    if (file_.Write(raw, length) != length) return kMmioErrCannotWrite;
    chunk.dwDataOffset = static_cast<std::uint32_t>(at + 8);
    chunk.dwFlags = kMmioDirty;
    return 0;
}

std::uint32_t RiffFile::Ascend(MMCKINFO& chunk) {
    if (chunk.dwFlags & kMmioDirty) {
        const std::int64_t end = file_.Tell();
        if (end < chunk.dwDataOffset || end > kMaxOffset) return kMmioErrCannotSeek;
        const auto size = static_cast<std::uint32_t>(end - chunk.dwDataOffset);
        if (size != chunk.cksize) {
            unsigned char raw[4];
            PutLe32(raw, size);
            if (!file_.Seek(static_cast<std::int64_t>(chunk.dwDataOffset) - 4, SEEK_SET))
                return kMmioErrCannotSeek;
            if (file_.Write(raw, 4) != 4) return kMmioErrCannotWrite;
            if (!file_.Seek(end, SEEK_SET)) return kMmioErrCannotSeek;
            chunk.cksize = size;
        }
        if (size & 1) {
            const unsigned char pad = 0;
            if (file_.Write(&pad, 1) != 1) return kMmioErrCannotWrite;
        }
        chunk.dwFlags &= ~kMmioDirty;
        return 0;
    }
    // A size the file does not hold must not carry the position (or, on a file open for
    // writing, a later write) beyond its end.
    std::int64_t target = NextChunk(chunk);
    const std::int64_t size = file_.Size();
    if (size >= 0 && target > size) target = size;
    return file_.Seek(target, SEEK_SET) ? 0 : kMmioErrCannotSeek;
}

std::int32_t RiffFile::Read(void* buffer, std::int32_t count) {
    if (count < 0 || !file_.IsOpen()) return -1;
    std::size_t got = file_.Read(buffer, static_cast<std::size_t>(count));
    if (got < static_cast<std::size_t>(count) && file_.HadError()) return -1;
    return static_cast<std::int32_t>(got);
}

std::int32_t RiffFile::Write(const void* buffer, std::int32_t count) {
    if (count < 0 || !file_.IsOpen()) return -1;
    std::size_t put = file_.Write(buffer, static_cast<std::size_t>(count));
    if (put < static_cast<std::size_t>(count)) return -1;
    return static_cast<std::int32_t>(put);
}

std::int64_t RiffFile::Seek(std::int64_t offset, int origin) {
    if (!file_.Seek(offset, origin)) return -1;
    return file_.Tell();
}

} // namespace chpimport
