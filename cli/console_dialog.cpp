#include "cli/console_dialog.hpp"

#include <ostream>

#include "base/path.hpp"
#include "res/resource_ids.h"

namespace chpimport::cli {

void ConsoleDialog::SetItemNumber(int id, unsigned value) {
    HeadlessDialog::SetItemNumber(id, value);
    if (id == IDC_FILENUMBER) {
        Finish();
        current_ = static_cast<int>(value);
        succeeded_ = false;
        if (live_) Draw("importing...");
    }
}

void ConsoleDialog::SetItemText(int id, const std::string& text) {
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

void ConsoleDialog::Inform(const std::string& text, const std::string& caption) {
    Finish();
    if (live_) io_.out << "\n";
    io_.out << caption << " " << text << "\n";
    completed_ = true;
}

void ConsoleDialog::ShowError(const std::string& text, const std::string& caption) {
    io_.err << caption << ": " << text << "\n";
}

void ConsoleDialog::Finish() {
    if (current_ <= 0) return;
    if (succeeded_) imported_.insert(current_);
    ShowWarnings();
    const std::string why = importer_ != nullptr ? importer_->LastFailure() : "";
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

void ConsoleDialog::ShowWarnings() {
    if (importer_ == nullptr || importer_->Result().messages.empty()) return;
    const MessageResult& last = importer_->Result().messages.back();
    if (last.number != current_) return;
    for (const std::string& warning : last.warnings) {
        if (live_) io_.out << "\n";
        io_.err << "chpimport: message " << current_ << ": " << warning << "\n";
    }
}

std::string ConsoleDialog::Failed(int count) const {
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

void ConsoleDialog::Draw(const std::string& note) {
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

} // namespace chpimport::cli
