// The user's layout as the KDE backend reads it (xkbcommon and the XKB data
// files only, no KWin): which key and level types a keysym, and the layout
// in KDE's settings.
#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include "desktop/kde/kxkbrc.h"
#include "desktop/kde/layoutkeys.h"

namespace orvanel::kde {
namespace {

// XKB keycodes of the evdev keymaps: the keys labelled E, Y, Z, 6 and Return
// on a US keyboard.
constexpr std::uint32_t kE = 26, kY = 29, kZ = 52, k6 = 15, kReturn = 36;

TEST(LayoutKeysTest, EachKeysymHasItsKeyAndLevelOrNone) {
    struct Case {
        const char* layout;
        const char* variant;
        std::uint32_t keysym;
        bool character;
        Stroke expected;
    };
    const Case cases[] = {
        {"us", "", XKB_KEY_a, true, {38, false, false}},
        {"us", "", XKB_KEY_A, true, {38, true, false}},
        {"us", "", XKB_KEY_asciicircum, true, {k6, true, false}},
        {"us", "", XKB_KEY_EuroSign, true, {}},
        {"us", "", XKB_KEY_Return, false, {kReturn, false, false}},
        {"de", "", XKB_KEY_z, true, {kY, false, false}}, // Y and Z change places
        {"de", "", XKB_KEY_y, true, {kZ, false, false}},
        {"de", "", XKB_KEY_EuroSign, true, {kE, false, true}}, // AltGr+E
        {"de", "", XKB_KEY_Adiaeresis, true, {48, true, false}},
        {"de", "", XKB_KEY_eacute, true, {}},      // only through a dead key
        {"de", "", XKB_KEY_asciicircum, true, {}}, // likewise
        {"de", "nodeadkeys", XKB_KEY_asciicircum, true, {49, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.layout) + "(" + c.variant + ") keysym " +
                     std::to_string(c.keysym));
        LayoutKeys layout;
        std::string error;
        ASSERT_TRUE(layout.LoadNames(c.layout, c.variant, error)) << error;
        EXPECT_EQ(layout.Find(c.keysym, c.character, false), c.expected);
    }
    LayoutKeys none;
    std::string error;
    EXPECT_FALSE(none.Load("not a keymap", error));
    EXPECT_FALSE(none.Loaded());
    EXPECT_EQ(none.Find(XKB_KEY_a, true, false), Stroke{});
}

TEST(LayoutSettingTest, TheFirstLayoutOfKdesSettings) {
    struct Case {
        const char* text;
        const char* layout;
        const char* variant;
    };
    const Case cases[] = {
        {"[Layout]\nLayoutList=de,us\nVariantList=nodeadkeys,\nUse=true\n", "de", "nodeadkeys"},
        {"[Layout]\r\nLayoutList=fr\r\n", "fr", ""},
        {"[Layout]\nLayoutList=de\nUse=false\n", "", ""}, // the settings are not used
        {"[Other]\nLayoutList=de\n", "", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        const LayoutSetting setting = ParseLayoutSetting(c.text);
        EXPECT_EQ(setting.layout, c.layout) << c.text;
        EXPECT_EQ(setting.variant, c.variant) << c.text;
    }
}

} // namespace
} // namespace orvanel::kde
