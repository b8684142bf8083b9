// Characters and X keysyms: the keysym that stands for a Unicode character,
// and back. Latin-1 characters have keysyms of the same number, every other
// character the Unicode keysym 0x01000000 + code point; a few characters
// that code page 1252 holds also have an older keysym of their own (the euro
// sign, the typographic quotes, the dashes, ...), which keyboard layouts use.
#pragma once

#include <cstdint>

namespace orvanel::keysyms {

struct LegacyKeysym {
    std::uint32_t keysym;
    char32_t character;
};

inline constexpr LegacyKeysym kLegacyKeysyms[] = {
    {0x20AC, 0x20AC}, // EuroSign
    {0x0AFD, 0x201A}, // singlelowquotemark
    {0x08F6, 0x0192}, // function
    {0x0AFE, 0x201E}, // doublelowquotemark
    {0x0AAE, 0x2026}, // ellipsis
    {0x0AF1, 0x2020}, // dagger
    {0x0AF2, 0x2021}, // doubledagger
    {0x0AD5, 0x2030}, // permille
    {0x01A9, 0x0160}, // Scaron
    {0x13BC, 0x0152}, // OE
    {0x01AE, 0x017D}, // Zcaron
    {0x0AD0, 0x2018}, // leftsinglequotemark
    {0x0AD1, 0x2019}, // rightsinglequotemark
    {0x0AD2, 0x201C}, // leftdoublequotemark
    {0x0AD3, 0x201D}, // rightdoublequotemark
    {0x0AE6, 0x2022}, // enfilledcircbullet
    {0x0AAA, 0x2013}, // endash
    {0x0AA9, 0x2014}, // emdash
    {0x0AC9, 0x2122}, // trademark
    {0x01B9, 0x0161}, // scaron
    {0x13BD, 0x0153}, // oe
    {0x01BE, 0x017E}, // zcaron
    {0x13BE, 0x0178}, // Ydiaeresis
};

// The keysyms that can stand for a character, the one layouts use most
// first; unused places are 0.
struct KeysymChoices {
    std::uint32_t keysym[2] = {0, 0};
};

inline constexpr KeysymChoices KeysymsForCharacter(char32_t c) {
    KeysymChoices choices;
    if ((c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF)) {
        choices.keysym[0] = c;
        return choices;
    }
    for (const LegacyKeysym& legacy : kLegacyKeysyms) {
        if (legacy.character == c) {
            choices.keysym[0] = legacy.keysym;
            choices.keysym[1] = 0x01000000u | c;
            return choices;
        }
    }
    if (c >= 0x100 && c <= 0x10FFFF) {
        choices.keysym[0] = 0x01000000u | c;
    }
    return choices;
}

// The character a keysym types, 0 for keysyms that type none (function
// keys, modifiers, dead keys) or that this table does not know.
inline constexpr char32_t CharacterForKeysym(std::uint32_t keysym) {
    if ((keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF)) {
        return keysym;
    }
    if ((keysym & 0xFF000000u) == 0x01000000u) {
        return keysym & 0x00FFFFFFu;
    }
    for (const LegacyKeysym& legacy : kLegacyKeysyms) {
        if (legacy.keysym == keysym) {
            return legacy.character;
        }
    }
    return 0;
}

} // namespace orvanel::keysyms
