#include "chp/import_result.hpp"

#include <algorithm>

namespace chpimport {

int ProjectResult::ImportedCount() const {
    return static_cast<int>(std::count_if(messages.begin(), messages.end(), [](const auto& m) {
        return m.status == MessageStatus::Imported;
    }));
}

int ProjectResult::FailedCount() const {
    return std::max(messageCount, 0) - ImportedCount();
}

const char* StatusName(ProjectStatus status) {
    switch (status) {
    case ProjectStatus::NotStarted:
        return "not_imported";
    case ProjectStatus::Invalid:
        return "invalid";
    case ProjectStatus::OutputsFailed:
        return "outputs_failed";
    case ProjectStatus::Importing:
        return "importing";
    case ProjectStatus::Imported:
        return "imported";
    case ProjectStatus::SomeFailed:
        return "some_failed";
    case ProjectStatus::Aborted:
        return "aborted";
    }
    return "";
}

const char* StatusName(MessageStatus status) {
    return status == MessageStatus::Imported ? "imported" : "failed";
}

} // namespace chpimport
