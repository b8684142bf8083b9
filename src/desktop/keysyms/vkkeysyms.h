// The virtual keys of the key scripts in X terms: the character that the US
// layout types on a key of its typing block, the X keysym of a named key and
// the X modifier keys of SHIFT, CTRL and ALT. Plain tables: they need no
// display. (The virtual-key codes lent to characters are in lentvks.h.)
#pragma once

#include <X11/X.h>

#include <cstdint>
#include <vector>

namespace orvanel::keysyms {

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

} // namespace orvanel::keysyms
