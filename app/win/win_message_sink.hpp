#pragma once
#include "base/message_sink.hpp"

namespace chpimport::win {

// The core's reports as Windows message boxes without an owner, in the style asked for
// (the converter's "ERROR" boxes are system-modal).
class WinMessageSink final : public MessageSink {
public:
    int ShowMessage(const std::string& text, const std::string& caption, unsigned style) override;
};

} // namespace chpimport::win
