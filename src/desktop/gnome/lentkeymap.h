// The keyboard layout that Orvanel lends the GNOME session while it types.
//
// GNOME Shell types a keysym only when the session's current layout has a
// key for it; a character the layout lacks (é on a US layout, every Latin
// letter on a Russian one) is dropped. So while Orvanel types, the session's
// keyboard map is "us,orvanel" with the second group locked: that group,
// written by Orvanel into the user's XKB folder (~/.config/xkb/symbols/
// orvanel), holds the printable ASCII characters on the keys where the US
// layout has them and every other code page 1252 character, and any named
// key the US layout lacks, on keys of their own, small letters with their
// capitals on two levels of one key. Keys it does not define (the modifiers,
// the function, editing and keypad keys) keep what the US group gives them.
// Every key has at most two levels, so the shell never needs more than Shift
// to reach one, and none reacts to caps lock.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

struct xkb_keymap;

namespace orvanel::gnome {

// The layouts of the lent keyboard map, and the group that is locked.
inline constexpr const char* kLentLayouts = "us,orvanel";
inline constexpr std::uint32_t kLentGroup = 1;
// The layout's file name in an XKB "symbols" folder.
inline constexpr const char* kLentSymbolsName = "orvanel";

// Where GNOME Shell finds a keysym in group `layout` of a keymap: on the
// lowest keycode that has it, at the lowest level (keycode 0: nowhere).
struct KeyPick {
    std::uint32_t keycode = 0;
    std::uint32_t level = 0;
};
KeyPick PickKey(xkb_keymap* keymap, std::uint32_t layout, std::uint32_t keysym);

class LentKeymap {
public:
    // Plans the layout against the US layout of the system's XKB data. On
    // failure (no XKB data) the plan is empty and `Error` says why.
    LentKeymap();

    const std::string& Error() const { return error_; }

    // The level (0, or 1 with Shift) of a character's keysym in the lent
    // group; -1 when the group has no key of its own for it.
    int Level(std::uint32_t keysym) const;

    // The XKB symbols file of the layout.
    std::string Symbols() const;

    // How many keys the layout defines.
    std::size_t KeyCount() const { return keys_.size(); }

private:
    struct Key {
        std::string name; // the XKB key name, without the angle brackets
        std::uint32_t syms[2];
    };
    void Add(const std::string& name, std::uint32_t plain, std::uint32_t shifted);

    std::vector<Key> keys_;
    std::map<std::uint32_t, int> levels_;
    std::string error_;
};

// The symbols folder of the user's XKB data: $XDG_CONFIG_HOME/xkb/symbols,
// else ~/.config/xkb/symbols. Empty when neither variable is set.
std::filesystem::path UserSymbolsFolder();

// Writes the layout into `folder` unless a file with the same text is there
// already. Returns an empty text on success, else the reason.
std::string InstallSymbols(const LentKeymap& keymap, const std::filesystem::path& folder);

} // namespace orvanel::gnome
