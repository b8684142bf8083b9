// What a key script holds down through KWin's fake input, and how its keys
// are typed.
//
// Key scripts speak in the virtual-key codes and SHIFT presses of the US
// layout, as on the other desktops. Each key-down becomes the character (or
// named key) that the US layout gives for that virtual key with the SHIFT
// state the script holds; the keyboard presses the key of the user's own
// layout that types it (layoutkeys.h), with the Shift and AltGr presses it
// needs there, and puts the modifiers back as the script holds them
// afterwards. A keycode pressed twice goes up only after its second release.
//
// Fake input cannot change the compositor's keymap, so a character the
// layout has no key for is not sent at all (never as another character): it
// is counted, and the run tells which ones they were.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "desktop/desktop.h"
#include "desktop/kde/layoutkeys.h"
#include "desktop/posix/heldkeys.h"
#include "desktop/posix/releaseguard.h"

namespace orvanel::kde {

// Sends one key by its XKB keycode; the backend gives it the protocol.
class KeySink {
public:
    virtual ~KeySink() = default;
    virtual void Key(std::uint32_t xkbKeycode, bool press) = 0;
    // Writes everything sent so far to the compositor.
    virtual void Flush() = 0;
};

class KdeKeyboard {
public:
    KdeKeyboard(const LayoutKeys& layout, KeySink& sink, posix::GuardLink& guard)
        : layout_(layout), sink_(sink), guard_(guard) {}

    // Presses or releases a virtual key as keybd_event does.
    void KeyEvent(std::uint8_t vk, bool up);

    // The lent virtual-key code of a code page 1252 character that the US
    // layout lacks (see keysyms::LentVks); -1 when every lent code is held down.
    std::int16_t LendVk(unsigned char c);

    // Releases every key and modifier held.
    void ReleaseEverything();

    // The characters not typed since the last call.
    UntypedCharacters TakeUntyped();

private:
    struct Adjustment {
        std::uint32_t keycode;
        bool pressed; // true: pressed for the key (undo: release)
    };

    void Flush();
    bool ScriptShiftDown() const;
    void Press(std::uint32_t kc, bool press);
    void Settle();
    void ModifierDown(std::uint8_t vk);
    void ModifierUp(std::uint8_t vk);
    Stroke ChooseKey(std::uint8_t vk, bool& isCharacter);
    void NoteUntyped(char32_t character);
    void AdjustModifiers(const Stroke& stroke);
    void KeyDown(std::uint8_t vk);
    void KeyUp(std::uint8_t vk);

    const LayoutKeys& layout_;
    KeySink& sink_;
    posix::GuardLink& guard_;

    posix::HeldKeys held_; // keys, modifiers, press counts, lent codes
    std::uint8_t adjustedVk_ = 0;
    std::vector<Adjustment> adjustments_;
    std::vector<std::uint32_t> released_; // written, not yet out
    UntypedCharacters untyped_;
};

} // namespace orvanel::kde
