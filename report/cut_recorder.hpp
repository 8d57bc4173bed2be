#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "chp/message_import.hpp"
#include "report/report_facts.hpp"

namespace chpimport::report {

// Measures, while an import runs, the sound that the cut to each message's chip length
// removes: it reads only the removed part of the converted file the import already has.
class CutRecorder final : public ConvertedSoundObserver {
public:
    void OnConverted(std::int16_t n, const std::string& convertedPath, std::int32_t kept) override;
    // What the cut removed from message n; nullopt when it removed nothing.
    std::optional<RemovedSound> Removed(int n) const;

private:
    std::map<int, RemovedSound> removed_;
};

} // namespace chpimport::report
