#include "project/project_importer.hpp"

#include <cstdint>
#include <exception>
#include <utility>
#include <vector>

#include "audio/resample/resampler.hpp"
#include "chp/chp_file.hpp"
#include "chp/message_length.hpp"
#include "project/project_files.hpp"

namespace chpimport {

namespace {

// Keeps the messages of a message prepared ahead until its turn. They only inform: each is
// answered OK, as the user would.
class HeldMessages final : public MessageSink {
public:
    int ShowMessage(const std::string& text, const std::string& caption, unsigned style) override {
        held_.push_back({text, caption, style});
        return kIdOk;
    }
    void ShowTo(MessageSink& sink) const {
        for (const Held& message : held_)
            sink.ShowMessage(message.text, message.caption, message.style);
    }

private:
    struct Held {
        std::string text;
        std::string caption;
        unsigned style;
    };
    std::vector<Held> held_;
};

} // namespace

struct ProjectImporter::Ahead {
    std::int16_t number = 0;
    PreparedMessage prepared;
    std::vector<std::string> log;
    HeldMessages decoder;                 // the VOC decoder's messages
    HeldMessages converter;               // the converter's
    MessageSink* converterSink = nullptr; // the converter's own, given back after
    std::exception_ptr failure;           // thrown while preparing: thrown again in its turn
};

ProjectImporter::ProjectImporter(SampleRateConverter& converter, MessageSink& messages,
                                 std::string workDir)
    : converter_(converter), messages_(messages), workDir_(std::move(workDir)) {}

ProjectImporter::~ProjectImporter() {
    DropAhead();
}

void ProjectImporter::StartAhead(std::int16_t n) {
    auto ahead = std::make_unique<Ahead>();
    Ahead& a = *ahead;
    a.number = n;
    a.converterSink = &converter_.Messages();
    converter_.SetMessages(a.converter);
    const bool started = aheadThread_.Start([this, &a] {
        try {
            ImportEnvironment env{session_, converter_, a.decoder, workDir_};
            env.heldLog = &a.log;
            a.prepared = PrepareMessage(env, session_.ProjectPath, a.number);
        } catch (...) {
            a.failure = std::current_exception();
        }
    });
    if (!started) {
        converter_.SetMessages(*a.converterSink);
        return; // prepared in its turn instead
    }
    ahead_ = std::move(ahead);
}

bool ProjectImporter::TakeAhead(std::int16_t n, PreparedMessage& prepared) {
    if (!ahead_) return false;
    if (ahead_->number != n) {
        DropAhead();
        return false;
    }
    Ahead& a = *ahead_;
    aheadThread_.Wait();
    converter_.SetMessages(*a.converterSink);
    for (const std::string& line : a.log)
        if (session_.DebugLog) session_.DebugLog->Write(line);
    a.decoder.ShowTo(messages_);
    a.converter.ShowTo(*a.converterSink);
    prepared = std::move(a.prepared);
    const std::exception_ptr failure = a.failure;
    ahead_.reset();
    if (failure) std::rethrow_exception(failure);
    ++takenAhead_;
    return true;
}

void ProjectImporter::DropAhead() {
    if (!ahead_) return;
    aheadThread_.Wait();
    converter_.SetMessages(*ahead_->converterSink);
    ahead_.reset();
}

void ProjectImporter::StartResult() {
    result_ = ProjectResult{};
    result_.projectPath = session_.ProjectPath;
    result_.projectName = session_.ProjectName;
    result_.chipName = session_.ChipName;
    result_.rate = OutputRate(session_.ZuvanCompatible != 0);
    result_.status = ProjectStatus::Importing;
    result_.outputFolder = session_.Outputs.folder;
    result_.tableFilePath = OutputPath(session_.Outputs, session_.ProjectPath, ".tbl").value_or("");
    result_.messageCount = session_.MessageCount;
}

ProjectImporter::StartStatus ProjectImporter::OutputsFailed(StartStatus status,
                                                            const char* failure) {
    result_.status = ProjectStatus::OutputsFailed;
    result_.failure = failure;
    return status;
}

ProjectImporter::StartStatus ProjectImporter::Start(const std::string& chpPath, bool zuvan,
                                                    const OutputPlacement& outputs) {
    if (Importing()) return StartStatus::Invalid;
    DropAhead();
    session_.ZuvanCompatible = zuvan ? 1 : 0;
    session_.ProjectPath = chpPath;
    session_.Outputs = outputs;
    if (!LoadChpHeader(session_, session_.ProjectPath)) return StartStatus::Invalid;
    // A table file still open from the previous import is finished before it is replaced,
    // so that it can never be written out later over the new one.
    if (session_.TableFile) CloseTableFile(session_.TableFile);
    StartResult();
    session_.TableFile =
        OpenTableFile(session_.ProjectPath, session_.ChipName, session_.Outputs, &folderSyncs_);
    if (!session_.TableFile) return OutputsFailed(StartStatus::NoTableFile, kNoTableFile);
    // Without its summary keys the project file can't list the messages either: nothing is
    // imported into a project file that can't be written.
    if (!WriteProjectSettings(session_, session_.ProjectPath, &folderSyncs_)) {
        CloseTableFile(session_.TableFile);
        return OutputsFailed(StartStatus::ProjectFileFailed, kProjectFileError);
    }
    session_.Importing = 1;
    session_.MessageNumber = 1;
    session_.DebugLog = OpenDebugLog(session_.Outputs);
    result_.projectFilePath = session_.ProjectFilePath;
    if (session_.DebugLog) result_.debugLogPath = session_.Outputs.debugLog;
    return StartStatus::Started;
}

ProjectImporter::Step ProjectImporter::ImportNext() {
    Step step;
    step.number = session_.MessageNumber;
    // Only while importing: anything else would write into files that are closed.
    if (!Importing()) {
        step.last = true;
        return step;
    }
    std::int16_t length = 0;
    ImportEnvironment env{session_, converter_, messages_, workDir_};
    env.observer = observer_;
    env.folderSyncs = &folderSyncs_;
    const std::int16_t n = session_.MessageNumber;
    PreparedMessage prepared;
    if (!TakeAhead(n, prepared)) prepared = PrepareMessage(env, session_.ProjectPath, n);
    if (prepared.chipName) session_.ChipName = *prepared.chipName;
    // Only a step that has a next one prepares it: the last, and a step after which the
    // count wraps, have none.
    if (prepareAhead_ && n < session_.MessageCount && n < INT16_MAX)
        env.staged = [this, n] { StartAhead(static_cast<std::int16_t>(n + 1)); };
    step.address = FinishMessage(env, prepared, step.wavePath, length);
    lastFailure_ = env.message.failure;
    if (step.address >= 0) {
        // A message the project file doesn't list gets no table entry either; the message's
        // WAV file is there, but not in the project.
        if (!WriteMessageSettings(session_.ProjectFilePath, session_.MessageNumber, step.wavePath,
                                  step.address, length, &folderSyncs_)) {
            step.writeFailure = kProjectFileError;
        } else if (!WriteTableEntry(session_.TableFile.get(), session_.MessageNumber, step.address,
                                    step.wavePath, session_.DurationMs)) {
            step.writeFailure = kTableFileError;
        }
    }
    if (!step.writeFailure.empty()) {
        env.message.status = MessageStatus::Failed;
        env.message.failure = step.writeFailure;
    }
    result_.messages.push_back(std::move(env.message));
    // Each step leaves its lines on disk: what was imported before a crash or a kill is
    // still listed.
    step.tableFlushFailed = session_.TableFile && !session_.TableFile->Flush();
    if (session_.DebugLog) session_.DebugLog->Flush();
    // Message 32767 is the last a project can hold: the count can't go past it without
    // wrapping round to negative numbers and starting over.
    step.last =
        session_.MessageNumber >= session_.MessageCount || session_.MessageNumber == INT16_MAX;
    // A directory that ends before this entry holds none of the later ones either: a header
    // that claims more messages than its file lists must not cost a step for each of them.
    if (step.address < 0 && !step.last &&
        DirectoryEndsBefore(session_.ProjectPath, session_.MessageNumber)) {
        session_.MessageNumber = session_.MessageCount;
        step.last = true;
    }
    if (session_.MessageNumber < INT16_MAX) ++session_.MessageNumber;
    return step;
}

const char* ProjectImporter::Finish() {
    DropAhead();
    // A finished import's files, names and entries reach the disk before it is reported done.
    const bool named = folderSyncs_.SyncAll();
    const bool synced = !session_.TableFile || session_.TableFile->Sync();
    result_.status =
        result_.FailedCount() > 0 ? ProjectStatus::SomeFailed : ProjectStatus::Imported;
    session_.Importing = 0;
    if (session_.DebugLog) CloseDebugLog(session_.DebugLog);
    if (!named) return kProjectFileError;
    return synced ? nullptr : kTableFileError;
}

void ProjectImporter::Abort() {
    DropAhead();
    result_.status = ProjectStatus::Aborted;
    folderSyncs_.SyncAll();
    CloseTableFile(session_.TableFile);
}

void ProjectImporter::Close() {
    DropAhead();
    folderSyncs_.SyncAll();
    if (session_.TableFile) CloseTableFile(session_.TableFile);
}

} // namespace chpimport
