// The one keymap of the Wayland backend's virtual keyboard. The client
// chooses the keymap there, so every character the key scripts can type has
// a key of its own from the start: the printable ASCII characters and every
// code page 1252 character, letters with their capitals on two levels of one
// key, and the named keys and modifiers. Nothing is ever rebound, so a window
// that reads its keys late still gets the right text, whatever layout the
// user's own keyboard has.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace orvanel::wl {

// Where a keysym sits: an XKB keycode (0: nowhere) and its level (0 or 1,
// where 1 needs Shift).
struct KeyPlace {
    std::uint32_t keycode = 0;
    int level = 0;
};

// The modifier masks of the compiled keymap.
struct ModifierMasks {
    std::uint32_t shift = 0;
    std::uint32_t control = 0;
    std::uint32_t alt = 0;
};

class KeymapPlan {
public:
    KeymapPlan();

    // The place of a keysym.
    KeyPlace Find(std::uint32_t keysym) const;

    // The keymap in the XKB text format, whole: no includes.
    std::string Source() const;

    // How many keycodes it uses.
    std::size_t KeyCount() const { return keys_.size(); }

private:
    struct Key {
        std::uint32_t keycode;
        std::uint32_t syms[2]; // plain and with Shift (0: none)
    };
    void Add(std::uint32_t plain, std::uint32_t shifted = 0);

    std::vector<Key> keys_;
    std::map<std::uint32_t, KeyPlace> places_;
};

// The plan's keymap, ready to upload, once xkbcommon has compiled it, and its
// modifier masks. False, with `error` set, when it does not compile.
bool CompileKeymap(const KeymapPlan& plan, std::string& text, ModifierMasks& masks,
                   std::string& error);

} // namespace orvanel::wl
