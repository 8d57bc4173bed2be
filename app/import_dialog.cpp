#include "app/import_dialog.hpp"

#include <cstdint>

#include "app/read_chp_header.hpp"
#include "base/limits.hpp"
#include "res/resource_ids.h"

namespace chpimport {
namespace {

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
    : ops_(ops), importer_(converter, messages, std::move(workDir)) {}

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
    Session().ZuvanCompatible = 0;
}

void ImportDialog::OnTimer(int id) {
    if (id == ID_STATUS_TIMER) {
        ops_.SetItemText(IDC_STATUS, " ");
        ops_.StopTimer(ID_STATUS_TIMER);
    } else if (id == ID_STEP_TIMER) {
        ops_.StopTimer(ID_STEP_TIMER);
        if (Session().MessageNumber <= Session().MessageCount) ops_.PostCommand(IDC_STEP_COMMAND);
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
    if (importer_.Importing()) return;
    std::string path;
    if (!PickOpenFile("chp Files(*.CHP)|*.chp|", "chp", "", path)) return;
    ShowProject(path);
}

void ImportDialog::OnOpenProject(const std::string& path) {
    if (importer_.Importing()) return;
    // Import reads at most 255 characters back from the path field: a longer path is no
    // project it could import, and cut short it would name another file.
    if (path.size() > kMaxText) {
        InvalidProject();
        return;
    }
    ShowProject(path);
}

void ImportDialog::ShowProject(const std::string& path) {
    if (!ReadChpHeader(ops_, Session(), path)) {
        InvalidProject();
        return;
    }
    ops_.SetItemText(IDC_PATH, path);
}

void ImportDialog::OnImport() {
    if (importer_.Importing()) return;
    const bool zuvan = ops_.IsChecked(IDC_ZUVAN);
    const std::string path = ops_.GetItemText(IDC_PATH);
    const ProjectImporter::StartStatus status = importer_.Start(path, zuvan, Session().Outputs);
    if (status == ProjectImporter::StartStatus::Invalid) {
        InvalidProject();
        return;
    }
    ShowChpHeader(ops_, Session());
    if (status == ProjectImporter::StartStatus::NoTableFile) {
        ShowStatus(IDC_STATUS, kNoTableFile, ID_STATUS_TIMER, kStatusMs);
        return;
    }
    if (status == ProjectImporter::StartStatus::ProjectFileFailed) {
        ShowStatus(IDC_STATUS, kProjectFileError, ID_STATUS_TIMER, kStatusMs);
        return;
    }
    ops_.ShowWaitCursor();
    // Nothing to step through: the project is complete at once.
    if (Session().MessageCount <= 0) {
        Complete();
        return;
    }
    ops_.StartTimer(ID_STEP_TIMER, kStepMs);
}

void ImportDialog::OnStep() {
    // The step command only comes from the step timer while importing; anything else
    // would write into files that are closed.
    if (!importer_.Importing()) return;
    ops_.SetItemNumber(IDC_FILENUMBER, static_cast<std::uint16_t>(Session().MessageNumber));
    ops_.Repaint();
    const ProjectImporter::Step step = importer_.ImportNext();
    if (step.address >= 0) {
        ops_.SetItemNumber(IDC_ADDRESS, static_cast<std::uint16_t>(step.address));
        ops_.SetItemText(IDC_FILENAME, step.wavePath);
        ops_.Repaint();
        // Both failures are shown: the message's WAV file is there, but not in the project.
        if (!step.writeFailure.empty())
            ShowStatus(IDC_STATUS, step.writeFailure, ID_STATUS_TIMER, kStatusMs);
    }
    if (step.tableFlushFailed) ShowStatus(IDC_STATUS, kTableFileError, ID_STATUS_TIMER, kStatusMs);
    ops_.ShowWaitCursor();
    if (step.last) {
        Complete();
        return;
    }
    ops_.StartTimer(ID_STEP_TIMER, kStepMs);
}

void ImportDialog::Complete() {
    if (const char* failure = importer_.Finish())
        ShowStatus(IDC_STATUS, failure, ID_STATUS_TIMER, kStatusMs);
    ops_.ShowArrowCursor();
    ops_.Inform(Session().ProjectFilePath, kCompletionCaption);
}

void ImportDialog::OnOk() {
    if (importer_.Importing()) {
        if (ops_.AskYesNo(kAbortQuestion, kAbortCaption)) {
            importer_.Abort();
            ops_.EndDialog(1);
        }
        return;
    }
    importer_.Close();
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
