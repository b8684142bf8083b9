// What a key script holds down on the X server, and how its keys are typed.
//
// Key scripts speak in the virtual-key codes and SHIFT presses of the US
// layout. Each key-down becomes the character (or named key) that the US
// layout gives for that virtual key with the SHIFT state the script holds;
// the keyboard sends the keycode of the live layout that types it, with the
// Shift and AltGr presses it needs there, and puts the modifiers back as the
// script holds them afterwards. It counts the presses of every keycode, so a
// keycode pressed twice goes up only after its second release.
//
// A character that the live layout lacks is typed on a spare keycode bound to
// its keysym (a borrowed keycode). An X client turns a keycode into a
// character with the keymap as it is when it reads the event, which may be
// seconds later: so a binding stays for as long as the keyboard lives, and
// only when every spare keycode is bound is one taken over, the least
// recently used, and never one used within the last minute. When none is
// free the key is not sent, and standard error says so.
//
// The caller holds an XGuard around every call.
#pragma once

#include <X11/Xlib.h>

#include <array>
#include <bitset>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "desktop/posix/heldkeys.h"
#include "desktop/x11/x11session.h"
#include "desktop/x11/xkbkeymap.h"

namespace orvanel::x11 {

class X11Keyboard {
public:
    X11Keyboard(Display* display, XkbKeymap& keymap, Registration& registration)
        : display_(display), keymap_(keymap), registration_(registration) {}

    // Presses or releases a virtual key as keybd_event does.
    void KeyEvent(std::uint8_t vk, bool up);

    // The lent virtual-key code of a code page 1252 character that the US
    // layout lacks: the one it already has, else a free one, else the least
    // recently used. -1 when every lent code is held down.
    std::int16_t LendVk(unsigned char c);

    // Releases every key and modifier held, and gives back every borrowed
    // keycode.
    void ReleaseEverything();

    // How many spare keycodes are bound to a keysym right now.
    int BoundSpareKeycodes() const { return static_cast<int>(bindings_.size()); }

private:
    using Clock = std::chrono::steady_clock;
    struct Binding {
        KeySym keysym = NoSymbol;
        Clock::time_point lastUse;
    };
    struct Adjustment {
        KeyCode keycode;
        bool pressed; // true: pressed for the key (undo: release)
    };

    void Refresh();
    std::map<KeyCode, KeySym> BoundKeysyms() const;
    bool ScriptShiftDown() const;
    void FakeKey(KeyCode kc, bool press);
    KeyCode BindSpare(KeySym keysym);
    void Unbind(KeyCode kc);
    void RestoreBindings();
    void TouchBinding(KeyCode kc);
    void Settle();
    void ModifierDown(std::uint8_t vk);
    void ModifierUp(std::uint8_t vk);
    std::optional<KeyChoice> ChooseKey(std::uint8_t vk, char32_t& character);
    void AdjustModifiers(const KeyChoice& choice);
    void KeyDown(std::uint8_t vk);
    void KeyUp(std::uint8_t vk);

    Display* display_;
    XkbKeymap& keymap_;
    Registration& registration_;

    posix::HeldKeys held_;                // keys, modifiers, press counts, lent codes
    std::map<KeyCode, Binding> bindings_; // borrowed keycodes
    std::bitset<256> namedDown_;          // held VKs of named keys
    std::uint8_t adjustedVk_ = 0;
    std::vector<Adjustment> adjustments_;
    Clock::time_point lastKeyEvent_{};
};

} // namespace orvanel::x11
