#include "app/headless_dialog.hpp"

#include "base/limits.hpp"
#include "res/resource_ids.h"

namespace chpimport {

std::string HeadlessDialog::GetItemText(int id) {
    const std::string& text = items_[id];
    return text.size() > kMaxText ? text.substr(0, kMaxText) : text;
}

void HeadlessDialog::StartTimer(int id, unsigned milliseconds) {
    timers_[id] = Timer{milliseconds, now_ + milliseconds, started_++};
}

void HeadlessDialog::EndDialog(int result) {
    ended_ = true;
    result_ = result;
    timers_.clear();
    posted_.clear();
}

void HeadlessDialog::DestroyDialog() {
    ended_ = true;
    destroyed_ = true;
    timers_.clear();
    posted_.clear();
}

std::string HeadlessDialog::LoadString(int id, std::size_t capacity) {
    std::string text;
    switch (id) {
    case IDS_NOLAUNCH:
        text = STR_NOLAUNCH;
        break;
    case IDS_ERROR:
        text = STR_ERROR;
        break;
    case IDS_BUFFERSMALL:
        text = STR_BUFFERSMALL;
        break;
    default:
        break;
    }
    if (capacity == 0) return {};
    return text.substr(0, capacity - 1);
}

bool HeadlessDialog::DeliverNext() {
    if (ended_ || dialog_ == nullptr) return false;
    if (!posted_.empty()) {
        int command = posted_.front();
        posted_.pop_front();
        ImportDlgProc(*dialog_, DialogEvent::Command, static_cast<unsigned>(command));
        return true;
    }
    if (timers_.empty()) return false;
    auto next = timers_.begin();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->second.due < next->second.due ||
            (it->second.due == next->second.due && it->second.order < next->second.order))
            next = it;
    }
    int id = next->first;
    now_ = next->second.due;
    next->second.due += next->second.period;
    ImportDlgProc(*dialog_, DialogEvent::Timer, static_cast<unsigned>(id));
    return true;
}

void HeadlessDialog::Click(int id) {
    if (ended_ || dialog_ == nullptr) return;
    ImportDlgProc(*dialog_, DialogEvent::Command, static_cast<unsigned>(id));
}

} // namespace chpimport
