#pragma once
#include <set>
#include <string>

#include "cli/cli.hpp"
#include "project/project_importer.hpp"

namespace chpimport::cli {

// An import's progress on a console: a line per message on `io.out` (or a live bar on a
// terminal), every failure and warning on `io.err`, and the completion line.
class ConsoleProgress {
public:
    ConsoleProgress(Streams io, bool live, const ProjectImporter& importer, int total)
        : io_(io), live_(live), importer_(importer), total_(total) {}

    // Message `number`'s step begins.
    void Begin(int number);
    // The step's outcome: the message's WAV file, and what could not be written.
    void Stepped(const ProjectImporter::Step& step);
    // A status report during the message's step: it is not counted as imported.
    void Status(const std::string& text);
    // Records the message in progress as it stands (at the next step, completion or abort).
    void Finish();
    // The import completed: the message in progress recorded, the project file named.
    void Completed(const std::string& caption, const std::string& projectFile);
    // Every message that did not import, as ranges ("3-7 9"): those whose step failed, and
    // those no step reached (the directory ended before them, or the import was aborted).
    std::string Failed(int count) const;
    int FailedCount(int count) const { return count - static_cast<int>(imported_.size()); }

private:
    void Draw(const std::string& note);
    void ShowWarnings();

    Streams io_;
    bool live_;
    const ProjectImporter& importer_;
    int total_ = 0;
    int current_ = 0;
    bool succeeded_ = false;
    std::string address_;
    std::string wavePath_;
    std::set<int> imported_;
};

} // namespace chpimport::cli
