#include "desktop/gnome/lentkeymap.h"

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <system_error>

#include "desktop/keysyms/keysyms.h"
#include "desktop/keysyms/vkkeysyms.h"
#include "desktop/uslayout.h"

namespace orvanel::gnome {

namespace {

using KeymapPtr = std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)>;

constexpr xkb_layout_index_t kUsGroup = 0;

// The US layout as the shell compiles it (evdev rules, the pc105 model).
KeymapPtr CompileUs() {
    const std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context(
        xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES), xkb_context_unref);
    if (!context) {
        return {nullptr, xkb_keymap_unref};
    }
    const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
    return {xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS),
            xkb_keymap_unref};
}

std::uint32_t KeysymOf(char32_t c) {
    return keysyms::KeysymsForCharacter(c).keysym[0];
}

// Every keysym a script can type: the characters, the named keys, the
// modifiers.
std::set<std::uint32_t> NeededKeysyms() {
    std::set<std::uint32_t> needed;
    for (char32_t c = 0x20; c < 0x7F; ++c) {
        needed.insert(KeysymOf(c));
    }
    for (int b = 0x80; b <= 0xFF; ++b) {
        if (!Undefined1252(static_cast<unsigned char>(b))) {
            needed.insert(KeysymOf(uslayout::Cp1252ToUnicode(static_cast<unsigned char>(b))));
        }
    }
    for (int vk = 0; vk < 256; ++vk) {
        const auto v = static_cast<std::uint8_t>(vk);
        if (const auto named = static_cast<std::uint32_t>(keysyms::NamedKeysym(v)); named != 0) {
            needed.insert(named);
        }
        for (const auto keysym : keysyms::ModifierKeysyms(v)) {
            needed.insert(static_cast<std::uint32_t>(keysym));
        }
    }
    return needed;
}

// Whether the shell reaches `level` of the key with Shift alone (or nothing
// for level 0): it presses Shift for level 1 and knows no other way there.
bool ReachableWithShift(xkb_keymap* keymap, xkb_keycode_t kc, xkb_level_index_t level) {
    if (level == 0) {
        return true;
    }
    const xkb_mod_index_t shift = xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_SHIFT);
    xkb_mod_mask_t masks[8];
    const std::size_t n =
        xkb_keymap_key_get_mods_for_level(keymap, kc, kUsGroup, level, masks, std::size(masks));
    return level == 1 && std::find(masks, masks + n, 1u << shift) != masks + n;
}

std::vector<std::uint32_t> SymsAt(xkb_keymap* keymap, xkb_keycode_t kc, xkb_level_index_t level) {
    const xkb_keysym_t* syms = nullptr;
    const int n = xkb_keymap_key_get_syms_by_level(keymap, kc, kUsGroup, level, &syms);
    return {syms, syms + std::max(n, 0)};
}

// A capital letter of code page 1252 beyond ASCII, which goes on the level
// above its small letter.
bool IsCapital(std::uint32_t keysym) {
    for (int b = 0x80; b <= 0xFF; ++b) {
        const auto c = static_cast<unsigned char>(b);
        if (!Undefined1252(c) && Upper1252(c) != c &&
            KeysymOf(uslayout::Cp1252ToUnicode(Upper1252(c))) == keysym) {
            return true;
        }
    }
    return false;
}

// The capital of a small letter of code page 1252 beyond ASCII, else 0.
std::uint32_t CapitalOf(std::uint32_t keysym) {
    for (int b = 0x80; b <= 0xFF; ++b) {
        const auto c = static_cast<unsigned char>(b);
        if (!Undefined1252(c) && Upper1252(c) != c &&
            KeysymOf(uslayout::Cp1252ToUnicode(c)) == keysym) {
            return KeysymOf(uslayout::Cp1252ToUnicode(Upper1252(c)));
        }
    }
    return 0;
}

// A keysym of a modifier or lock key, whose key the keymap maps to a
// modifier: such a key sets that modifier whatever keysym it is given.
bool IsModifierKeysym(std::uint32_t keysym) {
    return (keysym >= XKB_KEY_Shift_L && keysym <= XKB_KEY_Hyper_R) ||
           (keysym >= XKB_KEY_ISO_Lock && keysym <= XKB_KEY_ISO_Last_Group_Lock) ||
           keysym == XKB_KEY_Mode_switch || keysym == XKB_KEY_Num_Lock;
}

