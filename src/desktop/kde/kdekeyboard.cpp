#include "desktop/kde/kdekeyboard.h"

#include <algorithm>

#include "desktop/cp1252.h"
#include "desktop/keysyms/keysyms.h"
#include "desktop/keysyms/vkkeysyms.h"
#include "desktop/uslayout.h"

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
    return held_.LendVk(c);
}

UntypedCharacters KdeKeyboard::TakeUntyped() {
    UntypedCharacters taken = untyped_;
    untyped_ = {};
    return taken;
}

bool KdeKeyboard::ScriptShiftDown() const {
    return std::any_of(held_.modifiers.begin(), held_.modifiers.end(),
                       [](const auto& held) { return keysyms::IsShiftVk(held.first); });
}

void KdeKeyboard::Press(std::uint32_t kc, bool press) {
    if (!held_.Count(kc, press)) {
        return;
    }
    if (press) {
        guard_.NotePress(kc);
    }
    sink_.Key(kc, press);
    if (!press) {
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
    if (held_.modifiers.count(vk) != 0) {
        return;
    }
    for (const auto keysym : keysyms::ModifierKeysyms(vk)) {
        const std::uint32_t kc = layout_.ModifierKey(static_cast<std::uint32_t>(keysym));
        if (kc != 0) {
            Press(kc, true);
            held_.modifiers[vk] = kc;
            return;
        }
    }
}

void KdeKeyboard::ModifierUp(std::uint8_t vk) {
    auto it = held_.modifiers.find(vk);
    if (it == held_.modifiers.end()) {
        return;
    }
    Press(it->second, false);
    held_.modifiers.erase(it);
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
    if (const unsigned char lent = held_.LentCharacter(vk); lent != 0) {
        character = uslayout::Cp1252ToUnicode(shiftDown ? Upper1252(lent) : lent);
    } else {
        character = static_cast<unsigned char>(keysyms::UsCharForVk(vk, shiftDown));
    }
    isCharacter = character != 0;
    if (!isCharacter) {
        const auto named = static_cast<std::uint32_t>(keysyms::NamedKeysym(vk));
        return named != 0 ? layout_.Find(named, false, shiftDown) : Stroke{};
    }
    for (const std::uint32_t keysym : keysyms::KeysymsForCharacter(character).keysym) {
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
        for (const auto& [modVk, kc] : held_.modifiers) {
            if (keysyms::IsShiftVk(modVk)) {
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
    if (held_.keys.count(vk) != 0) {
        KeyUp(vk); // pressed again without a release: type it again
    }
    Settle();
    if (keysyms::IsModifierVk(vk)) {
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
    held_.keys[vk] = stroke.keycode;
}

void KdeKeyboard::KeyUp(std::uint8_t vk) {
    if (keysyms::IsModifierVk(vk)) {
        Settle();
        ModifierUp(vk);
        return;
    }
    auto it = held_.keys.find(vk);
    if (it == held_.keys.end()) {
        return;
    }
    Press(it->second, false);
    held_.keys.erase(it);
    if (adjustedVk_ == vk) {
        Settle();
    }
}

void KdeKeyboard::ReleaseEverything() {
    Settle();
    held_.ReleaseAll([this](posix::HeldKeys::Keycode kc) { Press(kc, false); });
    Flush();
}

} // namespace orvanel::kde
