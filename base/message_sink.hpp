#pragma once
#include <string>

namespace chpimport {

// Message-box styles and answers, with the values of the Windows message box so that the
// Windows front end passes them through unchanged.
enum MessageStyle : unsigned {
    kMbOk = 0x0000,
    kMbYesNo = 0x0004,
    kMbIconStop = 0x0010,
    kMbIconExclamation = 0x0030,
    kMbSystemModal = 0x1000,
};
enum MessageAnswer : int { kIdOk = 1, kIdYes = 6, kIdNo = 7 };

// The one way the core reports to the user: a message box with a text, a caption and a
// style. The dialog shows it as a box, the command line prints it; the core itself never
// calls the window system or writes to the console.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual int ShowMessage(const std::string& text, const std::string& caption,
                            unsigned style) = 0;
};

// Drops every message; for callers that report failures their own way.
class SilentMessageSink final : public MessageSink {
public:
    int ShowMessage(const std::string&, const std::string&, unsigned) override { return kIdOk; }
};

} // namespace chpimport
