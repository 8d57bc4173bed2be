#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <ostream>
#include <set>
#include <string>

#include "app/headless_dialog.hpp"
#include "app/import_dialog.hpp"
#include "audio/resampler.hpp"
#include "base/native_path.hpp"
#include "base/path.hpp"
#include "base/work_dir.hpp"
#include "chp/chp_file.hpp"
#include "cli/cli.hpp"
#include "cli/console_key.hpp"
#include "cli/console_message_sink.hpp"
#include "cli/terminal.hpp"
#include "res/resource_ids.h"

namespace chpimport::cli {
namespace {

std::atomic<bool> gInterrupted{false};

extern "C" void OnInterrupt(int) {
    gInterrupted = true;
}

// The import dialog on a console: what the dialog would show becomes progress on stdout,
// the completion box one line, and the abort question is answered by Ctrl+C.
class ConsoleDialog final : public HeadlessDialog {
public:
    ConsoleDialog(Streams io, bool live) : io_(io), live_(live) {}

    void SetItemNumber(int id, unsigned value) override {
        HeadlessDialog::SetItemNumber(id, value);
        if (id == IDC_FILENUMBER) {
            Finish();
            current_ = static_cast<int>(value);
            succeeded_ = false;
            if (live_) Draw("importing...");
        }
    }
    void SetItemText(int id, const std::string& text) override {
        HeadlessDialog::SetItemText(id, text);
        if (id == IDC_FILENAME && current_ > 0) succeeded_ = true;
        // A status report during a step: the message's WAV file may be written, but the
        // project's files don't list it.
        if (id == IDC_STATUS && current_ > 0 && text != " ") {
            succeeded_ = false;
            if (live_) io_.out << "\n";
            io_.err << "chpimport: message " << current_ << ": " << text << "\n";
        }
    }
    bool AskYesNo(const std::string&, const std::string&) override { return true; }
    void Inform(const std::string& text, const std::string& caption) override {
        Finish();
        if (live_) io_.out << "\n";
        io_.out << caption << " " << text << "\n";
        completed_ = true;
    }
    void ShowError(const std::string& text, const std::string& caption) override {
        io_.err << caption << ": " << text << "\n";
    }
    void OpenHelp(const std::string&, unsigned) override {}
    PickerResult ShowOpenFilePicker(const PickerRequest&) override { return {}; }

    void SetTotal(int total) { total_ = total; }
    void SetImporter(const ImportDialog& importer) { importer_ = &importer; }
    // Records the message in progress as it stands (at the next step, completion or abort).
    void Finish() {
        if (current_ <= 0) return;
        if (succeeded_) imported_.insert(current_);
        const std::string why = importer_ != nullptr ? importer_->LastFailure() : "";
        const std::string warning = importer_ != nullptr ? importer_->LastWarning() : "";
        if (!warning.empty()) {
            if (live_) io_.out << "\n";
            io_.err << "chpimport: message " << current_ << ": " << warning << "\n";
        }
        if (!succeeded_ && !why.empty()) {
            if (live_) io_.out << "\n";
            io_.err << "chpimport: message " << current_ << ": " << why << "\n";
        }
        if (live_) {
            Draw(succeeded_ ? "" : "FAILED");
        } else if (succeeded_) {
            io_.out << "message " << current_ << "/" << total_ << ": address " << Item(IDC_ADDRESS)
                    << ", " << Item(IDC_FILENAME) << "\n";
        } else {
            io_.out << "message " << current_ << "/" << total_ << ": FAILED\n";
        }
        io_.out.flush();
        current_ = 0;
    }
    bool Completed() const { return completed_; }
    // Every message that did not import, as ranges ("3-7 9"): those whose step failed, and
    // those no step reached (the directory ended before them, or the import was aborted).
    std::string Failed(int count) const {
        std::string ranges;
        int from = 0;
        auto flush = [&](int to) {
            if (from == 0) return;
            // Appended piece by piece: "x" + std::to_string() trips GCC 12's -Wrestrict.
            ranges += ' ';
            ranges += std::to_string(from);
            if (to > from) {
                ranges += '-';
                ranges += std::to_string(to);
            }
            from = 0;
        };
        for (int n = 1; n <= count; ++n) {
            if (imported_.count(n) != 0) {
                flush(n - 1);
            } else if (from == 0) {
                from = n;
            }
        }
        flush(count);
        return ranges;
    }
    int FailedCount(int count) const { return count - static_cast<int>(imported_.size()); }

private:
    void Draw(const std::string& note) {
        constexpr int kWidth = 30;
        int done = total_ > 0 ? current_ * kWidth / total_ : kWidth;
        std::string bar(static_cast<std::size_t>(done), '#');
        bar.resize(kWidth, '.');
        std::string file = note;
        if (succeeded_) {
            const PathParts parts = SplitPath(Item(IDC_FILENAME));
            file = parts.baseName + parts.extension;
        }
        io_.out << "\r[" << bar << "] " << current_ << "/" << total_ << "  " << file << "\x1b[K";
        io_.out.flush();
    }

