#include "chp/message_import.hpp"

#include <memory>
#include <optional>
#include <string_view>

#include "audio/resample/resampler.hpp"
#include "audio/voc_decoder.hpp"
#include "audio/wav_post.hpp"
#include "base/file.hpp"
#include "base/limits.hpp"
#include "base/native_path.hpp"
#include "base/path.hpp"
#include "base/text_file.hpp"
#include "chp/chip_table.hpp"
#include "chp/chp_file.hpp"
#include "chp/message_length.hpp"
#include "chp/voc_name.hpp"

namespace chpimport {

// The working files of one message, in the private working folder. Any left from an
// earlier message go before the decoder runs, so a VOC file without sound can never pick
// up another message's audio; both go again when the message is done, whatever its outcome.
class WorkingFiles {
public:
    explicit WorkingFiles(const std::string& workDir)
        : decoded_(JoinPath(workDir, "tmp.wav")), converted_(JoinPath(workDir, "tmp1.wav")) {
        Remove();
    }
    ~WorkingFiles() { Remove(); }
    WorkingFiles(const WorkingFiles&) = delete;
    WorkingFiles& operator=(const WorkingFiles&) = delete;

    const std::string& Decoded() const { return decoded_; }
    const std::string& Converted() const { return converted_; }

private:
    void Remove() {
        RemoveFile(decoded_);
        RemoveFile(converted_);
    }

    std::string decoded_;
    std::string converted_;
};

namespace {

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
    return true;
}

// The debug log shows refused names too; their control characters must not break its lines.
std::string Printable(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) c = '?';
    }
    return out;
}

// The message's line in the debug log; held in env.heldLog when there is one.
void WriteDebugLine(ImportEnvironment& env, const std::string& vocPath, std::int16_t n,
                    std::uint16_t address, std::uint8_t rowLow, std::uint8_t rowHigh) {
    TextFile* log = env.session.DebugLog.get();
    if (env.heldLog == nullptr && log == nullptr) return;
    std::optional<std::string> line =
        FormatText("file %s nb [%hd] addr [%04X] rows %02X %02X\n", Printable(vocPath).c_str(), n,
                   static_cast<unsigned>(address), static_cast<unsigned>(rowLow),
                   static_cast<unsigned>(rowHigh));
    if (!line) return;
    if (env.heldLog != nullptr) {
        env.heldLog->push_back(std::move(*line));
    } else {
        log->Write(*line);
    }
}

// The final file is written under this name beside it first, and renamed over it only
// when complete. The name has the same length as the final one, and is never the VOC file.
std::optional<std::string> StagingPath(const std::string& wavePath, const std::string& vocPath) {
    std::optional<std::string> staging = ChangeExtension(wavePath, ".wa~");
    if (staging && SameIgnoringCase(*staging, vocPath)) staging = ChangeExtension(wavePath, ".w~~");
    return staging;
}

// Cuts the converted message to its first `kept` samples (all of it when `kept` is
// negative) into `wavePath`, replacing an older file only with a complete new one.
bool WriteFinalWave(PreparedMessage& prepared, const std::string& wavePath, std::int32_t kept,
                    ImportEnvironment& env) {
    std::optional<std::string> staging = StagingPath(wavePath, prepared.vocPath);
    if (!staging) return false;
    const std::int32_t copied = CopyWaveRange(prepared.work->Converted(), *staging, 0, kept);
    // A copy of no samples also reports 0: only a sample count of 1 asks for none.
    bool ok = (copied > 0 || kept == 0) && IsRegularFile(*staging);
    if (ok && env.staged) {
        prepared.work.reset(); // done with: the working folder is free for the next message
        env.staged();
    }
    if (ok) ok = ReplaceDurably(*staging, wavePath, env.folderSyncs);
    if (!ok && IsRegularFile(*staging)) RemoveFile(*staging);
    return ok;
}

} // namespace

std::string RateWarning(const std::string& vocPath, std::uint32_t rate) {
    if (rate == 0 || rate == kAssumedInputRate) return "";
    const PathParts parts = SplitPath(vocPath);
    return Printable(parts.baseName + parts.extension) + ": recorded at " + std::to_string(rate) +
           " Hz; the conversion assumes " + std::to_string(kAssumedInputRate) +
           " Hz, so it will play too " + (rate < kAssumedInputRate ? "fast" : "slow");
}

PreparedMessage::PreparedMessage() = default;
PreparedMessage::~PreparedMessage() = default;
PreparedMessage::PreparedMessage(PreparedMessage&&) noexcept = default;
PreparedMessage& PreparedMessage::operator=(PreparedMessage&&) noexcept = default;

