#include "desktop/kde/layoutkeys.h"

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <climits>

namespace orvanel::kde {

namespace {

constexpr int kShift = 1;
constexpr int kLevel3 = 2;

} // namespace

LayoutKeys::LayoutKeys() : context_(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES)) {}

LayoutKeys::~LayoutKeys() {
    xkb_keymap_unref(keymap_);
    xkb_context_unref(context_);
}

bool LayoutKeys::Load(const std::string& keymapText, std::string& error) {
    xkb_keymap* keymap =
        context_ == nullptr
            ? nullptr
            : xkb_keymap_new_from_string(context_, keymapText.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                         XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (keymap == nullptr) {
        error = "the keyboard map the compositor sent cannot be read";
    }
    return Adopt(keymap, error);
}

bool LayoutKeys::LoadNames(const std::string& layout, const std::string& variant,
                           std::string& error) {
    const xkb_rule_names names{nullptr, nullptr, layout.c_str(), variant.c_str(), nullptr};
    xkb_keymap* keymap =
        context_ == nullptr
            ? nullptr
            : xkb_keymap_new_from_names(context_, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (keymap == nullptr) {
        error = "there is no keyboard layout \"" + layout + "\"";
    }
    return Adopt(keymap, error);
}

bool LayoutKeys::Adopt(xkb_keymap* keymap, std::string& /*error*/) {
    if (keymap == nullptr) {
        return false;
    }
    xkb_keymap_unref(keymap_);
    keymap_ = keymap;
    if (layout_ >= xkb_keymap_num_layouts(keymap_)) {
        layout_ = 0;
    }
    Index();
    return true;
}

void LayoutKeys::SetLayout(std::uint32_t index) {
    const std::uint32_t layout =
        keymap_ != nullptr && index < xkb_keymap_num_layouts(keymap_) ? index : 0;
    if (layout != layout_) {
        layout_ = layout;
        Index();
    }
}

std::string LayoutKeys::LayoutName() const {
    const char* name = keymap_ != nullptr ? xkb_keymap_layout_get_name(keymap_, layout_) : nullptr;
    return name != nullptr ? name : "";
}

// What every key types in the active layout with none, Shift, AltGr and
// both held: a state of the keymap's own, with the modifier keys pressed in
// it, answers as the compositor's state does.
void LayoutKeys::Index() {
    places_.clear();
    shiftKey_ = 0;
    level3Key_ = 0;
    if (keymap_ == nullptr) {
        return;
    }
    shiftKey_ = ModifierKey(XKB_KEY_Shift_L);
    if (shiftKey_ == 0) {
        shiftKey_ = ModifierKey(XKB_KEY_Shift_R);
    }
    level3Key_ = ModifierKey(XKB_KEY_ISO_Level3_Shift);
    const xkb_keycode_t first = xkb_keymap_min_keycode(keymap_);
    const xkb_keycode_t last = std::min<xkb_keycode_t>(xkb_keymap_max_keycode(keymap_), 255);
    for (int combo = 0; combo < 4; ++combo) {
        if (((combo & kShift) != 0 && shiftKey_ == 0) ||
            ((combo & kLevel3) != 0 && level3Key_ == 0)) {
            continue;
        }
        xkb_state* state = xkb_state_new(keymap_);
        if (state == nullptr) {
            continue;
        }
        xkb_state_update_mask(state, 0, 0, 0, 0, 0, layout_);
        if ((combo & kShift) != 0) {
            xkb_state_update_key(state, shiftKey_, XKB_KEY_DOWN);
        }
        if ((combo & kLevel3) != 0) {
            xkb_state_update_key(state, level3Key_, XKB_KEY_DOWN);
        }
        for (xkb_keycode_t kc = first; kc <= last; ++kc) {
            const xkb_keysym_t sym = xkb_state_key_get_one_sym(state, kc);
            if (sym != XKB_KEY_NoSymbol) {
                places_[sym].push_back(Place{kc, combo});
            }
        }
        xkb_state_unref(state);
    }
}

Stroke LayoutKeys::Find(std::uint32_t keysym, bool character, bool shiftDown) const {
    const auto it = places_.find(keysym);
    if (it == places_.end()) {
        return {};
    }
    Stroke best;
    int bestCost = INT_MAX;
    for (const Place& place : it->second) {
        const bool shift = (place.combo & kShift) != 0;
        const bool level3 = (place.combo & kLevel3) != 0;
        if (!character && level3) {
            continue;
        }
        const int cost = (shift != shiftDown ? 1 : 0) + (level3 ? 2 : 0);
        if (cost < bestCost) {
            bestCost = cost;
            best = Stroke{place.keycode, shift, level3};
        }
    }
    return best;
}

std::uint32_t LayoutKeys::ModifierKey(std::uint32_t keysym) const {
    if (keymap_ == nullptr) {
        return 0;
    }
    const xkb_keycode_t last = std::min<xkb_keycode_t>(xkb_keymap_max_keycode(keymap_), 255);
    for (xkb_keycode_t kc = xkb_keymap_min_keycode(keymap_); kc <= last; ++kc) {
        const xkb_keysym_t* syms = nullptr;
        const int n = xkb_keymap_key_get_syms_by_level(keymap_, kc, layout_, 0, &syms);
        for (int i = 0; i < n; ++i) {
            if (syms[i] == keysym) {
                return kc;
            }
        }
    }
    return 0;
}

} // namespace orvanel::kde
