#include "desktop/wayland/wlkeymap.h"

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdio>
#include <memory>

#include "desktop/cp1252.h"
#include "desktop/keysyms/keysyms.h"
#include "desktop/keysyms/vkkeysyms.h"
#include "desktop/uslayout.h"

namespace orvanel::wl {

namespace {

constexpr std::uint32_t kFirstKeycode = 9; // evdev code 1: 0 is reserved

std::uint32_t KeysymOf(char32_t c) {
    return keysyms::KeysymsForCharacter(c).keysym[0];
}

// The modifier keys and the lock keys, with the real modifier each sets.
struct ModifierKey {
    std::uint32_t keysym;
    const char* modifier;
};
constexpr ModifierKey kModifierKeys[] = {
    {XKB_KEY_Shift_L, "Shift"},     {XKB_KEY_Shift_R, "Shift"},  {XKB_KEY_Control_L, "Control"},
    {XKB_KEY_Control_R, "Control"}, {XKB_KEY_Alt_L, "Mod1"},     {XKB_KEY_Alt_R, "Mod1"},
    {XKB_KEY_Meta_L, "Mod1"},       {XKB_KEY_Caps_Lock, "Lock"}, {XKB_KEY_Num_Lock, "Mod2"},
    {XKB_KEY_Super_L, "Mod4"},      {XKB_KEY_Super_R, "Mod4"},
};

} // namespace

KeymapPlan::KeymapPlan() {
    // Printable ASCII: letters on two levels, every other character alone.
    for (char32_t c = 0x20; c < 0x7F; ++c) {
        if (c >= 'a' && c <= 'z') {
            Add(KeysymOf(c), KeysymOf(c - 'a' + 'A'));
        } else if (c < 'A' || c > 'Z') {
            Add(KeysymOf(c));
        }
    }
    // The rest of code page 1252: a small letter with its capital, every
    // other character alone.
    for (int b = 0x80; b <= 0xFF; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        if (Undefined1252(byte)) {
            continue;
        }
        const unsigned char upper = Upper1252(byte);
        const bool isCapital = [&] {
            for (int l = 0x80; l <= 0xFF; ++l) {
                const auto lower = static_cast<unsigned char>(l);
                if (lower != byte && Upper1252(lower) == byte) {
                    return true;
                }
            }
            return false;
        }();
        if (isCapital) {
            continue; // on the level above its small letter
        }
        Add(KeysymOf(uslayout::Cp1252ToUnicode(byte)),
            upper != byte ? KeysymOf(uslayout::Cp1252ToUnicode(upper)) : 0);
    }
    // The named keys of the virtual-key table, then the modifiers.
    for (int vk = 0; vk < 256; ++vk) {
        const auto keysym =
            static_cast<std::uint32_t>(keysyms::NamedKeysym(static_cast<std::uint8_t>(vk)));
        if (keysym != 0 && places_.count(keysym) == 0) {
            Add(keysym);
        }
    }
    for (const ModifierKey& modifier : kModifierKeys) {
        if (places_.count(modifier.keysym) == 0) {
            Add(modifier.keysym);
        }
    }
}

void KeymapPlan::Add(std::uint32_t plain, std::uint32_t shifted) {
    const auto keycode = static_cast<std::uint32_t>(kFirstKeycode + keys_.size());
    keys_.push_back(Key{keycode, {plain, shifted}});
    places_.emplace(plain, KeyPlace{keycode, 0});
    if (shifted != 0) {
        places_.emplace(shifted, KeyPlace{keycode, 1});
    }
}

KeyPlace KeymapPlan::Find(std::uint32_t keysym) const {
    auto it = places_.find(keysym);
    return it != places_.end() ? it->second : KeyPlace{};
}

std::string KeymapPlan::Source() const {
    std::string text =
        "xkb_keymap {\nxkb_keycodes \"orvanel\" {\n    minimum = 8;\n    maximum = 255;\n";
    char line[256];
    for (const Key& key : keys_) {
        std::snprintf(line, sizeof line, "    <K%u> = %u;\n", key.keycode, key.keycode);
        text += line;
    }
    // The two key types the keys use, and one rule that makes every modifier
    // key set its modifier while it is down: the whole keymap stays small, so
    // that the compositor and every window read it quickly.
    text += "};\nxkb_types \"orvanel\" {\n"
            "    type \"ONE_LEVEL\" { modifiers = none; level_name[Level1] = \"Any\"; };\n"
            "    type \"TWO_LEVEL\" { modifiers = Shift; map[Shift] = Level2;\n"
            "        level_name[Level1] = \"Base\"; level_name[Level2] = \"Shift\"; };\n"
            "};\nxkb_compat \"orvanel\" {\n"
            "    interpret Any + AnyOf(all) { action = SetMods(modifiers = modMapMods); };\n"
            "};\nxkb_symbols \"orvanel\" {\n";
    for (const Key& key : keys_) {
        char plain[64];
        char shifted[64];
        xkb_keysym_get_name(key.syms[0], plain, sizeof plain);
        if (key.syms[1] != 0) {
            xkb_keysym_get_name(key.syms[1], shifted, sizeof shifted);
            std::snprintf(line, sizeof line,
                          "    key <K%u> { type = \"TWO_LEVEL\", [ %s, %s ] };\n", key.keycode,
                          plain, shifted);
        } else {
            std::snprintf(line, sizeof line, "    key <K%u> { type = \"ONE_LEVEL\", [ %s ] };\n",
                          key.keycode, plain);
        }
        text += line;
    }
    for (const ModifierKey& modifier : kModifierKeys) {
        std::snprintf(line, sizeof line, "    modifier_map %s { <K%u> };\n", modifier.modifier,
                      Find(modifier.keysym).keycode);
        text += line;
    }
    text += "};\n};\n";
    return text;
}

bool CompileKeymap(const KeymapPlan& plan, std::string& text, ModifierMasks& masks,
                   std::string& error) {
    const std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context(
        xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES), xkb_context_unref);
    if (!context) {
        error = "Cannot start xkbcommon.";
        return false;
    }
    const std::string source = plan.Source();
    const std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> keymap(
        xkb_keymap_new_from_string(context.get(), source.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                   XKB_KEYMAP_COMPILE_NO_FLAGS),
        xkb_keymap_unref);
    if (!keymap) {
        error = "Cannot build the keyboard map of the virtual keyboard (are the XKB data "
                "files installed?).";
        return false;
    }
    // The source needs nothing outside itself, and is half the size of what
    // xkbcommon writes back: the compositor and every window read it as it is.
    text = source;
    const auto mask = [&](const char* name) {
        const xkb_mod_index_t index = xkb_keymap_mod_get_index(keymap.get(), name);
        return index == XKB_MOD_INVALID ? 0u : 1u << index;
    };
    masks =
        ModifierMasks{mask(XKB_MOD_NAME_SHIFT), mask(XKB_MOD_NAME_CTRL), mask(XKB_MOD_NAME_ALT)};
    return !text.empty();
}

} // namespace orvanel::wl
