#pragma once
#include <string>

#include "chp/import_result.hpp"
#include "report/cut_recorder.hpp"

namespace chpimport::report {

// An import's report page: measures what each message's cut removes while the import runs, and
// writes the project's page from its result when it ends, however it ends.
class ImportReport {
public:
    // The cut's observer, for the import.
    ConvertedSoundObserver& Observer() { return cuts_; }

    // Writes the page beside the project file (in the output folder, with one) and sets
    // `page` to its path; false, with `why` set, when it can't.
    bool Write(const ProjectResult& result, std::string& page, std::string& why) const;

private:
    CutRecorder cuts_;
};

} // namespace chpimport::report