// Whether the key holds one of `keysyms` at `fromLevel` or above.
bool HoldsAny(xkb_keymap* keymap, xkb_keycode_t kc, const std::set<std::uint32_t>& keysyms,
              xkb_level_index_t fromLevel) {
    const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap, kc, kUsGroup);
    for (xkb_level_index_t level = fromLevel; level < levels; ++level) {
        for (const std::uint32_t keysym : SymsAt(keymap, kc, level)) {
            if (keysyms.count(keysym) != 0) {
                return true;
            }
        }
    }
    return false;
}

bool HoldsModifier(xkb_keymap* keymap, xkb_keycode_t kc) {
    const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap, kc, kUsGroup);
    for (xkb_level_index_t level = 0; level < levels; ++level) {
        for (const std::uint32_t keysym : SymsAt(keymap, kc, level)) {
            if (IsModifierKeysym(keysym)) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

KeyPick PickKey(xkb_keymap* keymap, std::uint32_t layout, std::uint32_t keysym) {
    for (xkb_keycode_t kc = xkb_keymap_min_keycode(keymap); kc < xkb_keymap_max_keycode(keymap);
         ++kc) {
        const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap, kc, layout);
        for (xkb_level_index_t level = 0; level < levels; ++level) {
            const xkb_keysym_t* syms = nullptr;
            const int n = xkb_keymap_key_get_syms_by_level(keymap, kc, layout, level, &syms);
            if (std::find(syms, syms + std::max(n, 0), keysym) != syms + std::max(n, 0)) {
                return {kc, level};
            }
        }
    }
    return {};
}

LentKeymap::LentKeymap() {
    const KeymapPtr us = CompileUs();
    if (!us) {
        error_ = "the US keyboard layout of the XKB data cannot be read";
        return;
    }
    xkb_keymap* keymap = us.get();
    const std::set<std::uint32_t> needed = NeededKeysyms();
    // The typing block: the keys of the printable ASCII characters, as the
    // US layout has them.
    std::set<xkb_keycode_t> typing;
    for (char32_t c = 0x21; c < 0x7F; ++c) {
        typing.insert(PickKey(keymap, kUsGroup, KeysymOf(c)).keycode);
    }
    typing.erase(0);
    for (const xkb_keycode_t kc : typing) {
        const std::vector<std::uint32_t> plain = SymsAt(keymap, kc, 0);
        const std::vector<std::uint32_t> shifted = SymsAt(keymap, kc, 1);
        Add(xkb_keymap_key_get_name(keymap, kc), plain.empty() ? 0 : plain[0],
            shifted.empty() ? 0 : shifted[0]);
    }
    // What the other US keys below 256 give at a level Shift reaches, the
    // shell finds there (kept); the rest goes on keys of its own.
    std::set<xkb_keycode_t> kept;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> extra;
    for (const std::uint32_t keysym : needed) {
        if (levels_.count(keysym) != 0 || IsCapital(keysym)) {
            continue;
        }
        const KeyPick pick = PickKey(keymap, kUsGroup, keysym);
        if (pick.keycode != 0 && pick.keycode < 256 && typing.count(pick.keycode) == 0 &&
            ReachableWithShift(keymap, pick.keycode, pick.level)) {
            kept.insert(pick.keycode);
            levels_[keysym] = static_cast<int>(pick.level);
        } else {
            extra.emplace_back(keysym, CapitalOf(keysym));
        }
    }
    // Every other key below 256 may be given a meaning of its own in the
    // lent group: the unused ones first.
    std::vector<std::pair<bool, xkb_keycode_t>> free;
    for (xkb_keycode_t kc = 9; kc < 256; ++kc) {
        if (typing.count(kc) == 0 && kept.count(kc) == 0 &&
            xkb_keymap_key_get_name(keymap, kc) != nullptr && !HoldsModifier(keymap, kc)) {
            free.emplace_back(xkb_keymap_num_levels_for_key(keymap, kc, kUsGroup) > 0, kc);
        }
    }
    std::sort(free.begin(), free.end());
    if (free.size() < extra.size()) {
        error_ = "the XKB data leave too few free keys for the layout";
        keys_.clear();
        levels_.clear();
        return;
    }
    std::size_t next = 0;
    for (const auto& [keysym, capital] : extra) {
        Add(xkb_keymap_key_get_name(keymap, free[next++].second), keysym, capital);
    }
    // The shell takes the lowest key with a keysym at any level, so no other
    // key of the lent group may hold one that a script types: a free key
    // gets nothing, a kept key only the levels Shift reaches.
    for (; next < free.size(); ++next) {
        if (HoldsAny(keymap, free[next].second, needed, 0)) {
            Add(xkb_keymap_key_get_name(keymap, free[next].second), 0, 0);
        }
    }
    for (const xkb_keycode_t kc : kept) {
        const xkb_level_index_t reached = ReachableWithShift(keymap, kc, 1) ? 2 : 1;
        if (HoldsAny(keymap, kc, needed, reached)) {
            const std::vector<std::uint32_t> plain = SymsAt(keymap, kc, 0);
            const std::vector<std::uint32_t> shifted =
                reached == 2 ? SymsAt(keymap, kc, 1) : std::vector<std::uint32_t>{};
            keys_.push_back(Key{xkb_keymap_key_get_name(keymap, kc),
                                {plain.empty() ? 0 : plain[0], shifted.empty() ? 0 : shifted[0]}});
        }
    }
}

void LentKeymap::Add(const std::string& name, std::uint32_t plain, std::uint32_t shifted) {
    keys_.push_back(Key{name, {plain, shifted}});
    if (plain != 0) {
        levels_.emplace(plain, 0);
    }
    if (shifted != 0) {
        levels_.emplace(shifted, 1);
    }
}

int LentKeymap::Level(std::uint32_t keysym) const {
    const auto it = levels_.find(keysym);
    return it != levels_.end() ? it->second : -1;
}

std::string LentKeymap::Symbols() const {
    std::string text = "// The keyboard layout that Orvanel lends the session while it types\n"
                       "// (see Orvanel's manual). Orvanel writes this file; edits are lost.\n"
                       "default partial alphanumeric_keys\n"
                       "xkb_symbols \"basic\" {\n"
                       "    name[Group1] = \"Orvanel\";\n";
    char line[200];
    for (const Key& key : keys_) {
        char plain[64] = "NoSymbol";
        char shifted[64];
        if (key.syms[0] != 0) {
            xkb_keysym_get_name(key.syms[0], plain, sizeof plain);
        }
        if (key.syms[1] != 0) {
            // A small letter and its capital react to caps lock as on any
            // keyboard; other pairs do not.
            const bool letter =
                xkb_keysym_to_upper(key.syms[0]) == key.syms[1] && key.syms[0] != key.syms[1];
            xkb_keysym_get_name(key.syms[1], shifted, sizeof shifted);
            std::snprintf(line, sizeof line, "    key <%s> { type = \"%s\", [ %s, %s ] };\n",
                          key.name.c_str(), letter ? "ALPHABETIC" : "TWO_LEVEL", plain, shifted);
        } else {
            std::snprintf(line, sizeof line, "    key <%s> { type = \"ONE_LEVEL\", [ %s ] };\n",
                          key.name.c_str(), plain);
        }
        text += line;
    }
    text += "};\n";
    return text;
}

std::filesystem::path UserSymbolsFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        return std::filesystem::path(config) / "xkb" / "symbols";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::filesystem::path(home) / ".config" / "xkb" / "symbols";
    }
    return {};
}

std::string InstallSymbols(const LentKeymap& keymap, const std::filesystem::path& folder) {
    const std::string text = keymap.Symbols();
    const std::filesystem::path file = folder / kLentSymbolsName;
    {
        std::ifstream in(file, std::ios::binary);
        const std::string present{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
        if (in && present == text) {
            return {};
        }
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::filesystem::path temporary = file.string() + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) {
            return "Cannot create file " + temporary.string();
        }
    }
    std::filesystem::rename(temporary, file, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return "Cannot create file " + file.string();
    }
    return {};
}

} // namespace orvanel::gnome
