// The lent keyboard layout, compiled as GNOME Shell compiles it ("us,orvanel"
// from the user's XKB folder and the system's data) and read the way the
// shell reads a keysym: every character and named key a script types is on
// a key of the locked group at a level Shift reaches, and types itself.
#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon.h>

#include <memory>

#include "desktop/gnome/lentkeymap.h"
#include "desktop/keysyms/keysyms.h"
#include "desktop/keysyms/vkkeysyms.h"
#include "desktop/uslayout.h"
#include "support/tempdir.h"

namespace orvanel::gnome {
namespace {

using Keymap = std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)>;

Keymap CompileLent(const test::TempDir& home, const LentKeymap& lent) {
    EXPECT_EQ(InstallSymbols(lent, home / "xkb" / "symbols"), "");
    std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context(
        xkb_context_new(XKB_CONTEXT_NO_DEFAULT_INCLUDES), xkb_context_unref);
    xkb_context_include_path_append(context.get(), (home / "xkb").c_str());
    xkb_context_include_path_append_default(context.get());
    const xkb_rule_names names{"evdev", "pc105", kLentLayouts, "", ""};
    return {xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS),
            xkb_keymap_unref};
}

TEST(LentKeymapTest, EveryKeysymOfAScriptTypesItselfInTheLockedGroup) {
    const LentKeymap lent;
    ASSERT_EQ(lent.Error(), "");
    test::TempDir home;
    const Keymap keymap = CompileLent(home, lent);
    ASSERT_TRUE(keymap);
    ASSERT_EQ(xkb_keymap_num_layouts(keymap.get()), 2u);
    std::vector<std::uint32_t> keysyms;
    for (int b = 0x20; b <= 0xFF; ++b) {
        const auto c = static_cast<unsigned char>(b);
        if (b != 0x7F && !Undefined1252(c)) {
            keysyms.push_back(keysyms::KeysymsForCharacter(uslayout::Cp1252ToUnicode(c)).keysym[0]);
        }
    }
    for (int vk = 0; vk < 256; ++vk) {
        if (const auto named = keysyms::NamedKeysym(static_cast<std::uint8_t>(vk)); named != 0) {
            keysyms.push_back(static_cast<std::uint32_t>(named));
        }
    }
    const xkb_mod_mask_t shift = 1u << xkb_keymap_mod_get_index(keymap.get(), XKB_MOD_NAME_SHIFT);
    std::unique_ptr<xkb_state, decltype(&xkb_state_unref)> state(xkb_state_new(keymap.get()),
                                                                 xkb_state_unref);
    for (const std::uint32_t keysym : keysyms) {
        char name[64];
        xkb_keysym_get_name(keysym, name, sizeof name);
        SCOPED_TRACE(name);
        const KeyPick pick = PickKey(keymap.get(), kLentGroup, keysym);
        ASSERT_NE(pick.keycode, 0u);
        EXPECT_LT(pick.keycode, 256u);
        ASSERT_LE(pick.level, 1u);
        if (keysyms::CharacterForKeysym(keysym) != 0) {
            EXPECT_EQ(lent.Level(keysym), static_cast<int>(pick.level));
        }
        // What a window reads: the group locked, Shift down for level 1.
        xkb_state_update_mask(state.get(), pick.level == 1 ? shift : 0, 0, 0, 0, 0, kLentGroup);
        EXPECT_EQ(xkb_state_key_get_one_sym(state.get(), pick.keycode), keysym);
    }
}

// Caps lock, the user's own, works on letters as on any keyboard: the small
// letter comes out as its capital and the capital, typed with Shift, small.
TEST(LentKeymapTest, CapsLockTurnsLettersOnly) {
    const LentKeymap lent;
    test::TempDir home;
    const Keymap keymap = CompileLent(home, lent);
    ASSERT_TRUE(keymap);
    std::unique_ptr<xkb_state, decltype(&xkb_state_unref)> state(xkb_state_new(keymap.get()),
                                                                 xkb_state_unref);
    const xkb_mod_mask_t shift = 1u << xkb_keymap_mod_get_index(keymap.get(), XKB_MOD_NAME_SHIFT);
    const xkb_mod_mask_t lock = 1u << xkb_keymap_mod_get_index(keymap.get(), XKB_MOD_NAME_CAPS);
    const struct {
        std::uint32_t keysym, withCapsLock;
    } cases[] = {{'a', 'A'},     {'A', 'a'}, {0xE9, 0xC9}, {0xC9, 0xE9},
                 {0x1BE, 0x1AE}, {'1', '1'}, {'!', '!'},   {0x20AC, 0x20AC}};
    for (const auto& c : cases) {
        const KeyPick pick = PickKey(keymap.get(), kLentGroup, c.keysym);
        xkb_state_update_mask(state.get(), pick.level == 1 ? shift : 0, 0, lock, 0, 0, kLentGroup);
        EXPECT_EQ(xkb_state_key_get_one_sym(state.get(), pick.keycode), c.withCapsLock)
            << std::hex << c.keysym;
    }
}

TEST(LentKeymapTest, TheFileIsWrittenOnceAndRewrittenWhenItDiffers) {
    const LentKeymap lent;
    test::TempDir dir;
    const auto file = dir / "symbols" / kLentSymbolsName;
    ASSERT_EQ(InstallSymbols(lent, dir / "symbols"), "");
    EXPECT_EQ(test::ReadBytes(file), lent.Symbols());
    const auto written = std::filesystem::last_write_time(file);
    ASSERT_EQ(InstallSymbols(lent, dir / "symbols"), "");
    EXPECT_EQ(std::filesystem::last_write_time(file), written);
    test::WriteBytes(file, "stale");
    ASSERT_EQ(InstallSymbols(lent, dir / "symbols"), "");
    EXPECT_EQ(test::ReadBytes(file), lent.Symbols());
}

} // namespace
} // namespace orvanel::gnome
