#pragma once
#include <string>

#include "app/dialog_items.hpp"
#include "chp/import_session.hpp"

namespace chpimport {

// Validates the header; on success shows the project name, chip name and message count in
// items 105, 106 and 110, sets the session's ProjectName, ChipName and MessageCount and
// returns 1. On failure returns 0 and changes nothing.
int ReadChpHeader(DialogItems& dialog, ImportSession& session, const std::string& path);

// Shows the session's project name, chip name and message count in items 105, 106 and 110.
void ShowChpHeader(DialogItems& dialog, const ImportSession& session);

} // namespace chpimport