PreparedMessage PrepareMessage(ImportEnvironment& env, const std::string& projectPath,
                               std::int16_t n) {
    const ImportSession& session = env.session;
    PreparedMessage prepared;
    prepared.number = n;
    MessageResult& result = prepared.result;
    result.number = n;
    auto fail = [&](std::string why) -> PreparedMessage {
        result.status = MessageStatus::Failed;
        result.failure = std::move(why);
        prepared.work.reset();
        return std::move(prepared);
    };
    if (projectPath.size() > kMaxText) return fail("the project's path is over 255 characters");
    ChpDirEntry entry;
    switch (ReadChpDirEntry(projectPath, n, entry)) {
    case DirEntryStatus::Ok:
        break;
    case DirEntryStatus::CannotOpen:
        return fail("the project file can't be opened");
    case DirEntryStatus::Missing:
        return fail("the project's directory holds no entry " + std::to_string(n));
    case DirEntryStatus::WrongNumber:
        return fail("directory entry " + std::to_string(n) + " carries another number");
    }

    // From here on every message leaves its line in the debug log.
    const PathParts project = SplitPath(projectPath);
    const std::string folder = project.drive + project.directory;
    std::string& vocPath = prepared.vocPath;
    vocPath = folder + entry.VocName;
    result.vocName = entry.VocName;
    result.address = entry.Address;
    auto refuse = [&](std::string why) -> PreparedMessage {
        WriteDebugLine(env, vocPath, n, entry.Address, 0, 0);
        return fail(std::move(why));
    };
    // The name is used as it stands: a name shorter than 12 characters gets no blanks.
    if (!IsSafeVocName(entry.VocName))
        return refuse("the VOC name \"" + Printable(entry.VocName) + "\" is not a plain file name");
    if (vocPath.size() > kMaxText)
        return refuse(entry.VocName + ": the path is over 255 characters");
    if (std::optional<std::string> onDisk = FindFileIgnoringCase(folder, entry.VocName))
        vocPath = folder + *onDisk;
    result.vocPath = vocPath;
    const std::optional<std::string> finalPath = OutputPath(session.Outputs, vocPath, ".wav");
    // A VOC file named like its WAV file would be overwritten by it.
    if (!finalPath) return refuse(entry.VocName + ": the WAV file's path is over 255 characters");
    if (SameIgnoringCase(*finalPath, vocPath) || IsSameFile(*finalPath, vocPath))
        return refuse(entry.VocName + ": the VOC file is named like its WAV file");
    prepared.finalPath = *finalPath;

    prepared.work = std::make_unique<WorkingFiles>(env.workDir);
    const WorkingFiles& work = *prepared.work;
    VocTrailer trailer{};
    std::string reason;
    VocDecodeNotes notes;
    const bool decoded =
        VocToWave(vocPath, work.Decoded(), trailer, env.messages, &reason, &notes) != 0;
    if (!decoded) return refuse(Printable(vocPath) + ": " + reason);
    if (std::string warning = RateWarning(vocPath, notes.rate); !warning.empty())
        result.warnings.push_back(std::move(warning));
    WriteDebugLine(env, vocPath, n, entry.Address, trailer.bytes[1], trailer.bytes[2]);

    // The trailer's chip code renames the project's chip for this and every later message.
    prepared.chip = GetChipInfo(trailer.ChipCode(), session.ChipName);
    prepared.chipName = prepared.chip.Name;

    prepared.rowCount = trailer.RowCount();
    if (entry.Address > 0x7FFF)
        return fail("the address " + std::to_string(entry.Address) + " is over 32767");
    if (prepared.rowCount > 0x7FFF)
        return fail(Printable(vocPath) + ": the row count " + std::to_string(prepared.rowCount) +
                    " is over 32767");
    // A VOC file without a sound block decodes without writing anything.
    if (!IsRegularFile(work.Decoded())) return fail(Printable(vocPath) + ": no sound block");
    prepared.compatible = session.ZuvanCompatible != 0;
    if (env.converter.ResampleWave(work.Decoded(), work.Converted(), prepared.compatible) == 0)
        return fail(Printable(vocPath) + ": the conversion failed");
    prepared.address = entry.Address;
    prepared.converted = true;
    return prepared;
}

std::int16_t FinishMessage(ImportEnvironment& env, PreparedMessage& prepared, std::string& wavePath,
                           std::int16_t& length) {
    MessageResult& result = env.message;
    result = std::move(prepared.result);
    if (!prepared.converted) return -1;
    auto fail = [&](std::string why) -> std::int16_t {
        result.status = MessageStatus::Failed;
        result.failure = std::move(why);
        prepared.work.reset();
        return -1;
    };
    const MessageLength size = ComputeMessageLength(static_cast<std::int16_t>(prepared.rowCount),
                                                    prepared.chip, OutputRate(prepared.compatible));
    const std::int32_t kept = KeptSamples(size.SampleCount);
    if (env.observer != nullptr)
        env.observer->OnConverted(prepared.number, prepared.work->Converted(), kept);
    if (!WriteFinalWave(prepared, prepared.finalPath, kept, env))
        return fail(Printable(prepared.finalPath) + ": the WAV file could not be written");
    prepared.work.reset();

    env.session.DurationMs = size.DurationMs;
    wavePath = prepared.finalPath;
    length = size.Length;
    result.status = MessageStatus::Imported;
    result.length = size.Length;
    result.durationMs = size.DurationMs;
    result.wavePath = wavePath;
    return static_cast<std::int16_t>(prepared.address);
}

std::int16_t ImportMessage(ImportEnvironment& env, const std::string& projectPath, std::int16_t n,
                           std::string& wavePath, std::int16_t& length) {
    PreparedMessage prepared = PrepareMessage(env, projectPath, n);
    if (prepared.chipName) env.session.ChipName = *prepared.chipName;
    return FinishMessage(env, prepared, wavePath, length);
}

} // namespace chpimport
