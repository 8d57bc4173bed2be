#pragma once
#include <string>

namespace chpimport {

// The part of the dialog that readers of a project fill in: set an item's text, or its
// number shown as an unsigned decimal.
class DialogItems {
public:
    virtual ~DialogItems() = default;
    virtual void SetItemText(int id, const std::string& text) = 0;
    virtual void SetItemNumber(int id, unsigned value) = 0;
};

} // namespace chpimport
