#include "report/earlier_import.hpp"

#include <algorithm>
#include <map>

#include "audio/resample/resampler.hpp"
#include "audio/voc_decoder.hpp"
#include "base/file.hpp"
#include "base/native_path.hpp"
#include "base/path.hpp"
#include "chp/chip_table.hpp"
#include "chp/import_session.hpp"
#include "chp/message_import.hpp"
#include "chp/message_length.hpp"
#include "chp/voc_name.hpp"
#include "project/profile_reader.hpp"
#include "project/project_files.hpp"
#include "report/wave_reader.hpp"
#include "report/wave_scan.hpp"

namespace chpimport::report {
namespace {

constexpr std::int32_t kZuvanRate = 11025;

// The import's output rate, from the first WAV file the project file lists that can be
// read: 11025 Hz when it was made Zuvan compatible, else 11111 Hz.
std::int32_t ImportRate(const std::map<std::string, std::string>& keys, int count,
                        const std::string& folder) {
    for (int n = 1; n <= count; ++n) {
        auto value = keys.find("file" + std::to_string(n));
        auto entry = value != keys.end() ? ParseFileEntryValue(value->second) : std::nullopt;
        if (!entry) continue;
        std::string why;
        std::string path = entry->wavePath;
        if (!IsRegularFile(path))
            path = folder + path.substr(path.find_last_of("\\/:") + 1); // npos + 1 is 0
        if (auto reader = WaveReader::Open(path, why))
            return reader->Rate() == kZuvanRate ? kZuvanRate : OutputRate(false);
    }
    return OutputRate(false);
}

// The message's sound again, from its VOC file: its duration, and what the cut removed.
// Fills `failure` when the file doesn't decode. The chip name carries on from message to
// message as in the import.
void Measure(MessageFacts& m, const std::string& folder, const std::string& workDir,
             std::string& chipName, std::int32_t rate, SampleRateConverter& converter) {
    if (!IsSafeVocName(m.vocName)) {
        m.failure = "the VOC name \"" + m.vocName + "\" is not a plain file name";
        return;
    }
    std::string vocPath = folder + m.vocName;
    if (std::optional<std::string> onDisk = FindFileIgnoringCase(folder, m.vocName))
        vocPath = folder + *onDisk;
    const std::string decoded = JoinPath(workDir, "tmp.wav");
    const std::string converted = JoinPath(workDir, "tmp1.wav");
    RemoveFile(decoded);
    RemoveFile(converted);
    VocTrailer trailer{};
    SilentMessageSink silent;
    std::string reason;
    VocDecodeNotes notes;
    if (VocToWave(vocPath, decoded, trailer, silent, &reason, &notes) == 0) {
        m.failure = vocPath + ": " + reason;
        return;
    }
    if (std::string warning = RateWarning(vocPath, notes.rate); !warning.empty())
        m.warnings.push_back(std::move(warning));
    const ChipInfo chip = GetChipInfo(trailer.ChipCode(), chipName);
    chipName = chip.Name;
    if (trailer.RowCount() > 0x7FFF) {
        m.failure =
            vocPath + ": the row count " + std::to_string(trailer.RowCount()) + " is over 32767";
        return;
    }
    const MessageLength size =
        ComputeMessageLength(static_cast<std::int16_t>(trailer.RowCount()), chip, rate);
    m.durationMs = size.DurationMs;
    if (IsRegularFile(decoded) &&
        converter.ResampleWave(decoded, converted, rate == kZuvanRate) > 0)
        m.removed = ScanRemoved(converted, KeptSamples(size.SampleCount));
    RemoveFile(decoded);
    RemoveFile(converted);
}

} // namespace

int ListedMessages(const std::string& chpPath, const ChpHeader& header) {
    File file = File::Open(chpPath, OpenMode::Read);
    const std::int64_t entries = file ? (file.Size() - kChpHeaderSize) / kChpDirEntrySize : 0;
    return static_cast<int>(std::clamp<std::int64_t>(entries, 0, header.MessageCount));
}

std::string ShortDirectoryNote(const ChpHeader& header, int listed) {
    if (listed >= header.MessageCount) return "";
    return "The project's header announces " + std::to_string(header.MessageCount) +
           " messages; its directory ends after " + std::to_string(listed) + ".";
}

std::optional<ImportFacts> ReadEarlierImport(const std::string& chpPath, const ChpHeader& header,
                                             const std::string& workDir, std::string& why,
                                             const std::string& outputFolder) {
    ImportFacts facts;
    ProjectFacts& project = facts.project;
    project.name = header.ProjectName;
    project.chpPath = chpPath;
    const OutputPlacement placement{outputFolder};
    project.zpfPath = OutputPath(placement, chpPath, ".zpf").value_or("");
    project.tblPath = OutputPath(placement, chpPath, ".tbl").value_or("");
    project.messageCount = header.MessageCount;
    const std::optional<std::string> zpf = ReadProfileFile(project.zpfPath);
    if (!zpf) {
        why = "there is no project file " + project.zpfPath + " to read: import the project first";
        return std::nullopt;
    }
    const PathParts parts = SplitPath(chpPath);
    const std::string folder = parts.drive + parts.directory;
    const PathParts outputs = SplitPath(project.zpfPath);
    const int listed = ListedMessages(chpPath, header);
    const std::map<std::string, std::string> keys = ReadProfileSection(*zpf, kProjectSection);
    // WAV files moved with their project file are looked for beside it.
    project.rate = ImportRate(keys, listed, outputs.drive + outputs.directory);
    std::string chipName = GetChipInfo(header.ChipCode, header.ChipType).Name;

    SilentMessageSink silent;
    SampleRateConverter converter(silent, [] { return -1; });
    for (int n = 1; n <= listed; ++n) {
        MessageFacts m;
        m.number = n;
        ChpDirEntry entry;
        if (ReadChpDirEntry(chpPath, static_cast<std::int16_t>(n), entry) != DirEntryStatus::Ok) {
            m.failure = "directory entry " + std::to_string(n) + " can't be read";
            facts.messages.push_back(std::move(m));
            continue;
        }
        m.vocName = entry.VocName;
        m.address = entry.Address;
        auto value = keys.find("file" + std::to_string(n));
        if (auto listedFile =
                value != keys.end() ? ParseFileEntryValue(value->second) : std::nullopt) {
            m.imported = true;
            m.wavPath = listedFile->wavePath;
            m.address = listedFile->address;
            m.length = listedFile->end - listedFile->address;
        }
        Measure(m, folder, workDir, chipName, project.rate, converter);
        if (m.imported) {
            m.failure.clear();
        } else if (m.failure.empty()) {
            m.failure = "not listed in the project file";
        }
        facts.messages.push_back(std::move(m));
    }
    // The chip the project file names, as the import chose it from the header.
    auto selected = keys.find("chip_selected");
    project.chip = selected != keys.end() ? selected->second
                                          : GetChipInfo(header.ChipCode, header.ChipType).Name;
    project.note = ShortDirectoryNote(header, listed);
    return facts;
}

} // namespace chpimport::report
