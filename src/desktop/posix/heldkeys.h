// What a key script holds down on the keyboard of the X11 or the Wayland
// backend: the keycode pressed for each virtual key, the script's modifiers
// apart from its other keys; how often each keycode is pressed, so that a
// keycode pressed for two virtual keys goes up only after both are released;
// and the virtual-key codes lent to characters that the US layout lacks.
#pragma once

#include <array>
#include <cstdint>
#include <map>

#include "desktop/keysyms/lentvks.h"

namespace orvanel::posix {

class HeldKeys {
public:
    using Keycode = std::uint32_t;
    using PressCounts = std::array<int, 256>;

    // Counts a press or a release of `keycode` (1 to 255; others are never
    // sent). True when the keycode goes down or comes up by it, that is when
    // the backend is to send it.
    bool Count(Keycode keycode, bool press) {
        if (keycode == 0 || keycode >= pressCount_.size()) {
            return false;
        }
        int& count = pressCount_[keycode];
        if (press) {
            return count++ == 0;
        }
        return count > 0 && --count == 0;
    }
    const PressCounts& Presses() const { return pressCount_; }

    // The lent virtual-key code of a code page 1252 character: the one it
    // already has, else a free one, else the least recently used one that no
    // key holds. -1 when every lent code is held down.
    std::int16_t LendVk(unsigned char c) { return lent_.Lend(c, keys); }
    // The character bound to a lent code, 0 for none.
    unsigned char LentCharacter(std::uint8_t vk) const { return lent_.CharacterOf(vk); }

    // Lets go of everything: calls `release(keycode)` for every key held,
    // then for every script modifier, forgets them, and then releases every
    // keycode still counted as pressed until it is not. `release` counts the
    // release (Count) and sends it.
    template <class Release> void ReleaseAll(Release release) {
        for (const auto& [vk, keycode] : keys) {
            release(keycode);
        }
        keys.clear();
        for (const auto& [vk, keycode] : modifiers) {
            release(keycode);
        }
        modifiers.clear();
        for (Keycode keycode = 1; keycode < pressCount_.size(); ++keycode) {
            for (int n = pressCount_[keycode]; n > 0; --n) {
                release(keycode);
            }
        }
    }

    std::map<std::uint8_t, Keycode> modifiers; // script modifier VK -> keycode pressed
    std::map<std::uint8_t, Keycode> keys;      // other VK -> keycode pressed

private:
    PressCounts pressCount_{};
    keysyms::LentVks lent_;
};

} // namespace orvanel::posix
