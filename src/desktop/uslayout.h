// The reference keyboard: the standard Windows US layout (kbdus) with code
// page 1252 as the ANSI code page and code page 437 as the OEM code page.
// Every backend answers the keyboard queries of the key scripts as this
// layout does, whatever keyboard the machine really has, so the answers live
// here as plain tables that any backend can use.
#pragma once

#include <cstdint>

#include "desktop/cp1252.h"

namespace orvanel::uslayout {

// Shift-state bits of a VkKeyScan answer (in its high byte).
constexpr int kShiftBit = 1;
constexpr int kCtrlBit = 2;
constexpr int kAltBit = 4;

// The key of a Unicode character: low byte virtual-key code, high byte shift
// state; -1 when the layout has no key for it.
std::int16_t VkKeyScanW(char32_t character);

// The key of a code page 1252 character (VkKeyScanA).
std::int16_t VkKeyScanA(unsigned char character);

// MapVirtualKeyA: map type 0 virtual key to scan code, 1 scan code to virtual
// key, 2 virtual key to its unshifted character, 3 scan code to virtual key
// telling left and right apart. 0 when there is no answer.
std::uint32_t MapVirtualKey(std::uint32_t code, std::uint32_t mapType);

// Code page conversions of single bytes (code page 1252: desktop/cp1252.h).
using orvanel::Cp1252ToUnicode;
char32_t Cp437ToUnicode(unsigned char character);
// The code page 437 byte of a Unicode character, or '?' when it has none.
unsigned char UnicodeToCp437(char32_t character);
// CharToOemA of one character: code page 1252 to code page 437, '?' for a
// character that code page 437 lacks.
unsigned char AnsiToOem(unsigned char character);
// CharToOemA: the NUL-ended `source` converted byte by byte into
// `destination` (which may be the same buffer); false when either is null.
bool CharToOem(const char* source, char* destination);

// OemKeyScan: low word the scan code, high word the shift state (1 SHIFT,
// 2 CTRL, 4 ALT) of a code page 437 character; 0xFFFFFFFF when no key gives it.
std::uint32_t OemKeyScan(std::uint16_t oemCharacter);

} // namespace orvanel::uslayout
