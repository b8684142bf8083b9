// The keyboard answers of the recording desktop: the standard US layout with
// code page 1252 and OEM code page 437.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "desktop/recording/recording.h"
#include "desktop/uslayout.h"

namespace orvanel {
namespace {

std::uint8_t OemOf(RecordingDesktop& desktop, char c) {
    const char text[2] = {c, '\0'};
    char oem[2] = {};
    desktop.CharToOemA(text, oem);
    return static_cast<std::uint8_t>(oem[0]);
}

// One row of the US keyboard: the characters without and with SHIFT, and the
// virtual-key and scan code of each key.
struct KeyRow {
    std::string plain;
    std::string shifted;
    std::vector<int> vks;
    std::vector<int> scans;
};

const std::vector<KeyRow>& UsRows() {
    static const std::vector<KeyRow> rows = {
        {"`1234567890-=",
         "~!@#$%^&*()_+",
         {0xC0, '1', '2', '3', '4', '5', '6', '7', '8', '9', '0', 0xBD, 0xBB},
         {0x29, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}},
        {"qwertyuiop[]\\",
         "QWERTYUIOP{}|",
         {'Q', 'W', 'E', 'R', 'T', 'Y', 'U', 'I', 'O', 'P', 0xDB, 0xDD, 0xDC},
         {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 43}},
        {"asdfghjkl;'",
         "ASDFGHJKL:\"",
         {'A', 'S', 'D', 'F', 'G', 'H', 'J', 'K', 'L', 0xBA, 0xDE},
         {30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40}},
        {"zxcvbnm,./",
         "ZXCVBNM<>?",
         {'Z', 'X', 'C', 'V', 'B', 'N', 'M', 0xBC, 0xBE, 0xBF},
         {44, 45, 46, 47, 48, 49, 50, 51, 52, 53}},
    };
    return rows;
}

TEST(UsLayout, EveryPrintableAsciiCharacter) {
    RecordingDesktop desktop;
    std::set<char> seen;
    auto check = [&](char c, int vk, int scan, int shift) {
        SCOPED_TRACE(std::string("character ") + c);
        seen.insert(c);
        EXPECT_EQ(desktop.VkKeyScanA(c), (shift << 8) | vk);
        const std::uint8_t oem = OemOf(desktop, c);
        EXPECT_EQ(oem, static_cast<std::uint8_t>(c)); // ASCII is the same in both code pages
        EXPECT_EQ(desktop.OemKeyScan(oem),
                  (static_cast<std::uint32_t>(shift) << 16) | static_cast<std::uint32_t>(scan));
    };
    for (const KeyRow& row : UsRows()) {
        ASSERT_EQ(row.plain.size(), row.vks.size());
        ASSERT_EQ(row.shifted.size(), row.vks.size());
        ASSERT_EQ(row.scans.size(), row.vks.size());
        for (std::size_t i = 0; i < row.vks.size(); ++i) {
            check(row.plain[i], row.vks[i], row.scans[i], 0);
            check(row.shifted[i], row.vks[i], row.scans[i], 1);
        }
    }
    check(' ', 0x20, 57, 0);
    EXPECT_EQ(seen.size(), 95u); // all of 32 to 126
}

TEST(UsLayout, ControlCharacters) {
    struct Case {
        int character;
        int vkScan;
        std::uint32_t oemScan;
    };
    const Case cases[] = {
        {'\t', 0x009, 15},      {'\r', 0x00D, 28},      {'\n', 0x20D, 0x2001C},
        {'\b', 0x008, 14},      {0x1B, 0x2DB, 0x2001A}, {0x1C, 0x2DC, 0x2002B},
        {0x1D, 0x2DD, 0x2001B}, {0x1E, 0x336, 0x30007}, {0x1F, 0x3BD, 0x3000C},
        {0x01, 0x241, 0x2001E}, {0x1A, 0x25A, 0x2002C}, {0x03, 0x003, 70},
        {0x7F, 0x208, 0x2000E},
    };
    RecordingDesktop desktop;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.character);
        EXPECT_EQ(desktop.VkKeyScanA(static_cast<char>(c.character)),
                  static_cast<std::int16_t>(c.vkScan));
        EXPECT_EQ(desktop.OemKeyScan(OemOf(desktop, static_cast<char>(c.character))), c.oemScan);
    }
}

TEST(UsLayout, Cp1252CharactersWithoutKey) {
    struct Case {
        unsigned char ansi;
        unsigned char oem;
    };
    const Case cases[] = {
        {0xE9, 0x82}, // é
        {0xFC, 0x81}, // ü
        {0xDF, 0xE1}, // ß
        {0xE4, 0x84}, // ä
        {0xF6, 0x94}, // ö
        {0xC4, 0x8E}, // Ä
        {0xD6, 0x99}, // Ö
        {0xDC, 0x9A}, // Ü
        {0xC7, 0x80}, // Ç
        {0xF1, 0xA4}, // ñ
        {0xA3, 0x9C}, // £
        {0xB0, 0xF8}, // °
        {0xA0, 0xFF}, // no-break space
        {0x83, 0x9F}, // ƒ
        {0x80, '?'},  // € is not in code page 437
        {0x8A, '?'},  // Š
        {0xC0, '?'},  // À
        {0x81, '?'},  // a byte code page 1252 leaves unassigned
    };
    RecordingDesktop desktop;
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.ansi));
        EXPECT_EQ(desktop.VkKeyScanA(static_cast<char>(c.ansi)), -1);
        const std::uint8_t oem = OemOf(desktop, static_cast<char>(c.ansi));
        EXPECT_EQ(oem, c.oem);
        // "?" is SHIFT with the slash key; no letter of the upper half has a key.
        EXPECT_EQ(desktop.OemKeyScan(oem), oem == '?' ? 0x10035u : 0xFFFFFFFFu);
    }
}

