#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/message_sink.hpp"
#include "chp/chip_table.hpp"
#include "chp/import_result.hpp"
#include "chp/import_session.hpp"

namespace chpimport {

class FolderSyncs;
class SampleRateConverter;
class WorkingFiles;

// Sees each message's whole converted sound just before it is cut to the message's length
// in the chip, so that the part the cut removes can be measured (for a report) without
// converting again. It reads the file and must leave it as it is.
class ConvertedSoundObserver {
public:
    virtual ~ConvertedSoundObserver() = default;
    // `kept`: the final file takes samples 0 to kept - 1; negative: all of them.
    virtual void OnConverted(std::int16_t n, const std::string& convertedPath,
                             std::int32_t kept) = 0;
};

// What one message import works with besides its arguments.
struct ImportEnvironment {
    ImportSession& session;                     // ZuvanCompatible, ChipName, DebugLog, DurationMs
    SampleRateConverter& converter;             // the process's one converter
    MessageSink& messages;                      // reports of the VOC decoder
    std::string workDir;                        // the process's private working folder
    MessageResult message = {};                 // set by ImportMessage: what became of the message
    ConvertedSoundObserver* observer = nullptr; // optional
    FolderSyncs* folderSyncs = nullptr; // where the WAV file's folder waits; null: synced at once
    // Where a message prepared ahead keeps its debug log lines until its turn; null: written.
    std::vector<std::string>* heldLog = nullptr;
    // Called once the new WAV file is complete under its staging name and the working files
    // are gone, before the wait that makes it durable: the next message can start meanwhile.
    std::function<void()> staged = {};
};

// A message decoded and converted, not yet cut into its WAV file: the first part of
// ImportMessage. It reads the session (ChipName, ZuvanCompatible, Outputs) and changes
// nothing of it, so that the next message can be prepared while this one's files are made
// durable.
struct PreparedMessage {
    PreparedMessage();
    ~PreparedMessage();
    PreparedMessage(PreparedMessage&&) noexcept;
    PreparedMessage& operator=(PreparedMessage&&) noexcept;

    std::int16_t number = 0;
    bool converted = false;              // FinishMessage cuts it; else result tells the failure
    MessageResult result;                // what became of it so far
    std::optional<std::string> chipName; // the session's ChipName from this message on
    ChipInfo chip;
    std::uint16_t address = 0;
    std::uint16_t rowCount = 0;
    bool compatible = false; // converted to 11025 Hz
    std::string vocPath;
    std::string finalPath;
    std::unique_ptr<WorkingFiles> work; // the converted sound, until the cut
};

// The warning for a VOC file whose sound was recorded at `rate` Hz (its decoded rate; 0 for
// none): the converter takes every input for 22222 Hz, so sound recorded at another rate
// comes out at another speed and pitch. "" when there is nothing to warn of.
std::string RateWarning(const std::string& vocPath, std::uint32_t rate);

// Imports message n of the CHP project at `projectPath`: reads its directory entry, decodes
// its VOC file (in the project's directory) into the working folder, writes the message's
// debug log line, converts it to 11111 Hz (11025 Hz when ZuvanCompatible), looks up the chip
// (the session's ChipName takes the trailer's chip name), and cuts the converted message to
// its length in the chip into the final WAV file: beside the VOC file, or in the session's
// output folder.
//
// Returns the message's chip address and sets `wavePath`, `length` (in address units) and
// session.DurationMs; returns -1 and leaves them as they were when the message fails. A
// message fails when its entry can't be read, its VOC name isn't a plain file name, a path
// is longer than 255 characters, its VOC file doesn't decode or holds no sound, its address
// or row count is 32768 or more, or the conversion or the cut fails. The final WAV file is
// replaced only by a complete one. env.message tells all of it, with the reason of a failure
// and what the user should know of a message that decoded (a VOC file recorded at another
// rate than the conversion assumes, for one) among its warnings.
std::int16_t ImportMessage(ImportEnvironment& env, const std::string& projectPath, std::int16_t n,
                           std::string& wavePath, std::int16_t& length);

// ImportMessage in two parts: PrepareMessage up to the conversion, then, once the caller has
// given the session the prepared ChipName, FinishMessage's cut into the WAV file.
PreparedMessage PrepareMessage(ImportEnvironment& env, const std::string& projectPath,
                               std::int16_t n);
std::int16_t FinishMessage(ImportEnvironment& env, PreparedMessage& prepared, std::string& wavePath,
                           std::int16_t& length);

} // namespace chpimport
