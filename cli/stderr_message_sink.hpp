#pragma once
#include <ostream>
#include <string>

#include "base/message_sink.hpp"

namespace chpimport::cli {

// Shows the core's message boxes on the command line's error stream as "CAPTION: text",
// answering as the box's first button would.
class StderrMessageSink final : public MessageSink {
public:
    explicit StderrMessageSink(std::ostream& err) : err_(err) {}
    int ShowMessage(const std::string& text, const std::string& caption, unsigned style) override {
        err_ << caption << ": " << text << "\n";
        ++count_;
        return (style & kMbYesNo) != 0 ? kIdYes : kIdOk;
    }
    int Count() const { return count_; }

private:
    std::ostream& err_;
    int count_ = 0;
};

} // namespace chpimport::cli
