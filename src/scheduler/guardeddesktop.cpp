#include "scheduler/guardeddesktop.h"

#include <algorithm>

namespace orvanel {

GuardedDesktop::~GuardedDesktop() {
    ReleaseHeldKeys();
    if (watching_) {
        inner_.EndStopKeyWatch();
    }
}

bool GuardedDesktop::WatchStopKey() {
    if (!watching_) {
        watching_ = inner_.StartStopKeyWatch();
    }
    return watching_;
}

void GuardedDesktop::ReleaseHeldKeys() {
    while (!held_.empty()) {
        const auto [virtualKey, scanCode] = held_.back();
        held_.pop_back();
        inner_.keybd_event(virtualKey, scanCode, kKeyEventKeyUp, 0);
    }
}

void GuardedDesktop::CheckStopKey() {
    if (stopped_ || (watching_ && inner_.StopKeyPressed())) {
        stopped_ = true;
        throw TaskStopped{};
    }
}

void GuardedDesktop::keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode,
                                 std::uint32_t flags, std::uintptr_t extraInfo) {
    CheckStopKey();
    inner_.keybd_event(virtualKey, scanCode, flags, extraInfo);
    const auto same = [virtualKey](const auto& key) { return key.first == virtualKey; };
    if ((flags & kKeyEventKeyUp) != 0) {
        const auto it = std::find_if(held_.rbegin(), held_.rend(), same);
        if (it != held_.rend()) {
            held_.erase(std::next(it).base());
        }
    } else {
        held_.emplace_back(virtualKey, scanCode);
    }
}

void GuardedDesktop::Sleep(std::uint32_t milliseconds) {
    CheckStopKey();
    if (!watching_) {
        inner_.Sleep(milliseconds);
        return;
    }
    while (milliseconds > 0) {
        const std::uint32_t slice = std::min(milliseconds, kStopPollMilliseconds);
        inner_.Sleep(slice);
        milliseconds -= slice;
        CheckStopKey();
    }
}

} // namespace orvanel
