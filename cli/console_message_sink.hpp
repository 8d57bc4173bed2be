#pragma once
#include <iosfwd>
#include <string>

#include "base/message_sink.hpp"

namespace chpimport::cli {

// Shows the core's message boxes on the command line as one line each, "caption: text",
// on the given stream (standard error). A yes-or-no question can't be asked there; it gets
// the answer fixed at construction.
class ConsoleMessageSink final : public MessageSink {
public:
    explicit ConsoleMessageSink(std::ostream& err, int yesNoAnswer = kIdNo)
        : err_(err), yesNoAnswer_(yesNoAnswer) {}

    int ShowMessage(const std::string& text, const std::string& caption, unsigned style) override;

private:
    std::ostream& err_;
    int yesNoAnswer_;
};

} // namespace chpimport::cli