TEST(UsLayout, NoUpperHalfCharacterHasAKey) {
    RecordingDesktop desktop;
    for (int c = 0x80; c <= 0xFF; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(desktop.VkKeyScanA(static_cast<char>(c)), -1);
        EXPECT_EQ(desktop.OemKeyScan(static_cast<std::uint16_t>(c)), 0xFFFFFFFFu);
        // A converted character is the same character in code page 437, or "?".
        const std::uint8_t oem = uslayout::AnsiToOem(static_cast<unsigned char>(c));
        if (oem != '?') {
            EXPECT_GE(oem, 0x80);
            EXPECT_EQ(uslayout::Cp437ToUnicode(oem),
                      uslayout::Cp1252ToUnicode(static_cast<unsigned char>(c)));
        }
    }
}

TEST(UsLayout, CharToOemConvertsAWholeTextInPlace) {
    RecordingDesktop desktop;
    char text[] = "a\xE9\xFC\xDF\x80z";
    EXPECT_TRUE(desktop.CharToOemA(text, text));
    EXPECT_EQ(std::string(text), "a\x82\x81\xE1?z");
}

// The scan codes of every virtual key that a key script can name, and of the
// three modifiers.
TEST(UsLayout, ScanCodesOfTheNamedKeys) {
    const std::vector<std::pair<int, int>> cases = {
        {8, 14},   // BACKSPACE
        {7, 0},    // BELL: no key
        {3, 70},   // BREAK
        {20, 58},  // CAPSLOCK
        {46, 83},  // DELETE
        {40, 80},  // DOWN
        {35, 79},  // END
        {13, 28},  // ENTER
        {27, 1},   // ESC
        {12, 76},  // CLEAR
        {47, 99},  // HELP
        {36, 71},  // HOME
        {45, 82},  // INSERT
        {37, 75},  // LEFT
        {10, 0},   // line feed: no key
        {144, 69}, // NUMLOCK
        {34, 81},  // PGDN
        {33, 73},  // PGUP
        {42, 0},   // PRINT: no key
        {39, 77},  // RIGHT
        {145, 70}, // SCROLLLOCK
        {9, 15},   // TAB
        {38, 72},  // UP
        {112, 59},  {113, 60},  {114, 61},  {115, 62},  {116, 63},  {117, 64},  {118, 65},
        {119, 66},  {120, 67},  {121, 68},  {122, 87},  {123, 88},  {124, 100}, {125, 101},
        {126, 102}, {127, 103}, {128, 104}, {129, 105}, {130, 106}, {131, 107}, {132, 108},
        {133, 109}, {134, 110}, {135, 118}, {96, 82},   {97, 79},   {98, 80},   {99, 81},
        {100, 75},  {101, 76},  {102, 77},  {103, 71},  {104, 72},  {105, 73}, // NUMPAD0 to NUMPAD9
        {106, 55},                                                             // MULTIPLY
        {107, 78},                                                             // ADD
        {109, 74},                                                             // SUBTRACT
        {110, 83},                                                             // DECIMAL
        {111, 53},                                                             // DIVIDE
        {16, 42},                                                              // SHIFT
        {17, 29},                                                              // CTRL
        {18, 56},                                                              // ALT
        {0, 0},     {255, 0},   {0x1FF, 0},
    };
    RecordingDesktop desktop;
    for (const auto& [vk, scan] : cases) {
        SCOPED_TRACE(vk);
        EXPECT_EQ(desktop.MapVirtualKeyA(static_cast<std::uint32_t>(vk), kMapVkToVsc),
                  static_cast<std::uint32_t>(scan));
    }
}

TEST(UsLayout, OtherMapTypes) {
    struct Case {
        std::uint32_t code;
        std::uint32_t type;
        std::uint32_t answer;
    };
    const Case cases[] = {
        {30, 1, 'A'},  {42, 1, 16},   {54, 1, 16},    {29, 1, 17},   {56, 1, 18},    {42, 3, 0xA0},
        {54, 3, 0xA1}, {'A', 2, 'A'}, {0xBA, 2, ';'}, {13, 2, '\r'}, {0x61, 2, '1'}, {'A', 9, 0},
    };
    RecordingDesktop desktop;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.code) + " " + std::to_string(c.type));
        EXPECT_EQ(desktop.MapVirtualKeyA(c.code, c.type), c.answer);
    }
}

} // namespace
} // namespace orvanel
