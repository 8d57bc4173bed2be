#include "audio/wav_post.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/file.hpp"
#include "base/limits.hpp"
#include "base/memory.hpp"

namespace chpimport {
namespace {

constexpr std::int32_t kFormatBytes = 16;
constexpr std::uint32_t kDisplayTypeText = 1; // CF_TEXT
const FOURCC kFourCCDisp = StringToFourCC("DISP");

// The end of a chunk's body as far as the file really holds it: never beyond `limit` (the
// end of the chunk that encloses it, or of the file).
std::int64_t BodyEnd(const MMCKINFO& chunk, std::int64_t limit) {
    return std::min(static_cast<std::int64_t>(chunk.dwDataOffset) + chunk.cksize, limit);
}

// A chunk with a RIFF or LIST id carries a form or list type after its size: it can stand
// neither for the format chunk nor for the data chunk, whose copies would take that type in.
bool HasFormType(const MMCKINFO& chunk) {
    return chunk.ckid == kFourCCRiff || chunk.ckid == kFourCCList;
}

std::int64_t ParentEnd(const MMCKINFO& parent) {
    return static_cast<std::int64_t>(parent.dwDataOffset) + parent.cksize;
}

// Copies `count` bytes from the source's position to the destination's through `block`.
// A source that ends early ends the copy; false only when the destination fails.
bool CopyBytes(RiffFile& source, RiffFile& dest, std::int64_t count, ZeroedArray<char>& block) {
    const auto blockBytes = static_cast<std::int64_t>(block.size());
    while (count > 0) {
        auto want = static_cast<std::int32_t>(std::min(count, blockBytes));
        std::int32_t got = source.Read(block.data(), want);
        if (got <= 0) break;
        if (dest.Write(block.data(), got) != got) return false;
        count -= got;
    }
    return true;
}

// Copies a chunk as it stands (same id, same body) from the source, which is positioned at
// its body, and leaves both chunks. `limit` bounds what is read of its body.
bool CopyChunk(RiffFile& source, RiffFile& dest, MMCKINFO& chunk, std::int64_t limit,
               ZeroedArray<char>& block) {
    MMCKINFO out;
    CopyChunkRecord(out, chunk);
    if (dest.CreateChunk(out, 0) != 0) return false;
    std::int64_t count = BodyEnd(chunk, limit) - source.Tell();
    if (!CopyBytes(source, dest, count, block)) return false;
    source.Ascend(chunk);
    return dest.Ascend(out) == 0;
}

// A LIST chunk is rebuilt from its sub-chunks, walked within the LIST's own extent.
bool CopyList(RiffFile& source, RiffFile& dest, MMCKINFO& list, std::int64_t limit,
              ZeroedArray<char>& block) {
    MMCKINFO out;
    CopyChunkRecord(out, list);
    if (dest.CreateChunk(out, kMmioCreateList) != 0) return false;
    const std::int64_t listLimit = BodyEnd(list, limit);
    MMCKINFO sub;
    while (source.Descend(sub, &list, 0) == 0) {
        if (!CopyChunk(source, dest, sub, listLimit, block)) return false;
    }
    source.Ascend(list);
    out.dwFlags |= kMmioDirty;
    return dest.Ascend(out) == 0;
}

} // namespace

MMCKINFO& CopyChunkRecord(MMCKINFO& dest, const MMCKINFO& source) {
    dest.ckid = source.ckid;
    dest.cksize = source.cksize;
    dest.fccType = source.fccType;
    dest.dwFlags = source.dwFlags;
    return dest;
}

std::int32_t CopyWaveRange(const std::string& sourcePath, const std::string& destPath,
                           std::int32_t first, std::int32_t last) {
    if (sourcePath.empty() || destPath.empty() || first < 0) return 0;
    // Creating the destination would empty the source.
    if (IsSameFile(sourcePath, destPath)) return 0;
    // The source is opened first: a missing source must not cost an existing destination.
    RiffFile source = RiffFile::Open(sourcePath, kMmioRead);
    if (!source) return 0;
    RiffFile dest = RiffFile::Open(destPath, kMmioCreate | kMmioWrite);
    if (!dest) return 0;
    const std::int64_t fileEnd = source.Size();
    if (fileEnd < 0) return 0;

    MMCKINFO riff;
    if (source.Descend(riff, nullptr, 0) != 0 || riff.ckid != kFourCCRiff) return 0;
    const std::int64_t riffEnd = std::min(ParentEnd(riff), fileEnd);
    MMCKINFO outRiff;
    CopyChunkRecord(outRiff, riff);
    if (dest.CreateChunk(outRiff, kMmioCreateRiff) != 0) return 0;

    // The chunk after the form type is taken for the format chunk, whatever its id.
    MMCKINFO format;
    if (source.Descend(format, &riff, 0) != 0 || format.cksize < kFormatBytes ||
        HasFormType(format))
        return 0;
    char formatBody[kFormatBytes];
    if (source.Read(formatBody, kFormatBytes) != kFormatBytes) return 0;
    MMCKINFO outFormat;
    CopyChunkRecord(outFormat, format);
    if (dest.CreateChunk(outFormat, 0) != 0) return 0;
    if (dest.Write(formatBody, kFormatBytes) != kFormatBytes) return 0;
    source.Ascend(format);
    if (dest.Ascend(outFormat) != 0) return 0;

    // And the next one for the data chunk. The range is cut to the data the chunk really
    // holds, so that bytes after it (a DISP chunk beyond the RIFF end) never pass as samples.
    MMCKINFO data;
    if (source.Descend(data, &riff, 0) != 0 || HasFormType(data)) return 0;
    const std::int64_t dataBegin = source.Tell();
    const std::int64_t dataEnd = std::max(BodyEnd(data, riffEnd), dataBegin);
    const std::int64_t from = dataBegin + 2 * static_cast<std::int64_t>(first);
    std::int64_t count = last >= 0 ? 2 * (static_cast<std::int64_t>(last) - first) : dataEnd - from;
    count = std::clamp<std::int64_t>(count, 0, std::max<std::int64_t>(dataEnd - from, 0));
    MMCKINFO outData;
    CopyChunkRecord(outData, data);
    if (dest.CreateChunk(outData, 0) != 0) return 0;

    // One block of 20000 bytes, or of the byte count when that is smaller (at least one
    // byte, which the chunks after the data chunk may still need).
    ZeroedArray<char> block(
        static_cast<std::size_t>(std::clamp<std::int64_t>(count, 1, kCopyBlockBytes)));
    if (count > 0 && source.Seek(from, SEEK_SET) < 0) return 0;
    if (!CopyBytes(source, dest, count, block)) return 0;
    source.Ascend(data);
    outData.dwFlags |= kMmioDirty;
    if (dest.Ascend(outData) != 0) return 0;
    const auto samples = static_cast<std::int32_t>(outData.cksize / 2);

    // The chunks after the data chunk: LIST chunks sub-chunk by sub-chunk, others as they
    // stand.
    MMCKINFO next;
    while (source.Descend(next, &riff, 0) == 0) {
        bool copied = next.ckid == kFourCCList ? CopyList(source, dest, next, riffEnd, block)
                                               : CopyChunk(source, dest, next, riffEnd, block);
        if (!copied) return 0;
    }

    outRiff.dwFlags |= kMmioDirty;
    if (dest.Ascend(outRiff) != 0) return 0;
    source.Close();
    // Everything written must have reached the disk for the copy to count.
    if (!dest.Close()) return 0;
    return samples;
}

std::int16_t ReadDispText(const std::string& path, std::string& text) {
    text.clear();
    RiffFile file = RiffFile::Open(path, kMmioRead);
    if (!file) return 0;
    MMCKINFO riff;
    if (file.Descend(riff, nullptr, 0) != 0) return 0;
    MMCKINFO disp;
    disp.ckid = kFourCCDisp;
    if (file.Descend(disp, &riff, kMmioFindChunk) != 0) return 0;
    // The display type is passed over: a chunk of any type is read as text. A chunk too
    // short to hold it has no text.
    if (disp.cksize < 4) return 0;
    char type[4];
    std::int32_t got = file.Read(type, 4);
    if (got < 0) return -1;
    if (got < 4) return 0;
    char buffer[kMaxText + 1] = {};
    auto want = static_cast<std::int32_t>(std::min<std::uint32_t>(disp.cksize - 4, kMaxText));
    got = file.Read(buffer, want);
    if (got < 0) return -1;
    const char* begin = buffer;
    const char* end = buffer + got;
    text.assign(begin, std::find(begin, end, '\0'));
    return static_cast<std::int16_t>(got);
}

std::int16_t AppendDispChunk(const std::string& path, std::string_view text) {
    text = text.substr(0, text.find('\0'));
    if (text.size() > kMaxText) return 0;
    RiffFile file = RiffFile::Open(path, kMmioReadWrite);
    if (!file) return 0;
    MMCKINFO riff;
    if (file.Descend(riff, nullptr, 0) != 0 || riff.ckid != kFourCCRiff) return 0;
    const std::int64_t end = file.Seek(0, SEEK_END);
    if (end < 0) return 0;
    // Chunks start on even offsets: a file whose last chunk lacks its pad byte gets it now.
    if (end % 2 != 0) {
        const char pad = 0;
        if (file.Write(&pad, 1) != 1) return 0;
    }

    MMCKINFO disp;
    disp.ckid = kFourCCDisp;
    if (file.CreateChunk(disp, 0) != 0) return 0;
    // The text, its terminating zero, and one more zero when that makes the count even.
    auto count = static_cast<std::int16_t>((text.size() + 2) & ~std::size_t{1});
    char body[4 + kMaxText + 2] = {};
    for (int i = 0; i < 4; ++i) body[i] = static_cast<char>((kDisplayTypeText >> (8 * i)) & 0xFF);
    std::memcpy(body + 4, text.data(), text.size());
    if (file.Write(body, 4 + count) != 4 + count) return 0;
    if (file.Ascend(disp) != 0) return 0;
    if (!file.Close()) return 0;
    return count;
}

} // namespace chpimport
