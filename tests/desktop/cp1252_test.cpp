// Code page 1252: single characters, and UTF-8 texts both ways.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "desktop/cp1252.h"

namespace orvanel {
namespace {

TEST(Cp1252, Utf8ToCp1252) {
    const struct {
        std::string utf8;
        std::string cp1252;
    } cases[] = {
        {"", ""},
        {"it's {TAB}~", "it's {TAB}~"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
        {"\xC3\xA9", "\xE9"},             // é
        {"\xE2\x82\xAC", "\x80"},         // €
        {"\xC5\xB8", "\x9F"},             // Ÿ
        {"\xE2\x84\xA2", "\x99"},         // ™
        {"\xC2\xA0\xC3\xBF", "\xA0\xFF"}, // no-break space, ÿ
        {"\xC2\x81", "\x81"},             // unassigned in code page 1252
        {"\xC2\x80", "?"},                // a C1 control that it lacks
        {"\xE6\x97\xA5", "?"},            // 日
        {"\xF0\x9F\x98\x80x", "?x"},      // an emoji
        {"\xFF", "?"},                    // not UTF-8
        {"\x80", "?"},                    // a lone continuation byte
        {"\xC3", "?"},                    // cut short at the end
        {"\xE2\x82x", "?x"},              // cut short in the middle
        {"\xC0\xAF", "?"},                // overlong "/"
        {"\xED\xA0\x80", "?"},            // a surrogate
        {"\xF4\x90\x80\x80", "?"},        // past U+10FFFF
        {"caf\xC3\xA9 \xE2\x82\xAC"
         "5",
         "caf\xE9 \x80"
         "5"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToCp1252(c.utf8), c.cp1252) << c.utf8;
    }
}

TEST(Cp1252, EveryByteSurvivesARoundTrip) {
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        EXPECT_EQ(UnicodeToCp1252(Cp1252ToUnicode(byte)), static_cast<char>(byte)) << b;
    }
    // Known code points: a table with two of them swapped would still
    // survive the round trip.
    const std::pair<unsigned char, char32_t> known[] = {
        {0x80, U'\u20AC'}, {0x91, U'\u2018'}, {0x92, U'\u2019'}, {0x9F, U'\u0178'}};
    for (const auto& [byte, character] : known) {
        EXPECT_EQ(Cp1252ToUnicode(byte), character) << int{byte};
    }
    EXPECT_EQ(UnicodeToCp1252(U'\u0080'), '?');
    EXPECT_EQ(UnicodeToCp1252(U'\u0100'), '?');
    EXPECT_EQ(Upper1252(0xE9), 0xC9);
    EXPECT_EQ(Upper1252(0xF7), 0xF7); // the division sign has no capital
    EXPECT_EQ(Upper1252(0xFF), 0x9F);
    EXPECT_TRUE(Undefined1252(0x81) && !Undefined1252(0x80));
}

TEST(Cp1252, Cp1252ToUtf8) {
    const struct {
        std::string cp1252;
        std::string utf8;
    } cases[] = {
        {"", ""},
        {"Untitled - Editor", "Untitled - Editor"},
        {"caf\xE9 \x80", "caf\xC3\xA9 \xE2\x82\xAC"}, // é, €
        {"\x81\xFF", "\xC2\x81\xC3\xBF"},             // unassigned, ÿ
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Cp1252ToUtf8(c.cp1252), c.utf8) << c.cp1252;
        EXPECT_EQ(Utf8ToCp1252(c.utf8), c.cp1252) << c.cp1252;
    }
    std::string wide;
    AppendUtf8(wide, U'\U0001F600');
    EXPECT_EQ(wide, "\xF0\x9F\x98\x80");
}

} // namespace
} // namespace orvanel
