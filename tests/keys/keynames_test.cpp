// The key-name table: every name, in any case, does what it names.
#include <map>
#include <string>

#include "keys/keynames.h"
#include "keys/keyscript.h"
#include "keytest.h"

namespace orvanel {
namespace {

using namespace keytest;

// Every name of the table with its virtual-key code; NEWLINE, NL and SLEEP
// are checked on their own.
const std::map<std::string, int>& TapNames() {
    static const std::map<std::string, int> names = [] {
        std::map<std::string, int> n = {
            {"BACKSPACE", 8},
            {"BS", 8},
            {"BKSP", 8},
            {"BELL", 7},
            {"BREAK", 3},
            {"CAPSLOCK", 20},
            {"CAPS", 20},
            {"DELETE", 46},
            {"DEL", 46},
            {"DOWN", 40},
            {"END", 35},
            {"ENTER", 13},
            {"RETURN", 13},
            {"ESCAPE", 27},
            {"ESC", 27},
            {"FORMFEED", 12},
            {"FF", 12},
            {"HELP", 47},
            {"HOME", 36},
            {"INSERT", 45},
            {"INS", 45},
            {"LEFT", 37},
            {"LINEFEED", 10},
            {"LF", 10},
            {"NUMLOCK", 144},
            {"PGDN", 34},
            {"PAGEDOWN", 34},
            {"NEXT", 34},
            {"PGUP", 33},
            {"PAGEUP", 33},
            {"PRIOR", 33},
            {"PRINTSCREEN", 42},
            {"PRTSC", 42},
            {"RIGHT", 39},
            {"SCROLLLOCK", 145},
            {"SCRLK", 145},
            {"TAB", 9},
            {"UP", 38},
            {"NUMPADMULTIPLY", 106},
            {"NUMPAD*", 106},
            {"NUMPADADD", 107},
            {"NUMPAD+", 107},
            {"NUMPADSUBTRACT", 109},
            {"NUMPAD-", 109},
            {"NUMPADDECIMAL", 110},
            {"NUMPAD.", 110},
            {"NUMPADDIVIDE", 111},
            {"NUMPAD/", 111},
        };
        for (int f = 1; f <= 24; ++f) {
            n["F" + std::to_string(f)] = 111 + f;
        }
        for (int d = 0; d <= 9; ++d) {
            n["NUMPAD" + std::to_string(d)] = 96 + d;
        }
        return n;
    }();
    return names;
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

class KeyNamesTest : public KeysTest {};

TEST_F(KeyNamesTest, TableHoldsExactlyTheKnownNames) {
    std::map<std::string, int> table;
    for (const KeyNameEntry& entry : KeyNameTable()) {
        EXPECT_TRUE(table.emplace(std::string(entry.name), entry.code).second) << entry.name;
    }
    EXPECT_EQ(table.size(), TapNames().size() + 3);
    for (const auto& [name, code] : TapNames()) {
        const KeyNameEntry* entry = LookupKeyName(name);
        ASSERT_NE(entry, nullptr) << name;
        EXPECT_EQ(entry->kind, KeyNameKind::Tap) << name;
        EXPECT_EQ(entry->code, code) << name;
    }
    ASSERT_NE(LookupKeyName("NEWLINE"), nullptr);
    EXPECT_EQ(LookupKeyName("NEWLINE")->kind, KeyNameKind::NewLine);
    ASSERT_NE(LookupKeyName("NL"), nullptr);
    EXPECT_EQ(LookupKeyName("NL")->kind, KeyNameKind::NewLine);
    ASSERT_NE(LookupKeyName("SLEEP"), nullptr);
    EXPECT_EQ(LookupKeyName("SLEEP")->kind, KeyNameKind::Sleep);
    EXPECT_EQ(LookupKeyName("tab"), nullptr) << "the lookup key is already in capitals";
    EXPECT_EQ(LookupKeyName(""), nullptr);
    EXPECT_EQ(LookupKeyName("F25"), nullptr);
}

TEST_F(KeyNamesTest, EveryNameTapsItsKeyInAnyCase) {
    for (const auto& [name, code] : TapNames()) {
        for (const std::string& written : {name, Lower(name)}) {
            PlayStep(out, "{" + written + "}");
            EXPECT_EQ(Take(), V(code)) << written;
            PlayStep(out, "{" + written + " 2}");
            EXPECT_EQ(Take(), V(code) + V(code)) << written;
        }
    }
}

TEST_F(KeyNamesTest, ScanCodesOfSomeNamedKeys) {
    // Low byte of the layout's scan code; no extended-key flag anywhere.
    const Case cases[] = {
        {"{F1}", "down 112 59\nup 112 59\n"},      {"{F24}", "down 135 118\nup 135 118\n"},
        {"{NUMPAD0}", "down 96 82\nup 96 82\n"},   {"{NUMPAD9}", "down 105 73\nup 105 73\n"},
        {"{NUMPAD/}", "down 111 53\nup 111 53\n"}, {"{HOME}", "down 36 71\nup 36 71\n"},
        {"{CAPSLOCK}", "down 20 58\nup 20 58\n"},
    };
    for (const Case& c : cases) {
        PlayStep(out, c.input);
        EXPECT_EQ(Take(), c.expected) << c.input;
    }
}

TEST_F(KeyNamesTest, NewlineAndSleepInAnyCase) {
    const Case cases[] = {
        {"{NEWLINE}", V(13) + V(10)}, {"{newline}", V(13) + V(10)},
        {"{NL}", V(13) + V(10)},      {"{Nl 3}", Times(3, V(13) + V(10))},
        {"{SLEEP}", Sleep(1000)},     {"{Sleep 3}", Sleep(3000)},
    };
    for (const Case& c : cases) {
        PlayStep(out, c.input);
        EXPECT_EQ(Take(), c.expected) << c.input;
    }
}

} // namespace
} // namespace orvanel
