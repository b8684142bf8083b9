#include "desktop/kde/kdekeyboard.h"

#include <algorithm>

#include "desktop/cp1252.h"
#include "desktop/uslayout.h"
#include "desktop/x11/keysyms.h"

namespace orvanel::kde {

void KdeKeyboard::KeyEvent(std::uint8_t vk, bool up) {
    if (up) {
        KeyUp(vk);
    } else {
        KeyDown(vk);
    }
    Flush();
}

// A release counts as done, for the release guard, once it has been written
// out.
void KdeKeyboard::Flush() {
    sink_.Flush();
    for (const std::uint32_t kc : released_) {
        guard_.NoteRelease(kc);
    }
    released_.clear();
}

std::int16_t KdeKeyboard::LendVk(unsigned char c) {
    return lent_.Lend(c, heldKeys_);
}

UntypedCharacters KdeKeyboard::TakeUntyped() {
    UntypedCharacters taken = untyped_;
    untyped_ = {};
    return taken;
}

bool KdeKeyboard::ScriptShiftDown() const {
    return std::any_of(scriptModifiers_.begin(), scriptModifiers_.end(),
                       [](const auto& held) { return x11::IsShiftVk(held.first); });
}

void KdeKeyboard::Press(std::uint32_t kc, bool press) {
    if (kc == 0 || kc > 255) {
        return;
    }
    int& count = pressCount_[kc];
    if (press && count++ == 0) {
        guard_.NotePress(kc);
        sink_.Key(kc, true);
    } else if (!press && count > 0 && --count == 0) {
        sink_.Key(kc, false);
        released_.push_back(kc);
    }
}

// Puts the modifiers back as the script holds them.
void KdeKeyboard::Settle() {
    for (auto it = adjustments_.rbegin(); it != adjustments_.rend(); ++it) {
        Press(it->keycode, !it->pressed);
    }
    adjustments_.clear();
    adjustedVk_ = 0;
}

void KdeKeyboard::ModifierDown(std::uint8_t vk) {
    if (scriptModifiers_.count(vk) != 0) {
        return;
    }
    for (const auto keysym : x11::ModifierKeysyms(vk)) {
        const std::uint32_t kc = layout_.ModifierKey(static_cast<std::uint32_t>(keysym));
        if (kc != 0) {
            Press(kc, true);
            scriptModifiers_[vk] = kc;
            return;
        }
    }
}

void KdeKeyboard::ModifierUp(std::uint8_t vk) {
    auto it = scriptModifiers_.find(vk);
    if (it == scriptModifiers_.end()) {
        return;
    }
    Press(it->second, false);
    scriptModifiers_.erase(it);
}

void KdeKeyboard::NoteUntyped(char32_t character) {
    ++untyped_.count;
    const char byte = UnicodeToCp1252(character);
    if (untyped_.characters.find(byte) == std::string::npos) {
        untyped_.characters += byte;
    }
}

// The key of the user's layout that types what the US layout gives for `vk`
// with the SHIFT the script holds; keycode 0 when there is none.
Stroke KdeKeyboard::ChooseKey(std::uint8_t vk, bool& isCharacter) {
    const bool shiftDown = ScriptShiftDown();
    char32_t character = 0;
    if (const unsigned char lent = lent_.CharacterOf(vk); lent != 0) {
        character = uslayout::Cp1252ToUnicode(shiftDown ? x11::Upper1252(lent) : lent);
    } else {
        character = static_cast<unsigned char>(x11::UsCharForVk(vk, shiftDown));
    }
    isCharacter = character != 0;
    if (!isCharacter) {
        const auto named = static_cast<std::uint32_t>(x11::NamedKeysym(vk));
        return named != 0 ? layout_.Find(named, false, shiftDown) : Stroke{};
    }
    for (const std::uint32_t keysym : x11::KeysymsForCharacter(character).keysym) {
        const Stroke stroke = keysym != 0 ? layout_.Find(keysym, true, shiftDown) : Stroke{};
        if (stroke.keycode != 0) {
            return stroke;
        }
    }
    NoteUntyped(character);
    return {};
}

// Presses or lifts Shift, and presses AltGr, as the layout needs them for a
// character.
void KdeKeyboard::AdjustModifiers(const Stroke& stroke) {
    const bool shiftDown = ScriptShiftDown();
    if (stroke.shift && !shiftDown) {
        Press(layout_.ShiftKey(), true);
        adjustments_.push_back({layout_.ShiftKey(), true});
    } else if (!stroke.shift && shiftDown) {
        for (const auto& [modVk, kc] : scriptModifiers_) {
            if (x11::IsShiftVk(modVk)) {
                Press(kc, false);
                adjustments_.push_back({kc, false});
            }
        }
    }
    if (stroke.level3) {
        Press(layout_.Level3Key(), true);
        adjustments_.push_back({layout_.Level3Key(), true});
    }
}

void KdeKeyboard::KeyDown(std::uint8_t vk) {
    if (heldKeys_.count(vk) != 0) {
        KeyUp(vk); // pressed again without a release: type it again
    }
    Settle();
    if (x11::IsModifierVk(vk)) {
        ModifierDown(vk);
        return;
    }
    bool isCharacter = false;
    const Stroke stroke = ChooseKey(vk, isCharacter);
    if (stroke.keycode == 0) {
        return;
    }
    if (isCharacter) {
        AdjustModifiers(stroke);
        adjustedVk_ = vk;
    }
    Press(stroke.keycode, true);
    heldKeys_[vk] = stroke.keycode;
}

void KdeKeyboard::KeyUp(std::uint8_t vk) {
    if (x11::IsModifierVk(vk)) {
        Settle();
        ModifierUp(vk);
        return;
    }
    auto it = heldKeys_.find(vk);
    if (it == heldKeys_.end()) {
        return;
    }
    Press(it->second, false);
    heldKeys_.erase(it);
    if (adjustedVk_ == vk) {
        Settle();
    }
}

void KdeKeyboard::ReleaseEverything() {
    Settle();
    for (const auto& [vk, kc] : heldKeys_) {
        Press(kc, false);
    }
    heldKeys_.clear();
    for (const auto& [vk, kc] : scriptModifiers_) {
        Press(kc, false);
    }
    scriptModifiers_.clear();
    for (std::uint32_t kc = 0; kc < 256; ++kc) {
        while (pressCount_[kc] > 0) {
            Press(kc, false);
        }
    }
    Flush();
}

} // namespace orvanel::kde
