#include "project/project_files.hpp"

namespace chpimport {

std::unique_ptr<TextFile> OpenDebugLog(const OutputPlacement& placement) {
    return TextFile::Create(placement.debugLog);
}

void CloseDebugLog(std::unique_ptr<TextFile>& debugLog) {
    if (!debugLog) return;
    debugLog->Close();
    debugLog.reset();
}

} // namespace chpimport
