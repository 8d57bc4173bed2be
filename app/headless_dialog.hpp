#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <string>

#include "app/dialog_ops.hpp"
#include "app/import_dialog.hpp"

namespace chpimport {

// The dialog without a window system: items are strings, timers run on a virtual clock,
// and posted commands wait in a queue, delivered the way a dialog's message loop would
// (posted commands before timer ticks, ticks in order of their due time). The command
// line and the tests drive the real ImportDialog through it; message boxes, help and the
// picker are left to them.
class HeadlessDialog : public DialogOps {
public:
    void Attach(ImportDialog& dialog) { dialog_ = &dialog; }

    void SetItemText(int id, const std::string& text) override { items_[id] = text; }
    void SetItemNumber(int id, unsigned value) override { items_[id] = std::to_string(value); }
    std::string GetItemText(int id) override;
    bool IsChecked(int id) override { return checked_[id]; }
    void SetChecked(int id, bool checked) override { checked_[id] = checked; }
    void StartTimer(int id, unsigned milliseconds) override;
    void StopTimer(int id) override { timers_.erase(id); }
    void PostCommand(int id) override { posted_.push_back(id); }
    void Repaint() override {}
    void ShowWaitCursor() override { waitCursor_ = true; }
    void ShowArrowCursor() override { waitCursor_ = false; }
    void EndDialog(int result) override;
    void DestroyDialog() override;
    std::string LoadString(int id, std::size_t capacity) override;
    bool IsWindow() override { return false; }

    // Delivers the next event: a posted command if one waits, else the earliest timer
    // tick, moving the clock to it. False when nothing is pending or the dialog has ended.
    bool DeliverNext();
    // Sends a command as a button click would.
    void Click(int id);

    const std::string& Item(int id) { return items_[id]; }
    std::uint64_t Now() const { return now_; }
    bool TimerRunning(int id) const { return timers_.count(id) != 0; }
    bool WaitCursor() const { return waitCursor_; }
    bool Ended() const { return ended_; }
    bool Destroyed() const { return destroyed_; }
    int Result() const { return result_; }
    std::size_t PendingCommands() const { return posted_.size(); }

private:
    struct Timer {
        unsigned period;
        std::uint64_t due;
        std::uint64_t order; // ties go to the timer started first
    };

    ImportDialog* dialog_ = nullptr;
    std::map<int, std::string> items_;
    std::map<int, bool> checked_;
    std::map<int, Timer> timers_;
    std::deque<int> posted_;
    std::uint64_t now_ = 0;
    std::uint64_t started_ = 0;
    bool waitCursor_ = false;
    bool ended_ = false;
    bool destroyed_ = false;
    int result_ = 0;
};

} // namespace chpimport
