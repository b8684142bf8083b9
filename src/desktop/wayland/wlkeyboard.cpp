#include "desktop/wayland/wlkeyboard.h"

#include <cstdio>

#include "desktop/cp1252.h"
#include "desktop/keysyms/keysyms.h"
#include "desktop/keysyms/vkkeysyms.h"
#include "desktop/uslayout.h"

namespace orvanel::wl {

namespace {

constexpr std::uint8_t kVkCapital = 0x14;

bool IsControlVk(std::uint8_t vk) {
    return vk == 0x11 || vk == 0xA2 || vk == 0xA3;
}

} // namespace

void WlKeyboard::KeyEvent(std::uint8_t vk, bool up) {
    if (up) {
        KeyUp(vk);
    } else {
        KeyDown(vk);
    }
    sink_.Flush();
    // A release counts as done once it has been written out.
    for (int kc = 0; kc < 256; ++kc) {
        if (held_.Presses()[kc] == 0) {
            guard_.NoteRelease(static_cast<unsigned>(kc));
        }
    }
}

std::int16_t WlKeyboard::LendVk(unsigned char c) {
    return held_.LendVk(c);
}

std::uint32_t WlKeyboard::ScriptMask() const {
    std::uint32_t mask = 0;
    for (const auto& [vk, kc] : held_.modifiers) {
        mask |= keysyms::IsShiftVk(vk) ? masks_.shift
                : IsControlVk(vk)      ? masks_.control
                                       : masks_.alt;
    }
    return mask;
}

bool WlKeyboard::ScriptShiftDown() const {
    return (ScriptMask() & masks_.shift) != 0;
}

void WlKeyboard::Press(std::uint32_t kc, bool press) {
    if (!held_.Count(kc, press)) {
        return;
    }
    if (press) {
        guard_.NotePress(kc);
    }
    sink_.Key(kc, press);
}

void WlKeyboard::SetModifiers(std::uint32_t mask) {
    if (mask != sentMask_) {
        sentMask_ = mask;
        sink_.Modifiers(mask);
    }
}

// Puts the modifiers back as the script holds them.
void WlKeyboard::Settle() {
    SetModifiers(ScriptMask());
    adjustedVk_ = 0;
}

// The place of what the US layout gives for `vk` with the SHIFT the script
// holds (and caps lock); keycode 0 when the key types nothing.
KeyPlace WlKeyboard::ChooseKey(std::uint8_t vk, bool& isCharacter) const {
    const bool shiftDown = ScriptShiftDown();
    char32_t character = 0;
    if (held_.LentCharacter(vk) != 0) {
        const unsigned char c = held_.LentCharacter(vk);
        character = uslayout::Cp1252ToUnicode(shiftDown != capsLocked_ ? Upper1252(c) : c);
    } else {
        const bool letter = vk >= 'A' && vk <= 'Z';
        character = static_cast<unsigned char>(
            keysyms::UsCharForVk(vk, letter ? shiftDown != capsLocked_ : shiftDown));
    }
    isCharacter = character != 0;
    if (isCharacter) {
        for (std::uint32_t keysym : keysyms::KeysymsForCharacter(character).keysym) {
            const KeyPlace place = keysym != 0 ? plan_.Find(keysym) : KeyPlace{};
            if (place.keycode != 0) {
                return place;
            }
        }
        std::fprintf(stderr, "Orvanel: the virtual keyboard has no key for U+%04X: not sent.\n",
                     static_cast<unsigned>(character));
        return {};
    }
    const auto named = static_cast<std::uint32_t>(keysyms::NamedKeysym(vk));
    return named != 0 ? plan_.Find(named) : KeyPlace{};
}

void WlKeyboard::KeyDown(std::uint8_t vk) {
    if (held_.keys.count(vk) != 0) {
        KeyUp(vk); // pressed again without a release: type it again
    }
    Settle();
    if (keysyms::IsModifierVk(vk)) {
        if (held_.modifiers.count(vk) == 0) {
            const KeyPlace place =
                plan_.Find(static_cast<std::uint32_t>(keysyms::ModifierKeysyms(vk)[0]));
            Press(place.keycode, true);
            held_.modifiers[vk] = place.keycode;
            Settle();
        }
        return;
    }
    bool isCharacter = false;
    const KeyPlace place = ChooseKey(vk, isCharacter);
    if (place.keycode == 0) {
        return;
    }
    if (isCharacter) {
        const std::uint32_t wanted =
            place.level == 1 ? ScriptMask() | masks_.shift : ScriptMask() & ~masks_.shift;
        if (wanted != sentMask_) {
            SetModifiers(wanted);
            adjustedVk_ = vk;
        }
    } else if (vk == kVkCapital) {
        capsLocked_ = !capsLocked_;
    }
    Press(place.keycode, true);
    held_.keys[vk] = place.keycode;
}

void WlKeyboard::KeyUp(std::uint8_t vk) {
    if (keysyms::IsModifierVk(vk)) {
        auto it = held_.modifiers.find(vk);
        if (it != held_.modifiers.end()) {
            Press(it->second, false);
            held_.modifiers.erase(it);
        }
        Settle();
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

void WlKeyboard::ReleaseEverything() {
    held_.ReleaseAll([this](posix::HeldKeys::Keycode kc) { Press(kc, false); });
    Settle();
    sink_.Flush();
    for (int kc = 0; kc < 256; ++kc) {
        guard_.NoteRelease(static_cast<unsigned>(kc));
    }
}

} // namespace orvanel::wl
