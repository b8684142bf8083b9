// The virtual keys of the key scripts in X terms: the character that the US
// layout types on a key of its typing block, the X keysym of a named key, the
// X modifier keys of SHIFT, CTRL and ALT, and the virtual-key codes lent to
// code page 1252 characters that the US layout lacks. Plain tables: they need
// no display.
#pragma once

#include <X11/X.h>

#include <array>
#include <cstdint>
#include <map>
#include <vector>

namespace orvanel::keysyms {

// Virtual-key codes that Windows assigns to no key, lent to the code page
// 1252 characters that the US layout lacks.
inline constexpr std::uint8_t kLentVks[] = {0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E,
                                            0x8F, 0x97, 0x98, 0x99, 0x9A, 0x9B, 0x9C,
                                            0x9D, 0x9E, 0x9F, 0xD8, 0xD9, 0xDA, 0xE8};

bool IsLentVk(std::uint8_t vk);

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

// The printable character that the US layout types on a key of its typing
// block, without or with SHIFT (0: none; caps lock is the caller's). With
// SHIFT, a key that has no shifted character of its own (the space bar)
// types its plain one, as it does on that layout.
char UsCharForVk(std::uint8_t vk, bool shift);

// The keysym of a named (non-character) virtual key; NoSymbol when the key
// types nothing.
KeySym NamedKeysym(std::uint8_t vk);

// SHIFT, CTRL and ALT, left, right or either.
bool IsModifierVk(std::uint8_t vk);
bool IsShiftVk(std::uint8_t vk);

// The X keysyms to press for a script modifier, the preferred one first.
std::vector<KeySym> ModifierKeysyms(std::uint8_t vk);

// Capital of a code page 1252 letter, or the character itself.
unsigned char Upper1252(unsigned char c);

// The five codes that code page 1252 leaves undefined.
bool Undefined1252(unsigned char c);

} // namespace orvanel::keysyms
