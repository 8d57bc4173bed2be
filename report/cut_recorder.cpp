#include "report/cut_recorder.hpp"

#include "report/wave_scan.hpp"

namespace chpimport::report {

void CutRecorder::OnConverted(std::int16_t n, const std::string& convertedPath, std::int32_t kept) {
    if (std::optional<RemovedSound> removed = ScanRemoved(convertedPath, kept))
        removed_[n] = *removed;
    else
        removed_.erase(n);
}

std::optional<RemovedSound> CutRecorder::Removed(int n) const {
    auto found = removed_.find(n);
    if (found == removed_.end()) return std::nullopt;
    return found->second;
}

} // namespace chpimport::report
