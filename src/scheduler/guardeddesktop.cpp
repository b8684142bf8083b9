#include "scheduler/guardeddesktop.h"

#include <algorithm>

namespace orvanel {

namespace {

SkipReason BlockReason(InputBlock block) {
    return block == InputBlock::KeyboardHeld ? SkipReason::KeyboardHeld : SkipReason::ScreenLocked;
}

} // namespace

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

void GuardedDesktop::GuardWindow(WindowHandle window) {
    guarding_ = true;
    window_ = window;
    waited_ = true; // the window was just activated, or the program started
}

void GuardedDesktop::BeginStep() {
    CheckStopKey();
    if (guarding_ && waited_) {
        Look(HaltPoint::BetweenSteps, true);
    }
}

void GuardedDesktop::ReleaseHeldKeys() {
    while (!held_.empty()) {
        const auto [virtualKey, scanCode] = held_.back();
        held_.pop_back();
        inner_.keybd_event(virtualKey, scanCode, kKeyEventKeyUp, 0);
    }
}

void GuardedDesktop::Halt(SkipReason reason, HaltPoint point) {
    halted_ = RunHalted{reason, point};
    throw RunHalted{reason, point};
}

void GuardedDesktop::CheckStopKey() {
    if (halted_) {
        throw RunHalted{halted_->reason, halted_->point};
    }
    if (watching_ && inner_.StopKeyPressed()) {
        Halt(SkipReason::StoppedByUser, HaltPoint::InStep);
    }
}

void GuardedDesktop::Look(HaltPoint point, bool input) {
    if (input) {
        const InputBlock block = inner_.InputBlocked();
        if (block != InputBlock::Clear) {
            Halt(BlockReason(block), point);
        }
    }
    if (window_ != kNoWindow && inner_.FocusIsWith(window_) == FocusState::Elsewhere) {
        Halt(SkipReason::FocusMoved, point);
    }
    waited_ = false;
    lastLook_ = inner_.GetTickCount();
}

void GuardedDesktop::keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode,
                                 std::uint32_t flags, std::uintptr_t extraInfo) {
    CheckStopKey();
    if (guarding_ && (waited_ || inner_.GetTickCount() - lastLook_ >= kTypingCheckMilliseconds)) {
        Look(HaltPoint::InStep, waited_);
    }
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
    waited_ = waited_ || milliseconds > 0;
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
