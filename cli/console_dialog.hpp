#pragma once
#include <set>
#include <string>

#include "app/headless_dialog.hpp"
#include "app/import_dialog.hpp"
#include "cli/cli.hpp"

namespace chpimport::cli {

// The import dialog on a console: what the dialog would show becomes progress on `io.out`,
// the completion box one line, and the abort question is answered by Ctrl+C.
class ConsoleDialog final : public HeadlessDialog {
public:
    ConsoleDialog(Streams io, bool live) : io_(io), live_(live) {}

    void SetItemNumber(int id, unsigned value) override;
    void SetItemText(int id, const std::string& text) override;
    bool AskYesNo(const std::string&, const std::string&) override { return true; }
    void Inform(const std::string& text, const std::string& caption) override;
    void ShowError(const std::string& text, const std::string& caption) override;
    void OpenHelp(const std::string&, unsigned) override {}
    PickerResult ShowOpenFilePicker(const PickerRequest&) override { return {}; }

    void SetTotal(int total) { total_ = total; }
    void SetImporter(const ImportDialog& importer) { importer_ = &importer; }
    // Records the message in progress as it stands (at the next step, completion or abort).
    void Finish();
    bool Completed() const { return completed_; }
    // Every message that did not import, as ranges ("3-7 9"): those whose step failed, and
    // those no step reached (the directory ended before them, or the import was aborted).
    std::string Failed(int count) const;
    int FailedCount(int count) const { return count - static_cast<int>(imported_.size()); }

private:
    void Draw(const std::string& note);
    void ShowWarnings();

    Streams io_;
    bool live_;
    const ImportDialog* importer_ = nullptr;
    int total_ = 0;
    int current_ = 0;
    bool succeeded_ = false;
    bool completed_ = false;
    std::set<int> imported_;
};

} // namespace chpimport::cli
