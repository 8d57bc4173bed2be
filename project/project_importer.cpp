#include "project/project_importer.hpp"

#include <cstdint>

#include "chp/chp_file.hpp"
#include "chp/message_length.hpp"
#include "project/project_files.hpp"

namespace chpimport {

ProjectImporter::ProjectImporter(SampleRateConverter& converter, MessageSink& messages,
                                 std::string workDir)
    : converter_(converter), messages_(messages), workDir_(std::move(workDir)) {}

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
    step.address =
        ImportMessage(env, session_.ProjectPath, session_.MessageNumber, step.wavePath, length);
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
    result_.status = ProjectStatus::Aborted;
    folderSyncs_.SyncAll();
    CloseTableFile(session_.TableFile);
}

void ProjectImporter::Close() {
    folderSyncs_.SyncAll();
    if (session_.TableFile) CloseTableFile(session_.TableFile);
}

} // namespace chpimport
