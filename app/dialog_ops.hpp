#pragma once
#include <cstddef>
#include <string>

#include "app/dialog_items.hpp"

namespace chpimport {

// What the import session asks of the open-file picker.
struct PickerRequest {
    // Converted filter: description and pattern pairs, each ended by a NUL, and an empty
    // string (one more NUL) after the last pair.
    std::string filter;
    std::string defaultExtension;
    std::string initialName;   // copied into the picker's buffer before it is shown
    bool hasOwner = true;      // the dialog owns the picker when it is a window
    unsigned bufferSize = 255; // characters the picker may return, terminator included
};

struct PickerResult {
    enum class Kind { Chosen, Cancelled, Failed } kind = Kind::Cancelled;
    std::string path;                // when Chosen
    unsigned long extendedError = 0; // when Failed: the picker's extended error code
};

inline constexpr unsigned long kPickerBufferTooSmall = 12291; // FNERR_BUFFERTOOSMALL

// The dialog operations the import session uses, and nothing else of the platform. On
// Windows each is one user-interface call; tests and the command line provide their own.
class DialogOps : public DialogItems {
public:
    virtual std::string GetItemText(int id) = 0; // at most 255 characters
    virtual bool IsChecked(int id) = 0;
    virtual void SetChecked(int id, bool checked) = 0;
    // Periodic ticks with the given id; starting a running id restarts its period.
    virtual void StartTimer(int id, unsigned milliseconds) = 0;
    virtual void StopTimer(int id) = 0; // harmless when the timer isn't running
    // Queued; handled after the current handler returns.
    virtual void PostCommand(int id) = 0;
    virtual void Repaint() = 0;
    virtual void ShowWaitCursor() = 0;
    virtual void ShowArrowCursor() = 0;
    virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
    virtual void Inform(const std::string& text, const std::string& caption) = 0;
    virtual void EndDialog(int result) = 0;
    virtual void DestroyDialog() = 0;
    virtual void OpenHelp(const std::string& helpFile, unsigned context) = 0;
    virtual PickerResult ShowOpenFilePicker(const PickerRequest& request) = 0;
    // Shows an error box with a stop icon (used for the picker's failures).
    virtual void ShowError(const std::string& text, const std::string& caption) = 0;
    // A string-table text, at most capacity - 1 characters.
    virtual std::string LoadString(int id, std::size_t capacity) = 0;
    virtual bool IsWindow() = 0; // whether the dialog is a real window (an owner)
};

} // namespace chpimport
