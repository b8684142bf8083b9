// The virtual-key codes lent to the code page 1252 characters that the US
// layout lacks (é, ü, ß, €, ...): VkKeyScanA answers one of them for such a
// character, and the keyboard types the character bound to it. Plain C++,
// shared by the backends that lend codes.
#pragma once

#include <array>
#include <cstdint>
#include <map>

namespace orvanel::keysyms {

// Virtual-key codes that Windows assigns to no key, lent to the code page
// 1252 characters that the US layout lacks.
inline constexpr std::uint8_t kLentVks[] = {0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E,
                                            0x8F, 0x97, 0x98, 0x99, 0x9A, 0x9B, 0x9C,
                                            0x9D, 0x9E, 0x9F, 0xD8, 0xD9, 0xDA, 0xE8};

inline bool IsLentVk(std::uint8_t vk) {
    for (std::uint8_t lent : kLentVks) {
        if (lent == vk) {
            return true;
        }
    }
    return false;
}

// Which character each lent virtual-key code stands for. A character keeps
// its code for as long as the program runs; when every code is taken, the
// least recently used one that is not held down goes to the new character.
class LentVks {
public:
    // The code of `c`; -1 when every lent code is held down.
    template <class Value>
    std::int16_t Lend(unsigned char c, const std::map<std::uint8_t, Value>& held) {
        return Lend(c, [&held](std::uint8_t vk) { return held.count(vk) != 0; });
    }
    // The character bound to `vk`, 0 for none.
    unsigned char CharacterOf(std::uint8_t vk) const { return character_[vk]; }

private:
    template <class Held> std::int16_t Lend(unsigned char c, const Held& isHeld);

    std::array<unsigned char, 256> character_{};
    std::array<std::uint64_t, 256> stamp_{};
    std::uint64_t clock_ = 0;
};

template <class Held> std::int16_t LentVks::Lend(unsigned char c, const Held& isHeld) {
    std::uint8_t chosen = 0;
    for (std::uint8_t vk : kLentVks) {
        if (character_[vk] == c) {
            chosen = vk;
            break;
        }
    }
    if (chosen == 0) {
        std::uint64_t oldest = UINT64_MAX;
        for (std::uint8_t vk : kLentVks) {
            if (isHeld(vk)) {
                continue;
            }
            if (character_[vk] == 0) {
                chosen = vk;
                break;
            }
            if (stamp_[vk] < oldest) {
                oldest = stamp_[vk];
                chosen = vk;
            }
        }
        if (chosen == 0) {
            return -1;
        }
        character_[chosen] = c;
    }
    stamp_[chosen] = ++clock_;
    return chosen;
}

} // namespace orvanel::keysyms
