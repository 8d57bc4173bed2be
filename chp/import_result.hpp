#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace chpimport {

// What an import did, project by project and message by message: filled while the import
// runs, read by whatever shows it afterwards (the command line's summary and --json).

enum class MessageStatus {
    Imported, // its WAV file is written and the project's files list it
    Failed,   // see failure
};

struct MessageResult {
    int number = 0;
    std::string vocName;                    // as the directory lists it; "" if unread
    std::string vocPath;                    // the VOC file read; "" if the entry was unread
    std::optional<int> address;             // from the directory entry
    std::optional<int> length;              // in address units, once imported
    std::optional<std::int32_t> durationMs; // once imported
    std::string wavePath;                   // once imported
    MessageStatus status = MessageStatus::Failed;
    std::string failure; // why it failed, as the console shows it; "" when imported
    // What the user should know of a message that decoded (a VOC file recorded at another
    // rate than the conversion assumes, for one), a line each, as the console shows them
    // after "chpimport: message N: "; a message that failed later keeps them.
    std::vector<std::string> warnings;
};

enum class ProjectStatus {
    NotStarted,    // the run ended (Ctrl+C) before this project's turn
    Invalid,       // the CHP file can't be read or isn't one; nothing written
    OutputsFailed, // valid, but its project or table file can't be written
    Importing,     // started and not yet ended
    Imported,      // every message imported
    SomeFailed,    // ran to the end; some messages did not import
    Aborted,       // stopped by the user after the message in progress
};

struct ProjectResult {
    std::string projectPath; // the CHP file
    std::string projectName; // from its header
    std::string chipName;    // as the project file's chip_selected
    std::int32_t rate = 0;   // output sample rate: 11111 or 11025
    ProjectStatus status = ProjectStatus::NotStarted;
    std::string failure;      // why the project was not imported, when it wasn't
    std::string outputFolder; // "" when the outputs lie beside the sources
    std::string projectFilePath;
    std::string tableFilePath;
    std::string debugLogPath; // "" when it could not be created
    int messageCount = 0;     // from the header
    // The messages the import reached, in order. Messages it never reached (after an
    // abort, or past the end of a directory shorter than its header claims) are not
    // listed; they count as failed.
    std::vector<MessageResult> messages;
    double seconds = 0; // wall-clock time of the project's import (set by the command line)

    int ImportedCount() const;
    int FailedCount() const; // messageCount - imported, reached or not
};

// Stable lower-case names ("imported", "some_failed"...), for machine-read output.
const char* StatusName(ProjectStatus status);
const char* StatusName(MessageStatus status);

} // namespace chpimport
