#pragma once
#include <string>
#include <vector>

#include "base/message_sink.hpp"

namespace fixtures {

// Records every message box the code under test asks for, and answers with `answer`.
class MessageRecorder : public chpimport::MessageSink {
public:
    struct Message {
        std::string text;
        std::string caption;
        unsigned style;
    };

    int ShowMessage(const std::string& text, const std::string& caption, unsigned style) override {
        messages.push_back({text, caption, style});
        return answer;
    }

    std::vector<Message> messages;
    int answer = chpimport::kIdOk;
};

} // namespace fixtures
