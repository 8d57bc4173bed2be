#include "app/import_dialog.hpp"

#include <cstdint>

#include "base/limits.hpp"
#include "chp/chp_file.hpp"
#include "chp/message_import.hpp"
#include "chp/message_length.hpp"
#include "project/project_files.hpp"
#include "res/resource_ids.h"

namespace chpimport {
namespace {

constexpr const char* kInvalidProject = "Invalid CHP file";
constexpr const char* kNoTableFile = "Can't create the table file";
constexpr const char* kProjectFileError = "Can't write the project file";
constexpr const char* kTableFileError = "Can't write the table file";
constexpr const char* kCompletionCaption = "Zuvan Project File Created:";
constexpr const char* kAbortQuestion = "Not Finished Importing! Abort ?";
constexpr const char* kAbortCaption = "User Input Required";
constexpr const char* kHelpFile = "tolvanex.hlp";
constexpr unsigned kHelpContext = 1;
constexpr unsigned kStatusMs = 2000;
constexpr unsigned kStepMs = 100;
constexpr std::size_t kPickerErrorBuffer = 128;

} // namespace

std::optional<std::string> ConvertPickerFilter(const std::string& filter) {
    if (filter.empty()) return std::nullopt;
    std::string converted = filter.substr(0, kMaxPickerFilter);
    const char separator = converted.back();
    for (char& c : converted)
        if (c == separator) c = '\0';
    converted += '\0';
    return converted;
}

ImportDialog::ImportDialog(DialogOps& ops, SampleRateConverter& converter, MessageSink& messages,
                           std::string workDir)
    : ops_(ops), converter_(converter), messages_(messages), workDir_(std::move(workDir)) {}

void ImportDialog::ShowStatus(int item, const std::string& text, int timer, unsigned milliseconds) {
    ops_.StopTimer(timer);
    ops_.SetItemText(item, text);
    ops_.StartTimer(timer, milliseconds);
}

void ImportDialog::InvalidProject() {
    ShowStatus(IDC_STATUS, kInvalidProject, ID_STATUS_TIMER, kStatusMs);
    ops_.SetItemText(IDC_PATH, " ");
    ops_.SetItemText(IDC_PROJECT, " ");
    ops_.SetItemText(IDC_CHIPTYPE, " ");
}

void ImportDialog::OnInitDialog() {
    ops_.SetChecked(IDC_ZUVAN, false);
    session_.ZuvanCompatible = 0;
}

void ImportDialog::OnTimer(int id) {
    if (id == ID_STATUS_TIMER) {
        ops_.SetItemText(IDC_STATUS, " ");
        ops_.StopTimer(ID_STATUS_TIMER);
    } else if (id == ID_STEP_TIMER) {
        ops_.StopTimer(ID_STEP_TIMER);
        if (session_.MessageNumber <= session_.MessageCount) ops_.PostCommand(IDC_STEP_COMMAND);
    }
}

bool ImportDialog::PickOpenFile(const std::string& filter, const std::string& defaultExtension,
                                const std::string& initialName, std::string& chosen) {
    std::optional<std::string> converted = ConvertPickerFilter(filter);
    if (!converted) return false;
    PickerRequest request;
    request.filter = std::move(*converted);
    request.defaultExtension = defaultExtension;
    request.initialName = initialName;
    request.hasOwner = ops_.IsWindow();

    PickerResult result = ops_.ShowOpenFilePicker(request);
    if (result.kind == PickerResult::Kind::Chosen) {
        chosen = result.path;
        return true;
    }
    if (result.kind == PickerResult::Kind::Failed &&
        result.extendedError == kPickerBufferTooSmall) {
        ops_.ShowError(ops_.LoadString(IDS_BUFFERSMALL, kPickerErrorBuffer),
                       ops_.LoadString(IDS_ERROR, kPickerErrorBuffer));
    }
    return false;
}

void ImportDialog::OnBrowse() {
    if (session_.Importing) return;
    std::string path;
    if (!PickOpenFile("chp Files(*.CHP)|*.chp|", "chp", "", path)) return;
    ShowProject(path);
}

void ImportDialog::OnOpenProject(const std::string& path) {
    if (session_.Importing) return;
    // Import reads at most 255 characters back from the path field: a longer path is no
    // project it could import, and cut short it would name another file.
    if (path.size() > kMaxText) {
        InvalidProject();
        return;
    }
    ShowProject(path);
}

void ImportDialog::ShowProject(const std::string& path) {
    if (!ReadChpHeader(ops_, session_, path)) {
        InvalidProject();
        return;
    }
    ops_.SetItemText(IDC_PATH, path);
}

void ImportDialog::OnImport() {
    if (session_.Importing) return;
    session_.ZuvanCompatible = ops_.IsChecked(IDC_ZUVAN) ? 1 : 0;
    session_.ProjectPath = ops_.GetItemText(IDC_PATH);
    if (CheckChpFile(session_.ProjectPath) == 0 ||
        !ReadChpHeader(ops_, session_, session_.ProjectPath)) {
        InvalidProject();
        return;
    }
    // A table file still open from the previous import is finished before it is replaced,
    // so that it can never be written out later over the new one.
    if (session_.TableFile) CloseTableFile(session_.TableFile);
    StartResult();
    session_.TableFile = OpenTableFile(session_.ProjectPath, session_.ChipName, session_.Outputs);
    if (!session_.TableFile) {
        result_.status = ProjectStatus::OutputsFailed;
        result_.failure = kNoTableFile;
        ShowStatus(IDC_STATUS, kNoTableFile, ID_STATUS_TIMER, kStatusMs);
        return;
    }
    session_.Importing = 1;
    ops_.ShowWaitCursor();
    // Without its summary keys the project file can't list the messages either: nothing is
    // imported into a project file that can't be written.
    if (!WriteProjectSettings(session_, session_.ProjectPath)) {
        result_.status = ProjectStatus::OutputsFailed;
        result_.failure = kProjectFileError;
        session_.Importing = 0;
        ops_.ShowArrowCursor();
        CloseTableFile(session_.TableFile);
        ShowStatus(IDC_STATUS, kProjectFileError, ID_STATUS_TIMER, kStatusMs);
        return;
    }
    session_.MessageNumber = 1;
    session_.DebugLog = OpenDebugLog(session_.Outputs);
    result_.projectFilePath = session_.ProjectFilePath;
    if (session_.DebugLog) result_.debugLogPath = session_.Outputs.debugLog;
    // Nothing to step through: the project is complete at once.
    if (session_.MessageCount <= 0) {
        Complete();
        return;
    }
    ops_.StartTimer(ID_STEP_TIMER, kStepMs);
}

void ImportDialog::OnStep() {
    // The step command only comes from the step timer while importing; anything else
    // would write into files that are closed.
    if (!session_.Importing) return;
    ops_.SetItemNumber(IDC_FILENUMBER, static_cast<std::uint16_t>(session_.MessageNumber));
    ops_.Repaint();

    std::string wavePath;
    std::int16_t length = 0;
    ImportEnvironment env{session_, converter_, messages_, workDir_};
    env.observer = observer_;
    std::int16_t address =
        ImportMessage(env, session_.ProjectPath, session_.MessageNumber, wavePath, length);
    lastFailure_ = env.message.failure;
    std::string writeFailure;
    if (address >= 0) {
        ops_.SetItemNumber(IDC_ADDRESS, static_cast<std::uint16_t>(address));
        ops_.SetItemText(IDC_FILENAME, wavePath);
        ops_.Repaint();
        // A message the project file doesn't list gets no table entry either; both
        // failures are shown, since the message's WAV file is there but not in the project.
        if (!WriteMessageSettings(session_.ProjectFilePath, session_.MessageNumber, wavePath,
                                  address, length)) {
            writeFailure = kProjectFileError;
        } else if (!WriteTableEntry(session_.TableFile.get(), session_.MessageNumber, address,
                                    wavePath, session_.DurationMs)) {
            writeFailure = kTableFileError;
        }
        if (!writeFailure.empty()) ShowStatus(IDC_STATUS, writeFailure, ID_STATUS_TIMER, kStatusMs);
    }
    RecordStep(std::move(env.message), writeFailure);
    // Each step leaves its lines on disk: what was imported before a crash or a kill is
    // still listed.
    if (session_.TableFile && !session_.TableFile->Flush())
        ShowStatus(IDC_STATUS, kTableFileError, ID_STATUS_TIMER, kStatusMs);
    if (session_.DebugLog) session_.DebugLog->Flush();
    // Message 32767 is the last a project can hold: the count can't go past it without
    // wrapping round to negative numbers and starting over.
    bool last =
        session_.MessageNumber >= session_.MessageCount || session_.MessageNumber == INT16_MAX;
    // A directory that ends before this entry holds none of the later ones either: a header
    // that claims more messages than its file lists must not cost a step for each of them.
    if (address < 0 && !last && DirectoryEndsBefore(session_.ProjectPath, session_.MessageNumber)) {
        session_.MessageNumber = session_.MessageCount;
        last = true;
    }
    if (session_.MessageNumber < INT16_MAX) ++session_.MessageNumber;
    ops_.ShowWaitCursor();
    if (last) {
        Complete();
        return;
    }
    ops_.StartTimer(ID_STEP_TIMER, kStepMs);
}

void ImportDialog::StartResult() {
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

void ImportDialog::RecordStep(MessageResult message, const std::string& writeFailure) {
    // The message's WAV file may be written, but the project's files don't list it.
    if (!writeFailure.empty()) {
        message.status = MessageStatus::Failed;
        message.failure = writeFailure;
    }
    result_.messages.push_back(std::move(message));
}

void ImportDialog::Complete() {
    // A finished import's entries reach the disk before it is reported done.
    if (session_.TableFile && !session_.TableFile->Sync())
        ShowStatus(IDC_STATUS, kTableFileError, ID_STATUS_TIMER, kStatusMs);
    result_.status =
        result_.FailedCount() > 0 ? ProjectStatus::SomeFailed : ProjectStatus::Imported;
    ops_.ShowArrowCursor();
    ops_.Inform(session_.ProjectFilePath, kCompletionCaption);
    session_.Importing = 0;
    if (session_.DebugLog) CloseDebugLog(session_.DebugLog);
}

void ImportDialog::OnOk() {
    if (session_.Importing) {
        if (ops_.AskYesNo(kAbortQuestion, kAbortCaption)) {
            result_.status = ProjectStatus::Aborted;
            CloseTableFile(session_.TableFile);
            ops_.EndDialog(1);
        }
        return;
    }
    if (session_.TableFile) CloseTableFile(session_.TableFile);
    ops_.EndDialog(1);
}

void ImportDialog::OnClose() {
    ops_.DestroyDialog();
}

void ImportDialog::OnHelp() {
    ops_.OpenHelp(kHelpFile, kHelpContext);
}

std::intptr_t ImportDlgProc(ImportDialog& dialog, DialogEvent event, unsigned param) {
    switch (event) {
    case DialogEvent::InitDialog:
        dialog.OnInitDialog();
        return 0;
    case DialogEvent::Close:
        dialog.OnClose();
        return 0;
    case DialogEvent::Timer:
        dialog.OnTimer(static_cast<int>(param));
        return 0;
    case DialogEvent::Command:
        // Only a plain click or the posted step command: the whole word equals the id.
        switch (param) {
        case IDC_OK:
            dialog.OnOk();
            break;
        case IDC_BROWSE:
            dialog.OnBrowse();
            break;
        case IDC_IMPORT:
            dialog.OnImport();
            break;
        case IDC_HELPBTN:
            dialog.OnHelp();
            break;
        case IDC_STEP_COMMAND:
            dialog.OnStep();
            break;
        default:
            break;
        }
        return 1;
    case DialogEvent::Other:
        return 0;
    }
    return 0;
}

} // namespace chpimport
