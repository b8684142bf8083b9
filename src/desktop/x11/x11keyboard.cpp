#include "desktop/x11/x11keyboard.h"

#include <X11/extensions/XTest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "desktop/cp1252.h"
#include "desktop/keysyms/keysyms.h"
#include "desktop/keysyms/vkkeysyms.h"
#include "desktop/posix/sleepfor.h"
#include "desktop/uslayout.h"

namespace orvanel::x11 {

namespace {

using Clock = std::chrono::steady_clock;
using posix::SleepFor;

// Before a binding is given back, clients get this long to read the keys
// typed on it.
constexpr Clock::duration kBindingGrace = std::chrono::milliseconds(200);
// A plain Xlib client asks to hear of keymap changes only after its first key
// lookup; the keys sent so far get this long to be read before a remap.
constexpr Clock::duration kQuietBeforeRemap = std::chrono::milliseconds(40);
// A borrowed keycode used within this time is never taken over.
constexpr Clock::duration kBindingKept = std::chrono::minutes(1);

} // namespace

void X11Keyboard::KeyEvent(std::uint8_t vk, bool up) {
    Refresh();
    if (up) {
        KeyUp(vk);
    } else {
        KeyDown(vk);
    }
    XFlush(display_);
}

std::int16_t X11Keyboard::LendVk(unsigned char c) {
    return held_.LendVk(c);
}

void X11Keyboard::Refresh() {
    for (KeyCode kc : keymap_.Refresh(BoundKeysyms())) {
        bindings_.erase(kc);
        registration_.NoteUnbound(kc);
    }
}

std::map<KeyCode, KeySym> X11Keyboard::BoundKeysyms() const {
    std::map<KeyCode, KeySym> bound;
    for (const auto& [kc, binding] : bindings_) {
        bound.emplace(kc, binding.keysym);
    }
    return bound;
}

bool X11Keyboard::ScriptShiftDown() const {
    return std::any_of(held_.modifiers.begin(), held_.modifiers.end(),
                       [](const auto& held) { return keysyms::IsShiftVk(held.first); });
}

void X11Keyboard::FakeKey(KeyCode kc, bool press) {
    if (!held_.Count(kc, press)) {
        return;
    }
    if (press) {
        registration_.NotePress(kc);
    }
    XTestFakeKeyEvent(display_, kc, press ? True : False, CurrentTime);
    lastKeyEvent_ = Clock::now();
    if (!press) {
        registration_.NoteRelease(kc);
    }
}

// Binds a spare keycode to `keysym`; 0 when there is none to spare.
KeyCode X11Keyboard::BindSpare(KeySym keysym) {
    KeyCode chosen = 0;
    Clock::time_point oldest = Clock::now() - kBindingKept;
    for (KeyCode kc : keymap_.SpareKeycodes()) {
        if (held_.Presses()[kc] > 0) {
            continue;
        }
        auto it = bindings_.find(kc);
        if (it == bindings_.end()) {
            chosen = kc;
            break;
        }
        if (it->second.lastUse < oldest) {
            oldest = it->second.lastUse;
            chosen = kc;
        }
    }
    if (chosen == 0) {
        return 0;
    }
    // A plain Xlib client reads its keymap only when it looks up its first
    // key, and asks to hear of keymap changes in a request that leaves only
    // when it next waits for events: a change made in between never reaches
    // it. Let the keys sent so far be handled before remapping.
    XSync(display_, False);
    SleepFor(lastKeyEvent_ + kQuietBeforeRemap - Clock::now());
    registration_.NoteBound(chosen, keysym);
    KeySym syms[2] = {keysym, keysym};
    XChangeKeyboardMapping(display_, chosen, 2, syms, 1);
    bindings_[chosen] = Binding{keysym, Clock::now()};
    std::vector<KeyCode> lost;
    keymap_.Reload(BoundKeysyms(), &lost);
    for (KeyCode kc : lost) {
        bindings_.erase(kc);
        registration_.NoteUnbound(kc);
    }
    return chosen;
}

void X11Keyboard::Unbind(KeyCode kc) {
    KeySym none = NoSymbol;
    XChangeKeyboardMapping(display_, kc, 1, &none, 1);
    bindings_.erase(kc);
    registration_.NoteUnbound(kc);
    keymap_.MapChanged();
}

// Gives back every borrowed keycode that no key holds.
void X11Keyboard::RestoreBindings() {
    std::vector<KeyCode> idle;
    for (const auto& [kc, binding] : bindings_) {
        if (held_.Presses()[kc] == 0) {
            idle.push_back(kc);
        }
    }
    for (KeyCode kc : idle) {
        Unbind(kc);
    }
    if (!idle.empty()) {
        XFlush(display_);
    }
}

void X11Keyboard::TouchBinding(KeyCode kc) {
    auto it = bindings_.find(kc);
    if (it != bindings_.end()) {
        it->second.lastUse = Clock::now();
    }
}

// Puts the modifiers back as the script holds them.
void X11Keyboard::Settle() {
    for (auto it = adjustments_.rbegin(); it != adjustments_.rend(); ++it) {
        FakeKey(it->keycode, !it->pressed);
    }
    adjustments_.clear();
    adjustedVk_ = 0;
}

void X11Keyboard::ModifierDown(std::uint8_t vk) {
    if (held_.modifiers.count(vk) != 0) {
        return;
    }
    for (KeySym ks : keysyms::ModifierKeysyms(vk)) {
        const KeyCode kc = keymap_.FindModifierKey(ks, nullptr);
        if (kc != 0) {
            FakeKey(kc, true);
            held_.modifiers[vk] = kc;
            return;
        }
    }
}

void X11Keyboard::ModifierUp(std::uint8_t vk) {
    auto it = held_.modifiers.find(vk);
    if (it == held_.modifiers.end()) {
        return;
    }
    FakeKey(static_cast<KeyCode>(it->second), false);
    held_.modifiers.erase(it);
}

// The key that types what the US layout gives for `vk` with the SHIFT the
// script holds, bound to a spare keycode when the live layout lacks it.
// `character` gets the character typed (0 for a named key).
std::optional<KeyChoice> X11Keyboard::ChooseKey(std::uint8_t vk, char32_t& character) {
    const bool capsLocked = keymap_.CapsLocked();
    const bool shiftDown = ScriptShiftDown();
    character = 0;
    KeySym named = NoSymbol;
    if (held_.LentCharacter(vk) != 0) {
        const unsigned char c = held_.LentCharacter(vk);
        character = uslayout::Cp1252ToUnicode(shiftDown != capsLocked ? Upper1252(c) : c);
    } else if (const bool letter = vk >= 'A' && vk <= 'Z';
               keysyms::UsCharForVk(vk, letter ? shiftDown != capsLocked : shiftDown) != 0) {
        character = static_cast<unsigned char>(
            keysyms::UsCharForVk(vk, letter ? shiftDown != capsLocked : shiftDown));
    } else {
        named = keysyms::NamedKeysym(vk);
    }

    std::optional<KeyChoice> choice;
    bool noSpare = false;
    if (character != 0) {
        const keysyms::KeysymChoices candidates = keysyms::KeysymsForCharacter(character);
        for (std::uint32_t ks : candidates.keysym) {
            if (ks != 0 && !choice) {
                choice = keymap_.Find(ks, true, shiftDown, held_.Presses());
            }
        }
        if (!choice && candidates.keysym[0] != 0) {
            noSpare = BindSpare(candidates.keysym[0]) == 0;
            choice = keymap_.Find(candidates.keysym[0], true, shiftDown, held_.Presses());
        }
    } else if (named != NoSymbol) {
        choice = keymap_.Find(named, false, shiftDown, held_.Presses());
        if (!choice) {
            noSpare = BindSpare(named) == 0;
            choice = keymap_.Find(named, false, shiftDown, held_.Presses());
        }
    }
    if (!choice && noSpare && character != 0) {
        std::fprintf(stderr, "Orvanel: no free X keycode to type U+%04X on: not sent.\n",
                     static_cast<unsigned>(character));
    } else if (!choice && noSpare) {
        std::fprintf(stderr, "Orvanel: no free X keycode to type virtual key %u on: not sent.\n",
                     static_cast<unsigned>(vk));
    }
    return choice;
}

// Presses or lifts Shift and AltGr as the live layout needs them for a
// character.
void X11Keyboard::AdjustModifiers(const KeyChoice& choice) {
    const bool shiftDown = ScriptShiftDown();
    const bool needShift = (choice.mods & keymap_.ShiftBits()) != 0;
    if (needShift && !shiftDown) {
        FakeKey(keymap_.ShiftKey(), true);
        adjustments_.push_back({keymap_.ShiftKey(), true});
    } else if (!needShift && shiftDown) {
        for (const auto& [modVk, kc] : held_.modifiers) {
            if (keysyms::IsShiftVk(modVk)) {
                FakeKey(static_cast<KeyCode>(kc), false);
                adjustments_.push_back({static_cast<KeyCode>(kc), false});
            }
        }
    }
    if ((choice.mods & keymap_.Level3Bits()) != 0 && keymap_.Level3Bits() != 0) {
        FakeKey(keymap_.Level3Key(), true);
        adjustments_.push_back({keymap_.Level3Key(), true});
    }
}

void X11Keyboard::KeyDown(std::uint8_t vk) {
    if (held_.keys.count(vk) != 0) {
        KeyUp(vk); // pressed again without a release: type it again
    }
    Settle();
    if (keysyms::IsModifierVk(vk)) {
        ModifierDown(vk);
        return;
    }
    char32_t character = 0;
    const std::optional<KeyChoice> choice = ChooseKey(vk, character);
    if (!choice) {
        return;
    }
    if (character != 0) {
        AdjustModifiers(*choice);
        adjustedVk_ = vk;
    } else {
        keymap_.StateChanged(); // a lock key or a group switch may change the state
        namedDown_.set(vk);
    }
    FakeKey(choice->keycode, true);
    held_.keys[vk] = choice->keycode;
    TouchBinding(choice->keycode);
}

void X11Keyboard::KeyUp(std::uint8_t vk) {
    if (keysyms::IsModifierVk(vk)) {
        Settle();
        ModifierUp(vk);
        return;
    }
    auto it = held_.keys.find(vk);
    if (it == held_.keys.end()) {
        return;
    }
    FakeKey(static_cast<KeyCode>(it->second), false);
    TouchBinding(static_cast<KeyCode>(it->second));
    held_.keys.erase(it);
    if (namedDown_.test(vk)) {
        // Caps Lock goes off at its release, not its press, and the server
        // tells of it only later: the state is read again before the next key.
        namedDown_.reset(vk);
        keymap_.StateChanged();
    }
    if (adjustedVk_ == vk) {
        Settle();
    }
}

void X11Keyboard::ReleaseEverything() {
    Settle();
    held_.ReleaseAll(
        [this](posix::HeldKeys::Keycode kc) { FakeKey(static_cast<KeyCode>(kc), false); });
    namedDown_.reset();
    if (!bindings_.empty()) {
        Clock::time_point last{};
        for (const auto& [kc, binding] : bindings_) {
            last = std::max(last, binding.lastUse);
        }
        XSync(display_, False);
        SleepFor(last + kBindingGrace - Clock::now());
        RestoreBindings();
    }
    XSync(display_, False);
}

} // namespace orvanel::x11
