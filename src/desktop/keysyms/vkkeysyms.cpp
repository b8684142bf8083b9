#include "desktop/keysyms/vkkeysyms.h"

#include <X11/keysym.h>

#include <array>

#include "desktop/uslayout.h"

namespace orvanel::keysyms {

namespace {

// The printable character that the US layout gives for a virtual key of its
// typing block, without and with SHIFT (0: none), read back from the layout's
// own character-to-key table. Caps lock is applied by the caller.
struct UsTypingKeys {
    std::array<char, 256> plain{};
    std::array<char, 256> shifted{};
    UsTypingKeys() {
        for (int c = 0x20; c < 0x7F; ++c) {
            const std::int16_t key = uslayout::VkKeyScanA(static_cast<unsigned char>(c));
            if (key == -1) {
                continue;
            }
            const int vk = key & 0xFF;
            const int shift = (key >> 8) & 0xFF;
            if (shift == 0 && plain[vk] == 0) {
                plain[vk] = static_cast<char>(c);
            } else if (shift == uslayout::kShiftBit && shifted[vk] == 0) {
                shifted[vk] = static_cast<char>(c);
            }
        }
    }
};

} // namespace

// With SHIFT, a key that the US layout gives no shifted character of its own
// (the space bar) types its plain character, as it does on that layout.
char UsCharForVk(std::uint8_t vk, bool shift) {
    static const UsTypingKeys keys;
    return shift && keys.shifted[vk] != 0 ? keys.shifted[vk] : keys.plain[vk];
}

// The keysym of a named (non-character) virtual key; NoSymbol when the key
// types nothing. VK 7 and 10 have no key on Windows either; VK 42, the print
// key of old terminals, has none on X, and the X print key in its place is the
// one desktops bind to their screenshot tool, which would take the focus.
KeySym NamedKeysym(std::uint8_t vk) {
    if (vk >= 0x60 && vk <= 0x69) {
        return XK_KP_0 + (vk - 0x60);
    }
    if (vk >= 0x70 && vk <= 0x87) {
        return XK_F1 + (vk - 0x70);
    }
    switch (vk) {
    case 0x03:
        return XK_Break;
    case 0x08:
        return XK_BackSpace;
    case 0x09:
        return XK_Tab;
    case 0x0C:
        return XK_Clear;
    case 0x0D:
        return XK_Return;
    case 0x13:
        return XK_Pause;
    case 0x14:
        return XK_Caps_Lock;
    case 0x1B:
        return XK_Escape;
    case 0x21:
        return XK_Prior;
    case 0x22:
        return XK_Next;
    case 0x23:
        return XK_End;
    case 0x24:
        return XK_Home;
    case 0x25:
        return XK_Left;
    case 0x26:
        return XK_Up;
    case 0x27:
        return XK_Right;
    case 0x28:
        return XK_Down;
    case 0x29:
        return XK_Select;
    case 0x2C: // snapshot: the key desktops bind to their screenshot tool
        return XK_Print;
    case 0x2B:
        return XK_Execute;
    case 0x2D:
        return XK_Insert;
    case 0x2E:
        return XK_Delete;
    case 0x2F:
        return XK_Help;
    case 0x5B:
        return XK_Super_L;
    case 0x5C:
        return XK_Super_R;
    case 0x5D:
        return XK_Menu;
    case 0x6A:
        return XK_KP_Multiply;
    case 0x6B:
        return XK_KP_Add;
    case 0x6C:
        return XK_KP_Separator;
    case 0x6D:
        return XK_KP_Subtract;
    case 0x6E:
        return XK_KP_Decimal;
    case 0x6F:
        return XK_KP_Divide;
    case 0x90:
        return XK_Num_Lock;
    case 0x91:
        return XK_Scroll_Lock;
    default:
        return NoSymbol;
    }
}

bool IsModifierVk(std::uint8_t vk) {
    return (vk >= 0x10 && vk <= 0x12) || (vk >= 0xA0 && vk <= 0xA5);
}
bool IsShiftVk(std::uint8_t vk) {
    return vk == 0x10 || vk == 0xA0 || vk == 0xA1;
}

// The X keysyms to press for a script modifier, the preferred one first.
std::vector<KeySym> ModifierKeysyms(std::uint8_t vk) {
    switch (vk) {
    case 0x10:
    case 0xA0:
        return {XK_Shift_L, XK_Shift_R};
    case 0xA1:
        return {XK_Shift_R, XK_Shift_L};
    case 0x11:
    case 0xA2:
        return {XK_Control_L, XK_Control_R};
    case 0xA3:
        return {XK_Control_R, XK_Control_L};
    case 0x12:
    case 0xA4:
        return {XK_Alt_L, XK_Alt_R, XK_Meta_L};
    case 0xA5:
        return {XK_Alt_R, XK_Alt_L, XK_Meta_L};
    default:
        return {};
    }
}

} // namespace orvanel::keysyms
