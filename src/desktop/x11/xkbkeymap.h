// The live keyboard map of the X server, read through XKB and read again
// after every layout or keymap change: where each keysym sits (keycode, group,
// level), which keycodes are free to bind, the Shift and AltGr keys, the
// locked modifiers and the group. It chooses the key that types a keysym.
#pragma once

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace orvanel::x11 {

// A key to press, and the Shift and AltGr masks to hold with it.
struct KeyChoice {
    KeyCode keycode = 0;
    unsigned mods = 0;
};

class XkbKeymap {
public:
    explicit XkbKeymap(Display* display) : display_(display) {}

    // Asks the server for the notifications of keymap and lock changes.
    // `eventType` is the XKB event base of the display.
    void Watch(int eventType);

    // Takes in the notifications the server has sent. Then reads the keymap
    // again if it changed, and the lock state if it changed. `ours` holds the
    // spare keycodes the backend has bound, with their keysyms; a keycode that
    // a new layout has taken over is returned, no longer the backend's.
    std::vector<KeyCode> Refresh(const std::map<KeyCode, KeySym>& ours);

    // Reads the keymap and the lock state now (see Refresh); false when the
    // keymap cannot be read.
    bool Reload(const std::map<KeyCode, KeySym>& ours, std::vector<KeyCode>* lost = nullptr);
    bool Loaded() const { return xkb_ != nullptr; }
    void StateChanged() { stateDirty_ = true; }
    void MapChanged() { mapDirty_ = true; }

    // Where the live layout has `keysym`, and which of Shift and AltGr it
    // needs there; a character may use them, a named key is taken at the
    // level the current lock state gives (the script's own modifiers apply on
    // top). It prefers the Shift state the script holds and keys that are not
    // down (`pressCount`).
    std::optional<KeyChoice> Find(KeySym keysym, bool character, bool shiftDown,
                                  const std::array<int, 256>& pressCount) const;

    // The keycode of a modifier keysym at level 0, one in the modifier map
    // first; 0 when there is none. `mask` gets its modifier mask.
    KeyCode FindModifierKey(KeySym keysym, unsigned* mask) const;

    // Keycodes with no symbol, and those the backend has bound.
    const std::vector<KeyCode>& SpareKeycodes() const { return spareKeycodes_; }
    bool CapsLocked() const { return (lockedMods_ & LockMask) != 0; }
    KeyCode ShiftKey() const { return shiftKey_; }
    unsigned ShiftBits() const { return shiftMask_; }
    KeyCode Level3Key() const { return level3Key_; }
    unsigned Level3Bits() const { return level3Mask_; }

private:
    struct KeyPlace {
        KeyCode keycode;
        unsigned char group;
        unsigned char level;
    };
    struct XkbFreer {
        void operator()(XkbDescPtr p) const { XkbFreeKeyboard(p, 0, True); }
    };

    void TakeEvents();
    void ReadState();
    int EffectiveGroup(KeyCode kc, int g) const;
    int LevelFor(KeyCode kc, int g, unsigned mods) const;

    Display* display_;
    int eventType_ = 0;
    std::unique_ptr<XkbDescRec, XkbFreer> xkb_;
    std::unordered_map<KeySym, std::vector<KeyPlace>> places_;
    std::vector<KeyCode> spareKeycodes_;
    bool mapDirty_ = true;
    bool stateDirty_ = true;
    unsigned lockedMods_ = 0;
    int group_ = 0;
    KeyCode shiftKey_ = 0, level3Key_ = 0;
    unsigned shiftMask_ = ShiftMask, level3Mask_ = 0;
};

} // namespace orvanel::x11
