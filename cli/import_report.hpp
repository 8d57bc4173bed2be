#pragma once
#include <map>
#include <string>

#include "app/session_record.hpp"
#include "cli/cli.hpp"
#include "report/cut_recorder.hpp"

namespace chpimport::cli {

// `import --report`: gathers each message's outcome while the import runs and writes the
// project's page when it ends, however it ends.
class ImportReport {
public:
    // The cut's observer, for the import.
    ConvertedSoundObserver& Observer() { return cuts_; }

    // Message n's outcome, as the console showed it.
    void Record(int n, bool imported, const std::string& address, const std::string& wavPath,
                std::int32_t durationMs, const std::string& failure, const std::string& warning);

    // Writes the page beside the project file and says where; false when it can't.
    bool Write(const ImportSession& session, bool aborted, Streams io) const;

private:
    struct Outcome {
        bool imported = false;
        int address = -1;
        std::string wavPath;
        std::int32_t durationMs = -1;
        std::string failure;
        std::string warning;
    };
    report::CutRecorder cuts_;
    std::map<int, Outcome> outcomes_;
};

} // namespace chpimport::cli
