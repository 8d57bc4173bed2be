#pragma once
// Builds the tool's input files byte by byte, so that tests never depend on committed
// binaries and every field can be set to a wrong value on purpose.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/file.hpp"

namespace fixtures {

using Bytes = std::vector<std::uint8_t>;

void PutLe16(Bytes& out, std::uint16_t value);
void PutLe32(Bytes& out, std::uint32_t value);
void PutText(Bytes& out, std::string_view text); // the bytes of the text, no terminator
// A fixed-size field: the text, then NUL bytes up to `size` (the text is cut at `size`).
void PutField(Bytes& out, std::string_view text, std::size_t size);

void WriteFile(const std::filesystem::path& path, const Bytes& bytes);
Bytes ReadFile(const std::filesystem::path& path);
std::string ReadText(const std::filesystem::path& path);

// A fresh directory under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string File(std::string_view name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Makes `path` the current directory for the length of a scope.
class ScopedCurrentDir {
public:
    explicit ScopedCurrentDir(const std::filesystem::path& path);
    ~ScopedCurrentDir();
    ScopedCurrentDir(const ScopedCurrentDir&) = delete;
    ScopedCurrentDir& operator=(const ScopedCurrentDir&) = delete;

private:
    std::filesystem::path previous_;
};

struct ChpEntry {
    std::uint16_t number;
    std::uint16_t address;
    std::string vocName; // written into a 12-byte field
};

// A CHP project file: 144-byte header, then 16-byte directory entries.
struct ChpBuilder {
    std::string bannerPrefix; // bytes before the banner within its 58-byte block
    std::string banner = "Information Storage Devices, Inc. CHP FILE FORMAT Ver 1.0";
    std::string copyright = "Copyright (C) 1996";
    std::string projectName = "DEMO";
    std::string chipType = "ISD2560";
    std::uint8_t chipCode = 5;
    std::uint16_t messageCount = 0;
    std::vector<ChpEntry> entries;

    // Adds entry n = entries.size() + 1 and counts it in messageCount.
    ChpBuilder& Message(std::uint16_t address, std::string vocName);
    Bytes Build() const;
};

// A Creative Voice file: 26-byte header, blocks, terminator and 100-byte trailer.
struct VocBuilder {
    std::string signature = "Creative Voice File";
    std::uint8_t eofMark = 0x1A;
    std::uint16_t headerSize = 26;
    std::uint16_t version = 0x010A;
    bool autoChecksum = true;
    std::uint16_t checksum = 0; // used when autoChecksum is false
    Bytes blocks;               // everything after the 26-byte header, terminator excluded
    bool terminator = true;
    std::size_t trailerSize = 100;
    std::uint8_t chipCode = 5;
    std::uint16_t rowCount = 0;

    // Sound block of type 1; `length` defaults to samples + 2.
    VocBuilder& Sound(std::uint8_t timeConstant, const Bytes& samples, std::uint8_t pack = 0);
    VocBuilder& SoundWithLength(std::uint32_t length, std::uint8_t timeConstant, const Bytes& body,
                                std::uint8_t pack = 0);
    // Type 2, more samples of the sound block before it.
    VocBuilder& Continues(const Bytes& samples) { return Block(2, samples); }
    // Type 3: `samples` samples of silence (stored as samples - 1, so 1 to 65536).
    VocBuilder& Silence(std::uint32_t samples, std::uint8_t timeConstant);
    // Type 8: 16-bit time constant, pack byte and mode (0 mono, 1 stereo).
    VocBuilder& Extended(std::uint16_t timeConstant, std::uint8_t pack, std::uint8_t mode);
    // Type 9: rate, bits, channels, codec (0 8-bit, 4 16-bit, 6 A-law, 7 mu-law), samples.
    VocBuilder& NewSound(std::uint32_t rate, std::uint8_t bits, std::uint8_t channels,
                         std::uint16_t codec, const Bytes& samples);
    // Any other block: type byte, 3-byte length, body.
    VocBuilder& Block(std::uint8_t type, const Bytes& body);
    VocBuilder& Raw(const Bytes& bytes);

    static std::uint16_t ChecksumFor(std::uint16_t version) {
        return static_cast<std::uint16_t>(0x1234 - version - 1);
    }
    Bytes Build() const;
};

// A RIFF WAVE file with a free hand over every header field.
struct WavBuilder {
    std::string riffId = "RIFF";
    std::string waveId = "WAVE";
    std::string fmtId = "fmt ";
    std::uint32_t fmtSize = 16;
    std::uint16_t formatTag = 1;
    std::uint16_t channels = 1;
    std::uint32_t sampleRate = 22222;
    std::uint16_t blockAlign = 2;
    std::uint16_t bitsPerSample = 16;
    std::string dataId = "data";
    bool autoDataSize = true;
    std::uint32_t dataSize = 0;
    bool autoRiffSize = true;
    std::uint32_t riffSize = 0;
    Bytes data;
    Bytes afterData;  // chunks that follow the data chunk inside the RIFF chunk
    Bytes beyondRiff; // bytes after the end the RIFF header declares

    WavBuilder& Samples16(const std::vector<std::int16_t>& samples);
    Bytes Build() const;
};

// A chunk: id, 32-bit size, body, and a pad byte after an odd body.
Bytes Chunk(std::string_view id, const Bytes& body);

// While it lives, the `nth` operation of kind `op` in the file layer (counting from 1)
// fails, and with `sticky` every later one of that kind as well; a full or broken disk.
class FailIo {
public:
    FailIo(chpimport::IoOp op, int nth, bool sticky = true);
    ~FailIo();
    FailIo(const FailIo&) = delete;
    FailIo& operator=(const FailIo&) = delete;
    // Operations of the kind seen so far, the failed ones included.
    int seen() const { return seen_; }

private:
    static bool Hook(chpimport::IoOp op, void* context);
    chpimport::IoOp op_;
    int nth_;
    bool sticky_;
    int seen_ = 0;
};

// While it lives, operations of kind `op` (Read or Write) move `bytes` bytes in all: the one
// that reaches the limit moves what is left and comes up short, every later one moves
// nothing; a disk that fills up, or a file that breaks, in mid-operation.
class LimitIo {
public:
    LimitIo(chpimport::IoOp op, std::uint64_t bytes);
    ~LimitIo();
    LimitIo(const LimitIo&) = delete;
    LimitIo& operator=(const LimitIo&) = delete;

private:
    static std::size_t Hook(chpimport::IoOp op, std::size_t count, void* context);
    chpimport::IoOp op_;
    std::uint64_t left_;
};

} // namespace fixtures
