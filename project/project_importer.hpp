#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "base/file.hpp"
#include "base/helper_thread.hpp"
#include "base/message_sink.hpp"
#include "chp/import_result.hpp"
#include "chp/import_session.hpp"
#include "chp/message_import.hpp"

namespace chpimport {

class SampleRateConverter;

// Texts of an import that failed or whose outputs could not all be written, as the dialog
// shows them in its status line and the command line prints them.
inline constexpr const char* kInvalidProject = "Invalid CHP file";
inline constexpr const char* kNoTableFile = "Can't create the table file";
inline constexpr const char* kProjectFileError = "Can't write the project file";
inline constexpr const char* kTableFileError = "Can't write the table file";
inline constexpr const char* kCompletionCaption = "Zuvan Project File Created:";

// One project's import, step by step, for every front end: the dialog runs a step per tick
// of its timer, the command line one after the other. It owns the session record. The
// table file stays open from one import to the next until Close() (the dialog's OK): a
// new Start() finishes it first.
class ProjectImporter {
public:
    enum class StartStatus {
        Started,           // the outputs are open: call ImportNext() until Done()
        Invalid,           // not a project that can be read; nothing written
        NoTableFile,       // the table file can't be created
        ProjectFileFailed, // the project file's summary keys can't be written
    };

    // What a step did, besides its message's result.
    struct Step {
        std::int16_t number = 0;   // the message the step took
        std::int16_t address = -1; // its chip address; -1 when it failed
        std::string wavePath;      // its WAV file, when imported
        std::string writeFailure;  // kProjectFileError or kTableFileError: imported, not listed
        bool tableFlushFailed = false;
        bool last = false; // the import is complete: call Finish()
    };

    ProjectImporter(SampleRateConverter& converter, MessageSink& messages, std::string workDir);
    ~ProjectImporter();
    ProjectImporter(const ProjectImporter&) = delete;
    ProjectImporter& operator=(const ProjectImporter&) = delete;

    // With `on`, each step decodes and converts the next message on a thread of its own while
    // it waits for its own files to reach the disk, so that the waits cost (almost) nothing.
    // Every step still reports only what it completed, and the next step takes what was
    // prepared: the same files, lines and messages as one message after the other. What was
    // prepared for a step that never comes (an abort) is dropped unseen. Off by default.
    void PrepareAhead(bool on) { prepareAhead_ = on; }
    // How many steps took a message prepared ahead.
    std::int32_t TakenAhead() const { return takenAhead_; }

    // Validates the CHP file, reads its header into the session, then creates the table file
    // with its banner, writes the project file's summary keys and opens the debug log.
    StartStatus Start(const std::string& chpPath, bool zuvan, const OutputPlacement& outputs);
    // Imports the session's next message.
    Step ImportNext();
    // The import is complete: its files' names and its table entries are synced, its status
    // set, the debug log closed. The table file stays open until Close(). Null, or the text
    // of what could not be synced (kProjectFileError, kTableFileError).
    const char* Finish();
    // Stopped by the user after the message in progress: the table file gets its closing line.
    void Abort();
    // The table file, if open, gets its closing line and is closed.
    void Close();

    bool Importing() const { return session_.Importing != 0; }
    ImportSession& Session() { return session_; }
    const ImportSession& Session() const { return session_; }
    const ProjectResult& Result() const { return result_; }
    // Why the message of the last step failed, in a few words; "" when it imported.
    const std::string& LastFailure() const { return lastFailure_; }
    // Shown every message's converted sound before its cut (not owned; null for none).
    void SetConvertedSoundObserver(ConvertedSoundObserver* observer) { observer_ = observer; }

private:
    struct Ahead;
    void StartResult();
    // Starts preparing message n on the importer's second thread; nothing when no thread can
    // be had.
    void StartAhead(std::int16_t n);
    // What was prepared for message n, its held lines and messages given out as if made now;
    // false when nothing was (or for another message, which is then dropped).
    bool TakeAhead(std::int16_t n, PreparedMessage& prepared);
    void DropAhead();

    StartStatus OutputsFailed(StartStatus status, const char* failure);

    SampleRateConverter& converter_;
    MessageSink& messages_;
    std::string workDir_;
    ImportSession session_;
    ProjectResult result_;
    std::string lastFailure_;
    ConvertedSoundObserver* observer_ = nullptr;
    // The folders of the files renamed so far, synced when the import ends.
    FolderSyncs folderSyncs_;
    bool prepareAhead_ = false;
    std::int32_t takenAhead_ = 0;
    std::unique_ptr<Ahead> ahead_; // the next message, being prepared
    HelperThread aheadThread_;     // where it is prepared
};

} // namespace chpimport
