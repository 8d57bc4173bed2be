#include "app/win/win_message_sink.hpp"

#include "app/win/win32.hpp"

namespace chpimport::win {

int WinMessageSink::ShowMessage(const std::string& text, const std::string& caption,
                                unsigned style) {
    return MessageBoxA(nullptr, text.c_str(), caption.c_str(), style);
}

} // namespace chpimport::win
