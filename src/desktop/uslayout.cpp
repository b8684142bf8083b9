#include "desktop/uslayout.h"

#include <array>
#include <cstddef>

namespace orvanel::uslayout {

namespace {

// A character cell that no shift state of a key fills.
constexpr char32_t kNone = 0xF000;

// One key of the character tables: its virtual-key code and the characters it
// gives with no modifier, SHIFT, CTRL and SHIFT+CTRL.
struct KeyChars {
    std::uint8_t vk;
    std::array<char32_t, 4> chars;
};

// The character tables in the order the layout searches them: keys with a
// CTRL character, keys with a SHIFT+CTRL character, plain keys, the keypad.
// The first key and shift state that gives a character is its key.
constexpr KeyChars kWithCtrl[] = {
    {0xDB, {U'[', U'{', 0x1B, kNone}},    {0xDD, {U']', U'}', 0x1D, kNone}},
    {0xDC, {U'\\', U'|', 0x1C, kNone}},   {0xE2, {U'\\', U'|', 0x1C, kNone}},
    {0x08, {U'\b', U'\b', 0x7F, kNone}},  {0x1B, {0x1B, 0x1B, 0x1B, kNone}},
    {0x0D, {U'\r', U'\r', U'\n', kNone}}, {0x20, {U' ', U' ', U' ', kNone}},
    {0x03, {0x03, 0x03, 0x03, kNone}},
};

constexpr KeyChars kWithShiftCtrl[] = {
    {'2', {U'2', U'@', kNone, 0x00}},
    {'6', {U'6', U'^', kNone, 0x1E}},
    {0xBD, {U'-', U'_', kNone, 0x1F}},
};

constexpr KeyChars kPlain[] = {
    {0xC0, {U'`', U'~', kNone, kNone}},   {'1', {U'1', U'!', kNone, kNone}},
    {'3', {U'3', U'#', kNone, kNone}},    {'4', {U'4', U'$', kNone, kNone}},
    {'5', {U'5', U'%', kNone, kNone}},    {'7', {U'7', U'&', kNone, kNone}},
    {'8', {U'8', U'*', kNone, kNone}},    {'9', {U'9', U'(', kNone, kNone}},
    {'0', {U'0', U')', kNone, kNone}},    {0xBB, {U'=', U'+', kNone, kNone}},
    {0xBA, {U';', U':', kNone, kNone}},   {0xDE, {U'\'', U'"', kNone, kNone}},
    {0xBC, {U',', U'<', kNone, kNone}},   {0xBE, {U'.', U'>', kNone, kNone}},
    {0xBF, {U'/', U'?', kNone, kNone}},   {0x6E, {U'.', U'.', kNone, kNone}},
    {0x09, {U'\t', U'\t', kNone, kNone}}, {0x6B, {U'+', U'+', kNone, kNone}},
    {0x6F, {U'/', U'/', kNone, kNone}},   {0x6A, {U'*', U'*', kNone, kNone}},
    {0x6D, {U'-', U'-', kNone, kNone}},
};

// The scan code of each virtual-key code on the main block: index = scan
// code, value = virtual-key code (0: no key).
constexpr std::array<std::uint8_t, 0x80> kScanToVk = {
    0x00, 0x1B, '1',  '2',  '3',  '4',  '5',  '6',  '7',  '8',  '9',  '0',  0xBD, 0xBB, 0x08, 0x09,
    'Q',  'W',  'E',  'R',  'T',  'Y',  'U',  'I',  'O',  'P',  0xDB, 0xDD, 0x0D, 0xA2, 'A',  'S',
    'D',  'F',  'G',  'H',  'J',  'K',  'L',  0xBA, 0xDE, 0xC0, 0xA0, 0xDC, 'Z',  'X',  'C',  'V',
    'B',  'N',  'M',  0xBC, 0xBE, 0xBF, 0xA1, 0x6A, 0xA4, 0x20, 0x14, 0x70, 0x71, 0x72, 0x73, 0x74,
    0x75, 0x76, 0x77, 0x78, 0x79, 0x90, 0x91, 0x24, 0x26, 0x21, 0x6D, 0x25, 0x0C, 0x27, 0x6B, 0x23,
    0x28, 0x22, 0x2D, 0x2E, 0x2C, 0x00, 0xE2, 0x7A, 0x7B, 0x0C, 0xEE, 0xF1, 0xEA, 0xF9, 0xF5, 0xF3,
    0x00, 0x00, 0xFB, 0x2F, 0x7C, 0x7D, 0x7E, 0x7F, 0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0xED,
    0x00, 0xE9, 0x00, 0xC1, 0x00, 0x00, 0x87, 0x00, 0x00, 0x00, 0x00, 0xEB, 0x09, 0x00, 0xC2, 0xEC,
};

// Keys sent with the 0xE0 prefix, and the one key sent with 0xE1 (PAUSE).
struct ScanVk {
    std::uint8_t scan;
    std::uint8_t vk;
};
constexpr ScanVk kExtended[] = {
    {0x10, 0xB1}, {0x19, 0xB0}, {0x1D, 0xA3}, {0x20, 0xAD}, {0x21, 0xB7}, {0x22, 0xB3},
    {0x24, 0xB2}, {0x2E, 0xAE}, {0x30, 0xAF}, {0x32, 0xAC}, {0x35, 0x6F}, {0x37, 0x2C},
    {0x38, 0xA5}, {0x46, 0x03}, {0x47, 0x24}, {0x48, 0x26}, {0x49, 0x21}, {0x4B, 0x25},
    {0x4D, 0x27}, {0x4F, 0x23}, {0x50, 0x28}, {0x51, 0x22}, {0x52, 0x2D}, {0x53, 0x2E},
    {0x5B, 0x5B}, {0x5C, 0x5C}, {0x5D, 0x5D}, {0x5F, 0x5F}, {0x65, 0xAA}, {0x66, 0xAB},
    {0x67, 0xA8}, {0x68, 0xA9}, {0x69, 0xA7}, {0x6A, 0xA6}, {0x6B, 0xB6}, {0x6C, 0xB4},
    {0x6D, 0xB5}, {0x1C, 0x0D},
};
constexpr ScanVk kPause = {0x1D, 0x13};

// The keypad digits and decimal point, from scan code 0x47 on (0: a key
// that is not a digit: minus and plus).
constexpr std::array<std::uint8_t, 13> kNumpad = {0x67, 0x68, 0x69, 0x00, 0x64, 0x65, 0x66,
                                                  0x00, 0x61, 0x62, 0x63, 0x60, 0x6E};
constexpr std::uint32_t kNumpadFirstScan = 0x47;

// Code page 437 from 0x80 to 0xFF.
constexpr std::array<char32_t, 128> kCp437High = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

template <std::size_t N> int Find(const KeyChars (&table)[N], char32_t character) {
    for (const KeyChars& key : table) {
        for (int shift = 0; shift < 4; ++shift) {
            if (key.chars[static_cast<std::size_t>(shift)] == character) {
                return (shift << 8) | key.vk;
            }
        }
    }
    return -1;
}

std::uint32_t VkToScan(std::uint32_t vk) {
    // The generic modifiers answer as their left-hand keys.
    switch (vk) {
    case 0x10:
        vk = 0xA0;
        break;
    case 0x11:
        vk = 0xA2;
        break;
    case 0x12:
        vk = 0xA4;
        break;
    default:
        break;
    }
    if (vk == 0 || vk > 0xFE) {
        return 0;
    }
    for (std::uint32_t scan = 1; scan < kScanToVk.size(); ++scan) {
        if (kScanToVk[scan] == vk) {
            return scan;
        }
    }
    for (const ScanVk& key : kExtended) {
        if (key.vk == vk) {
            return key.scan;
        }
    }
    if (kPause.vk == vk) {
        return kPause.scan;
    }
    for (std::size_t i = 0; i < kNumpad.size(); ++i) {
        if (kNumpad[i] != 0 && kNumpad[i] == vk) {
            return kNumpadFirstScan + static_cast<std::uint32_t>(i);
        }
    }
    return 0;
}

std::uint32_t ScanToVk(std::uint32_t scan, bool leftRight) {
    if (scan == 0 || scan >= kScanToVk.size()) {
        return 0;
    }
    std::uint32_t vk = kScanToVk[scan];
    if (!leftRight) {
        switch (vk) {
        case 0xA0:
        case 0xA1:
            return 0x10;
        case 0xA2:
        case 0xA3:
            return 0x11;
        case 0xA4:
        case 0xA5:
            return 0x12;
        default:
            break;
        }
    }
    return vk;
}

std::uint32_t VkToChar(std::uint32_t vk) {
    if (vk >= 'A' && vk <= 'Z') {
        return vk;
    }
    if (vk >= 0x60 && vk <= 0x69) {
        return '0' + (vk - 0x60);
    }
    auto base = [vk](const auto& table) -> std::uint32_t {
        for (const KeyChars& key : table) {
            if (key.vk == vk) {
                return static_cast<std::uint32_t>(key.chars[0]);
            }
        }
        return 0;
    };
    if (std::uint32_t c = base(kWithCtrl)) {
        return c;
    }
    if (std::uint32_t c = base(kWithShiftCtrl)) {
        return c;
    }
    return base(kPlain);
}

} // namespace

std::int16_t VkKeyScanW(char32_t character) {
    int answer = Find(kWithCtrl, character);
    if (answer < 0) {
        answer = Find(kWithShiftCtrl, character);
    }
    if (answer < 0) {
        answer = Find(kPlain, character);
    }
    if (answer < 0 && character >= U'a' && character <= U'z') {
        answer = static_cast<int>(character - U'a' + U'A');
    }
    if (answer < 0 && character >= U'A' && character <= U'Z') {
        answer = (kShiftBit << 8) | static_cast<int>(character);
    }
    // The remaining control characters are CTRL with the letter.
    if (answer < 0 && character >= 0x01 && character <= 0x1A) {
        answer = (kCtrlBit << 8) | static_cast<int>(character - 1 + U'A');
    }
    return static_cast<std::int16_t>(answer);
}

std::int16_t VkKeyScanA(unsigned char character) {
    return VkKeyScanW(Cp1252ToUnicode(character));
}

std::uint32_t MapVirtualKey(std::uint32_t code, std::uint32_t mapType) {
    switch (mapType) {
    case 0:
        return VkToScan(code);
    case 1:
        return ScanToVk(code, false);
    case 2:
        return VkToChar(code);
    case 3:
        return ScanToVk(code, true);
    default:
        return 0;
    }
}

char32_t Cp437ToUnicode(unsigned char character) {
    if (character >= 0x80) {
        return kCp437High[character - 0x80];
    }
    return character;
}

unsigned char UnicodeToCp437(char32_t character) {
    if (character < 0x80) {
        return static_cast<unsigned char>(character);
    }
    for (std::size_t i = 0; i < kCp437High.size(); ++i) {
        if (kCp437High[i] == character) {
            return static_cast<unsigned char>(0x80 + i);
        }
    }
    return '?';
}

unsigned char AnsiToOem(unsigned char character) {
    return UnicodeToCp437(Cp1252ToUnicode(character));
}

bool CharToOem(const char* source, char* destination) {
    if (source == nullptr || destination == nullptr) {
        return false;
    }
    std::size_t i = 0;
    for (; source[i] != '\0'; ++i) {
        destination[i] = static_cast<char>(AnsiToOem(static_cast<unsigned char>(source[i])));
    }
    destination[i] = '\0';
    return true;
}

std::uint32_t OemKeyScan(std::uint16_t oemCharacter) {
    const std::int16_t key =
        VkKeyScanW(Cp437ToUnicode(static_cast<unsigned char>(oemCharacter & 0xFF)));
    if (key == -1) {
        return 0xFFFFFFFF;
    }
    const auto answer = static_cast<std::uint16_t>(key);
    const std::uint32_t scan = VkToScan(answer & 0xFFu);
    if (scan == 0) {
        return 0xFFFFFFFF;
    }
    return (static_cast<std::uint32_t>(answer >> 8) << 16) | scan;
}

} // namespace orvanel::uslayout
