#pragma once
// Work on finished WAV files: cut a range of samples into a new file, and read or append
// the display text (the "DISP" chunk) that travels with a message.
#include <cstdint>
#include <string>
#include <string_view>

#include "audio/riff_io.hpp"

namespace chpimport {

// Sample data moves through one block of this many bytes per copy.
inline constexpr std::int32_t kCopyBlockBytes = 20000;

// Writes `destPath` (created or truncated) as a RIFF file holding the source's form type, a
// 16-byte format chunk (the first 16 bytes of the source's), the samples of the source's
// data chunk from index `first` up to, not including, index `last` (with `last` negative:
// to the end of the data chunk), and the chunks that follow the data chunk inside the
// source's RIFF chunk. A range never reaches beyond the data chunk. Returns the number of
// 16-bit samples written, 0 on failure (or when none were copied).
std::int32_t CopyWaveRange(const std::string& sourcePath, const std::string& destPath,
                           std::int32_t first, std::int32_t last);

// Reads the display text of the first "DISP" chunk inside the file's RIFF chunk: at most
// 255 bytes after its 4-byte display type. `text` receives those bytes up to the first
// NUL. Returns the count of bytes read (0 to 255); 0 when the file can't be opened or has
// no DISP chunk; -1 when the read fails.
std::int16_t ReadDispText(const std::string& path, std::string& text);

// Appends at the end of the file a "DISP" chunk of display type 1 (text) holding `text` up
// to its first NUL, its terminating zero and a pad zero to make the count even. The RIFF
// size is left as it was, so the chunk lies beyond the RIFF chunk's declared end. Returns
// that even count; 0 when the file can't be opened, is not a RIFF file, the text is longer
// than 255 characters or the chunk can't be written.
std::int16_t AppendDispChunk(const std::string& path, std::string_view text);

// Copies ckid, cksize, fccType and dwFlags; dwDataOffset stays as it was.
MMCKINFO& CopyChunkRecord(MMCKINFO& dest, const MMCKINFO& source);

} // namespace chpimport
