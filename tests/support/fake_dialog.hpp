#pragma once
#include <map>
#include <string>

#include "app/dialog_items.hpp"

namespace fixtures {

// Records what the code under test writes into the dialog's items.
class RecordingItems : public chpimport::DialogItems {
public:
    void SetItemText(int id, const std::string& text) override { items[id] = text; }
    void SetItemNumber(int id, unsigned value) override { items[id] = std::to_string(value); }
    std::map<int, std::string> items;
};

} // namespace fixtures
