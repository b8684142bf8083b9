// The key-name table of the key script language: the names that a brace
// group may hold ({TAB}, {F5 2}, {SLEEP 3}) and what each one does. Names are
// stored in capitals and are all distinct.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace orvanel {

enum class KeyNameKind : std::uint8_t {
    Tap,     // one tap of the virtual key `code`
    NewLine, // a tap of 13 followed by a tap of 10
    Sleep,   // a wait of one second
};

struct KeyNameEntry {
    std::string_view name;
    KeyNameKind kind;
    std::uint8_t code; // the virtual-key code of a Tap entry, 0 otherwise
};

// The length of the longest name in the table.
constexpr std::size_t kLongestKeyName = 14; // NUMPADMULTIPLY, NUMPADSUBTRACT

// The whole table, sorted by name.
std::span<const KeyNameEntry> KeyNameTable();

// The entry whose name equals `key` exactly (the caller has already changed
// "a" to "z" into capitals), or null.
const KeyNameEntry* LookupKeyName(std::string_view key);

} // namespace orvanel
