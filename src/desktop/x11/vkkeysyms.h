// The virtual keys of the key scripts in X terms: the character that the US
// layout types on a key of its typing block, the X keysym of a named key, the
// X modifier keys of SHIFT, CTRL and ALT, and the virtual-key codes lent to
// code page 1252 characters that the US layout lacks. Plain tables: they need
// no display.
#pragma once

#include <X11/X.h>

#include <cstdint>
#include <vector>

namespace orvanel::x11 {

// Virtual-key codes that Windows assigns to no key, lent to the code page
// 1252 characters that the US layout lacks.
inline constexpr std::uint8_t kLentVks[] = {0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E,
                                            0x8F, 0x97, 0x98, 0x99, 0x9A, 0x9B, 0x9C,
                                            0x9D, 0x9E, 0x9F, 0xD8, 0xD9, 0xDA, 0xE8};

bool IsLentVk(std::uint8_t vk);

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

} // namespace orvanel::x11
