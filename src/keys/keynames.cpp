#include "keys/keynames.h"

#include <algorithm>
#include <array>

namespace orvanel {
namespace {

constexpr KeyNameEntry Tap(std::string_view name, std::uint8_t code) {
    return {name, KeyNameKind::Tap, code};
}

// The names in the order a user reads them; sorted below for the lookup.
constexpr std::array kNames = {
    Tap("BACKSPACE", 8),
    Tap("BS", 8),
    Tap("BKSP", 8),
    Tap("BELL", 7), // a code that no key has
    Tap("BREAK", 3),
    Tap("CAPSLOCK", 20),
    Tap("CAPS", 20),
    Tap("DELETE", 46),
    Tap("DEL", 46),
    Tap("DOWN", 40),
    Tap("END", 35),
    Tap("ENTER", 13),
    Tap("RETURN", 13),
    Tap("ESCAPE", 27),
    Tap("ESC", 27),
    Tap("FORMFEED", 12), // clear
    Tap("FF", 12),
    Tap("HELP", 47),
    Tap("HOME", 36),
    Tap("INSERT", 45),
    Tap("INS", 45),
    Tap("LEFT", 37),
    Tap("LINEFEED", 10), // a code that no key has
    Tap("LF", 10),
    KeyNameEntry{"NEWLINE", KeyNameKind::NewLine, 0},
    KeyNameEntry{"NL", KeyNameKind::NewLine, 0},
    Tap("NUMLOCK", 144),
    Tap("PGDN", 34),
    Tap("PAGEDOWN", 34),
    Tap("NEXT", 34),
    Tap("PGUP", 33),
    Tap("PAGEUP", 33),
    Tap("PRIOR", 33),
    Tap("PRINTSCREEN", 42), // the print key, not the snapshot key (44)
    Tap("PRTSC", 42),
    Tap("RIGHT", 39),
    Tap("SCROLLLOCK", 145),
    Tap("SCRLK", 145),
    Tap("TAB", 9),
    Tap("UP", 38),
    KeyNameEntry{"SLEEP", KeyNameKind::Sleep, 0},
    Tap("F1", 112),
    Tap("F2", 113),
    Tap("F3", 114),
    Tap("F4", 115),
    Tap("F5", 116),
    Tap("F6", 117),
    Tap("F7", 118),
    Tap("F8", 119),
    Tap("F9", 120),
    Tap("F10", 121),
    Tap("F11", 122),
    Tap("F12", 123),
    Tap("F13", 124),
    Tap("F14", 125),
    Tap("F15", 126),
    Tap("F16", 127),
    Tap("F17", 128),
    Tap("F18", 129),
    Tap("F19", 130),
    Tap("F20", 131),
    Tap("F21", 132),
    Tap("F22", 133),
    Tap("F23", 134),
    Tap("F24", 135),
    Tap("NUMPAD0", 96),
    Tap("NUMPAD1", 97),
    Tap("NUMPAD2", 98),
    Tap("NUMPAD3", 99),
    Tap("NUMPAD4", 100),
    Tap("NUMPAD5", 101),
    Tap("NUMPAD6", 102),
    Tap("NUMPAD7", 103),
    Tap("NUMPAD8", 104),
    Tap("NUMPAD9", 105),
    Tap("NUMPADMULTIPLY", 106),
    Tap("NUMPAD*", 106),
    Tap("NUMPADADD", 107),
    Tap("NUMPAD+", 107),
    Tap("NUMPADSUBTRACT", 109),
    Tap("NUMPAD-", 109),
    Tap("NUMPADDECIMAL", 110),
    Tap("NUMPAD.", 110),
    Tap("NUMPADDIVIDE", 111),
    Tap("NUMPAD/", 111),
};

constexpr auto kSorted = [] {
    auto table = kNames;
    std::ranges::sort(table, {}, &KeyNameEntry::name);
    return table;
}();

static_assert(std::ranges::adjacent_find(kSorted, {}, &KeyNameEntry::name) == kSorted.end(),
              "every key name is distinct");

static_assert(std::ranges::max(kSorted, {}, [](const KeyNameEntry& e) {
                  return e.name.size();
              }).name.size() == kLongestKeyName);

} // namespace

std::span<const KeyNameEntry> KeyNameTable() {
    return kSorted;
}

const KeyNameEntry* LookupKeyName(std::string_view key) {
    const auto* found = std::ranges::lower_bound(kSorted, key, {}, &KeyNameEntry::name);
    if (found != kSorted.end() && found->name == key) {
        return found;
    }
    return nullptr;
}

} // namespace orvanel
