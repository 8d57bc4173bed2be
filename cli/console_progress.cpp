#include "cli/console_progress.hpp"

#include <cstdint>
#include <ostream>

#include "base/path.hpp"

namespace chpimport::cli {

void ConsoleProgress::Begin(int number) {
    Finish();
    current_ = number;
    succeeded_ = false;
    if (live_) Draw("importing...");
}

void ConsoleProgress::Stepped(const ProjectImporter::Step& step) {
    if (step.address >= 0) {
        // The address as the dialog's item shows it.
        address_ = std::to_string(static_cast<std::uint16_t>(step.address));
        wavePath_ = step.wavePath;
        succeeded_ = current_ > 0;
        if (!step.writeFailure.empty()) Status(step.writeFailure);
    }
    if (step.tableFlushFailed) Status(kTableFileError);
}

void ConsoleProgress::Status(const std::string& text) {
    // The message's WAV file may be written, but the project's files don't list it.
    if (current_ <= 0) return;
    succeeded_ = false;
    if (live_) io_.out << "\n";
    io_.err << "chpimport: message " << current_ << ": " << text << "\n";
}

void ConsoleProgress::Completed(const std::string& caption, const std::string& projectFile) {
    Finish();
    if (live_) io_.out << "\n";
    io_.out << caption << " " << projectFile << "\n";
}

void ConsoleProgress::Finish() {
    if (current_ <= 0) return;
    if (succeeded_) imported_.insert(current_);
    ShowWarnings();
    const std::string& why = importer_.LastFailure();
    if (!succeeded_ && !why.empty()) {
        if (live_) io_.out << "\n";
        io_.err << "chpimport: message " << current_ << ": " << why << "\n";
    }
    if (live_) {
        Draw(succeeded_ ? "" : "FAILED");
    } else if (succeeded_) {
        io_.out << "message " << current_ << "/" << total_ << ": address " << address_ << ", "
                << wavePath_ << "\n";
    } else {
        io_.out << "message " << current_ << "/" << total_ << ": FAILED\n";
    }
    io_.out.flush();
    current_ = 0;
}

void ConsoleProgress::ShowWarnings() {
    if (importer_.Result().messages.empty()) return;
    const MessageResult& last = importer_.Result().messages.back();
    if (last.number != current_) return;
    for (const std::string& warning : last.warnings) {
        if (live_) io_.out << "\n";
        io_.err << "chpimport: message " << current_ << ": " << warning << "\n";
    }
}

std::string ConsoleProgress::Failed(int count) const {
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

void ConsoleProgress::Draw(const std::string& note) {
    constexpr int kWidth = 30;
    int done = total_ > 0 ? current_ * kWidth / total_ : kWidth;
    std::string bar(static_cast<std::size_t>(done), '#');
    bar.resize(kWidth, '.');
    std::string file = note;
    if (succeeded_) {
        const PathParts parts = SplitPath(wavePath_);
        file = parts.baseName + parts.extension;
    }
    io_.out << "\r[" << bar << "] " << current_ << "/" << total_ << "  " << file << "\x1b[K";
    io_.out.flush();
}

} // namespace chpimport::cli