    Streams io_;
    bool live_;
    const ImportDialog* importer_ = nullptr;
    int total_ = 0;
    int current_ = 0;
    bool succeeded_ = false;
    bool completed_ = false;
    std::set<int> imported_;
};

void PrintImportUsage(std::ostream& os) {
    os << "usage: chpimport import PROJECT.CHP [--zuvan]\n"
          "  --zuvan   11025 Hz output (\"Make it Zuvan Compatible\") instead of 11111 Hz\n";
}

} // namespace

int CmdImport(const Args& args, Streams io) {
    std::string project;
    bool zuvan = false;
    bool referenceConverter = false;
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            PrintImportUsage(io.out);
            return kExitOk;
        } else if (arg == "--zuvan") {
            zuvan = true;
        } else if (arg == kReferenceConverterOption) {
            referenceConverter = true;
        } else if (!arg.empty() && arg[0] == '-') {
            io.err << "chpimport import: unknown option " << arg << "\n";
            PrintImportUsage(io.err);
            return kExitUsage;
        } else if (project.empty()) {
            project = arg;
        } else {
            PrintImportUsage(io.err);
            return kExitUsage;
        }
    }
    if (project.empty()) {
        PrintImportUsage(io.err);
        return kExitUsage;
    }
    // The file picker hands the dialog a full path; so does the command line.
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(ToFsPath(project), ec);
    if (!ec) project = FromFsPath(absolute).value_or(project);

    std::optional<WorkDir> work = WorkDir::Create();
    if (!work) {
        io.err << "chpimport: cannot create a working folder in the temporary directory\n";
        return kExitFailed;
    }
    ConsoleMessageSink messages(io.err);
    SampleRateConverter converter(messages, ReadConsoleKey);
    if (referenceConverter) converter.SetEngine(converter.Reference());
    const LiveTerminal terminal(io.out);
    ConsoleDialog ops(io, terminal.Live());
    ImportDialog dialog(ops, converter, messages, work->Path());
    ops.Attach(dialog);
    ops.SetImporter(dialog);

    ImportDlgProc(dialog, DialogEvent::InitDialog, 0);
    ops.SetChecked(IDC_ZUVAN, zuvan);
    ops.SetItemText(IDC_PATH, project);
    ops.Click(IDC_IMPORT);
    if (!dialog.Session().Importing && !ops.Completed()) {
        ChpHeader header;
        std::string why;
        ChpStatus status = ParseChpHeader(project, header, &why);
        io.err << ops.Item(IDC_STATUS);
        // A valid project whose outputs can't be written: say where they go.
        if (status == ChpStatus::Ok) io.err << " beside " << project;
        io.err << "\n";
        if (status != ChpStatus::Ok) {
            io.err << project << ": " << ChpStatusText(status)
                   << (why.empty() ? "" : " (" + why + ")") << "\n";
            return kExitUsage;
        }
        return kExitFailed;
    }
    ops.SetTotal(dialog.Session().MessageCount);

    gInterrupted = false;
    auto previous = std::signal(SIGINT, OnInterrupt);
    bool aborted = false;
    while (!ops.Ended()) {
        if (gInterrupted && dialog.Session().Importing) {
            ops.Finish();
            aborted = true;
            ops.Click(IDC_OK); // the abort question, answered yes
            break;
        }
        if (!dialog.Session().Importing) {
            ops.Click(IDC_OK); // as the dialog's OK: the table file gets its closing line
            break;
        }
        if (!ops.DeliverNext()) break;
    }
    std::signal(SIGINT, previous);

    if (aborted) {
        io.err << "\nchpimport: import aborted; the table file is closed with what was written\n";
        return kExitFailed;
    }
    const int count = dialog.Session().MessageCount;
    if (ops.FailedCount(count) > 0) {
        io.err << "chpimport: " << ops.FailedCount(count) << " of " << count
               << " messages failed to import:" << ops.Failed(count) << " (see debug.bid)\n";
        return kExitFailed;
    }
    return kExitOk;
}

} // namespace chpimport::cli
