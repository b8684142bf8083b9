// The user's keyboard layout, read with xkbcommon from the keymap the
// compositor hands every client: which key types each keysym in the active
// layout, and whether Shift or AltGr (the third level) must be held for it.
// Fake keys go through the compositor's own keymap, so a character the layout
// has no key for cannot be typed at all; nothing is remapped.
//
// Locks are not looked at: caps lock and num lock act on the keys sent as
// they do on the user's own keys, as on Windows.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct xkb_context;
struct xkb_keymap;

namespace orvanel::kde {

// A key to press and the modifiers to hold with it. keycode is an XKB
// keycode (the evdev code + 8); 0 means the layout has no key for it.
struct Stroke {
    std::uint32_t keycode = 0;
    bool shift = false;
    bool level3 = false; // AltGr

    friend bool operator==(const Stroke&, const Stroke&) = default;
};

class LayoutKeys {
public:
    LayoutKeys();
    ~LayoutKeys();
    LayoutKeys(const LayoutKeys&) = delete;
    LayoutKeys& operator=(const LayoutKeys&) = delete;

    // Reads a keymap in the XKB text format; false, with `error` set and the
    // old keymap kept, when xkbcommon cannot read it.
    bool Load(const std::string& keymapText, std::string& error);
    // Builds the keymap of a layout by its XKB names ("de", variant "" or
    // "nodeadkeys"); false with `error` set when it cannot be built.
    bool LoadNames(const std::string& layout, const std::string& variant, std::string& error);
    bool Loaded() const { return keymap_ != nullptr; }

    // Chooses the active layout of a keymap with several (from 0); a number
    // out of range means the first.
    void SetLayout(std::uint32_t index);
    // The name of the active layout ("German"), empty when none is loaded.
    std::string LayoutName() const;

    // The key that types `keysym` in the active layout. A character may need
    // Shift and AltGr, and the stroke with the Shift state the script holds
    // (`shiftDown`) comes first; a named key is taken without AltGr.
    Stroke Find(std::uint32_t keysym, bool character, bool shiftDown) const;

    // The keycode of a modifier or lock keysym (Shift_L, Control_L, Alt_L,
    // ISO_Level3_Shift, Caps_Lock) on its first level; 0 when there is none.
    std::uint32_t ModifierKey(std::uint32_t keysym) const;
    std::uint32_t ShiftKey() const { return shiftKey_; }
    std::uint32_t Level3Key() const { return level3Key_; }

private:
    struct Place {
        std::uint32_t keycode;
        int combo; // bit 0 Shift, bit 1 AltGr
    };
    bool Adopt(xkb_keymap* keymap, std::string& error);
    void Index();

    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    std::uint32_t layout_ = 0;
    std::uint32_t shiftKey_ = 0;
    std::uint32_t level3Key_ = 0;
    std::unordered_map<std::uint32_t, std::vector<Place>> places_;
};

} // namespace orvanel::kde
