#include "app/read_chp_header.hpp"

#include <cstdint>

#include "chp/chp_file.hpp"
#include "res/resource_ids.h"

namespace chpimport {

int ReadChpHeader(DialogItems& dialog, ImportSession& session, const std::string& path) {
    if (!LoadChpHeader(session, path)) return 0;
    ShowChpHeader(dialog, session);
    return 1;
}

void ShowChpHeader(DialogItems& dialog, const ImportSession& session) {
    dialog.SetItemText(IDC_PROJECT, session.ProjectName);
    dialog.SetItemText(IDC_CHIPTYPE, session.ChipName);
    dialog.SetItemNumber(IDC_MSGCOUNT, static_cast<std::uint16_t>(session.MessageCount));
}

} // namespace chpimport
