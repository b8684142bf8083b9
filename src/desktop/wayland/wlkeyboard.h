// What a key script holds down on the Wayland virtual keyboard, and how its
// keys are typed.
//
// Each key-down becomes the character (or named key) that the US layout
// gives for that virtual key with the SHIFT state the script holds, as on
// X11. The keyboard sends the keycode that the backend's own keymap has for
// it (wlkeymap.h), with the modifier state the script holds, Shift set or
// lifted as the key's level needs it, and puts the modifiers back as the
// script holds them afterwards. Caps lock works as on Windows: the keyboard
// keeps its state and a letter key types its capital while it is on.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>

#include "desktop/posix/heldkeys.h"
#include "desktop/posix/releaseguard.h"
#include "desktop/wayland/wlkeymap.h"

namespace orvanel::wl {

// Sends one key or modifier state; the backend gives it the protocol.
class KeySink {
public:
    virtual ~KeySink() = default;
    virtual void Key(std::uint32_t xkbKeycode, bool press) = 0;
    virtual void Modifiers(std::uint32_t depressed) = 0;
    // Writes everything sent so far to the compositor.
    virtual void Flush() = 0;
};

class WlKeyboard {
public:
    WlKeyboard(const KeymapPlan& plan, ModifierMasks masks, KeySink& sink, posix::GuardLink& guard)
        : plan_(plan), masks_(masks), sink_(sink), guard_(guard) {}

    // Presses or releases a virtual key as keybd_event does.
    void KeyEvent(std::uint8_t vk, bool up);

    // The lent virtual-key code of a code page 1252 character that the US
    // layout lacks: the one it already has, else a free one, else the least
    // recently used. -1 when every lent code is held down.
    std::int16_t LendVk(unsigned char c);

    // Releases every key and modifier held.
    void ReleaseEverything();

private:
    std::uint32_t ScriptMask() const;
    bool ScriptShiftDown() const;
    void Press(std::uint32_t kc, bool press);
    void SetModifiers(std::uint32_t mask);
    void Settle();
    KeyPlace ChooseKey(std::uint8_t vk, bool& isCharacter) const;
    void KeyDown(std::uint8_t vk);
    void KeyUp(std::uint8_t vk);

    const KeymapPlan& plan_;
    ModifierMasks masks_;
    KeySink& sink_;
    posix::GuardLink& guard_;

    posix::HeldKeys held_; // keys, modifiers, press counts, lent codes
    std::uint32_t sentMask_ = 0;
    std::uint8_t adjustedVk_ = 0;
    bool capsLocked_ = false;
};

} // namespace orvanel::wl
