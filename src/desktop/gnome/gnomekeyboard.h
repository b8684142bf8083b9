// What a key script holds down on GNOME, as keysyms for the shell's virtual
// keyboard.
//
// Each key-down becomes the character (or named key) that the US layout
// gives for that virtual key with the SHIFT the script holds, as on X11 and
// sway; the shell finds its key in the lent layout and adds Shift itself for
// a character on the upper level. The modifiers are the left (or right)
// Shift, Control and Alt keys. Caps lock is a key like any other: it turns
// the session's caps lock, which then turns the letters typed after it, as
// on Windows. A keysym held by two virtual keys goes down once and up when
// the last of them goes up.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "desktop/gnome/shelllink.h"
#include "desktop/keysyms/lentvks.h"
#include "desktop/keysyms/vkkeysyms.h"

namespace orvanel::gnome {

class GnomeKeyboard {
public:
    using Sink = std::function<void(const std::vector<ShellKey>&)>;
    explicit GnomeKeyboard(Sink sink) : sink_(std::move(sink)) {}

    // Presses or releases a virtual key as keybd_event does.
    void KeyEvent(std::uint8_t vk, bool up);

    // The lent virtual-key code of a code page 1252 character that the US
    // layout lacks (see keysyms::LentVks); -1 when every lent code is held down.
    std::int16_t LendVk(unsigned char c) { return lent_.Lend(c, held_); }

    // Releases every key held.
    void ReleaseEverything();

    bool AnyDown() const { return !held_.empty(); }

private:
    std::uint32_t KeysymFor(std::uint8_t vk) const;
    void Send(std::uint32_t keysym, bool press, std::vector<ShellKey>& keys);

    Sink sink_;
    std::map<std::uint8_t, std::uint32_t> held_; // virtual key -> keysym pressed
    std::map<std::uint32_t, int> down_;          // keysym -> virtual keys holding it
    keysyms::LentVks lent_;
};

} // namespace orvanel::gnome
