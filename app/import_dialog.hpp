#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "app/dialog_ops.hpp"
#include "base/message_sink.hpp"
#include "chp/import_result.hpp"
#include "chp/import_session.hpp"
#include "project/project_importer.hpp"

namespace chpimport {

// The picker's filter is copied into a 256-character buffer.
inline constexpr std::size_t kMaxPickerFilter = 255;

// The picker's filter as the platform wants it: the filter's last character is its
// separator, and every occurrence becomes a NUL; one more NUL ends the list. Nothing for an
// empty filter. At most 255 characters of the filter are taken.
std::optional<std::string> ConvertPickerFilter(const std::string& filter);

// Events of the import dialog, as the dialog manager delivers them.
enum class DialogEvent { InitDialog, Close, Command, Timer, Other };

// The import dialog's logic: runs every operation of the dialog against DialogOps, and the
// import itself through its ProjectImporter, which owns the session. One per process; the
// front ends keep it in one named object.
class ImportDialog {
public:
    ImportDialog(DialogOps& ops, SampleRateConverter& converter, MessageSink& messages,
                 std::string workDir);

    void OnInitDialog();
    void OnBrowse();
    void OnImport();
    void OnStep();
    void OnTimer(int id);
    void OnOk();
    void OnClose();
    void OnHelp();
    // A project handed to the dialog from outside, not through its picker: a file dropped
    // on it, or the path the program was started with. Shown as a pick in the picker
    // would be; nothing is imported until Import!.
    void OnOpenProject(const std::string& path);

    // Shown every message's converted sound before its cut (not owned; null for none).
    void SetConvertedSoundObserver(ConvertedSoundObserver* observer) {
        importer_.SetConvertedSoundObserver(observer);
    }

    ImportSession& Session() { return importer_.Session(); }
    const ImportSession& Session() const { return importer_.Session(); }
    // What the last Import did so far: the project, and each message a step has taken.
    const ProjectResult& Result() const { return importer_.Result(); }
    // Why the message of the last step failed, in a few words; "" when it imported.
    const std::string& LastFailure() const { return importer_.LastFailure(); }

private:
    void ShowStatus(int item, const std::string& text, int timer, unsigned milliseconds);
    void InvalidProject();
    void Complete();
    void ShowProject(const std::string& path);
    bool PickOpenFile(const std::string& filter, const std::string& defaultExtension,
                      const std::string& initialName, std::string& chosen);

    DialogOps& ops_;
    ProjectImporter importer_;
};

// Maps a dialog event to the session's operation and returns the value for the dialog
// manager. `param` is the command word for Command and the timer id for Timer.
std::intptr_t ImportDlgProc(ImportDialog& dialog, DialogEvent event, unsigned param);

} // namespace chpimport
