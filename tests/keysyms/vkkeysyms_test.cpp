// The virtual-key tables that the X11 and Wayland backends share, without a
// display: what the US layout types on a key with and without SHIFT, the X
// keysym of each named key, and the lent codes for characters the US layout
// lacks.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include "desktop/keysyms/lentvks.h"
#include "desktop/keysyms/vkkeysyms.h"
#include "desktop/uslayout.h"

namespace orvanel::keysyms {
namespace {

TEST(VkKeysymsTest, TheTypingBlockTypesWhatTheUsLayoutTypes) {
    struct Case {
        std::uint8_t vk;
        char plain, shifted;
    };
    const Case cases[] = {
        {'A', 'a', 'A'},   {'Z', 'z', 'Z'},  {'1', '1', '!'},
        {'0', '0', ')'},   {0x20, ' ', ' '}, // the space bar: a blank with SHIFT too
        {0xBA, ';', ':'},  {0xBB, '=', '+'}, {0xC0, '`', '~'},
        {0xDE, '\'', '"'}, {0x0D, 0, 0},     {0x70, 0, 0}, // named keys type no character here
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UsCharForVk(c.vk, false), c.plain) << int(c.vk);
        EXPECT_EQ(UsCharForVk(c.vk, true), c.shifted) << int(c.vk);
    }
}

TEST(VkKeysymsTest, NamedKeysHaveTheirKeysymsAndThePrintKeyNone) {
    struct Case {
        std::uint8_t vk;
        KeySym keysym;
    };
    const Case cases[] = {
        {0x08, XK_BackSpace}, {0x09, XK_Tab},    {0x0D, XK_Return}, {0x14, XK_Caps_Lock},
        {0x25, XK_Left},      {0x2E, XK_Delete}, {0x60, XK_KP_0},   {0x69, XK_KP_9},
        {0x6F, XK_KP_Divide}, {0x70, XK_F1},     {0x87, XK_F24},    {0x2F, XK_Help},
        {0x2C, XK_Print},     {0x2A, NoSymbol}, // the print key is not the screenshot key
        {0x07, NoSymbol},     {0x0A, NoSymbol},  {0x41, NoSymbol},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NamedKeysym(c.vk), c.keysym) << int(c.vk);
    }
}

TEST(VkKeysymsTest, ModifiersAndLentCodes) {
    EXPECT_EQ(ModifierKeysyms(0x10).front(), static_cast<KeySym>(XK_Shift_L));
    EXPECT_EQ(ModifierKeysyms(0xA1).front(), static_cast<KeySym>(XK_Shift_R));
    EXPECT_EQ(ModifierKeysyms(0x11).front(), static_cast<KeySym>(XK_Control_L));
    EXPECT_EQ(ModifierKeysyms(0x12).front(), static_cast<KeySym>(XK_Alt_L));
    EXPECT_TRUE(ModifierKeysyms('A').empty());
    EXPECT_TRUE(IsShiftVk(0xA0) && !IsShiftVk(0x11) && IsModifierVk(0xA5) && !IsModifierVk('A'));
    // A lent code is one that the US layout gives to no key, named or typing.
    for (std::uint8_t vk : kLentVks) {
        EXPECT_TRUE(IsLentVk(vk));
        EXPECT_EQ(UsCharForVk(vk, false), 0) << int(vk);
        EXPECT_EQ(NamedKeysym(vk), static_cast<KeySym>(NoSymbol)) << int(vk);
        EXPECT_EQ(uslayout::MapVirtualKey(vk, 0), 0u) << int(vk);
    }
    EXPECT_FALSE(IsLentVk(0x87));
}

} // namespace
} // namespace orvanel::keysyms
