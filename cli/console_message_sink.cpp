#include "cli/console_message_sink.hpp"

#include <ostream>

namespace chpimport::cli {

int ConsoleMessageSink::ShowMessage(const std::string& text, const std::string& caption,
                                    unsigned style) {
    err_ << caption << ": " << text << "\n";
    err_.flush();
    return (style & 0xF) == kMbYesNo ? yesNoAnswer_ : kIdOk;
}

} // namespace chpimport::cli
