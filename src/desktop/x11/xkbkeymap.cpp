#include "desktop/x11/xkbkeymap.h"

#include <X11/keysym.h>

#include <climits>

namespace orvanel::x11 {

void XkbKeymap::Watch(int eventType) {
    eventType_ = eventType;
    XkbSelectEvents(display_, XkbUseCoreKbd, XkbNewKeyboardNotifyMask | XkbMapNotifyMask,
                    XkbNewKeyboardNotifyMask | XkbMapNotifyMask);
    XkbSelectEventDetails(display_, XkbUseCoreKbd, XkbStateNotify, XkbAllStateComponentsMask,
                          XkbModifierLockMask | XkbGroupStateMask);
}

void XkbKeymap::TakeEvents() {
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == MappingNotify) {
            mapDirty_ = true;
        } else if (event.type == eventType_) {
            const auto* xkbEvent = reinterpret_cast<const XkbEvent*>(&event);
            switch (xkbEvent->any.xkb_type) {
            case XkbNewKeyboardNotify:
            case XkbMapNotify:
                mapDirty_ = true;
                break;
            case XkbStateNotify:
                stateDirty_ = true;
                break;
            default:
                break;
            }
        }
    }
}

std::vector<KeyCode> XkbKeymap::Refresh(const std::map<KeyCode, KeySym>& ours) {
    std::vector<KeyCode> lost;
    TakeEvents();
    if (mapDirty_ || !xkb_) {
        Reload(ours, &lost);
    } else if (stateDirty_) {
        ReadState();
    }
    return lost;
}

bool XkbKeymap::Reload(const std::map<KeyCode, KeySym>& ours, std::vector<KeyCode>* lost) {
    xkb_.reset(
        XkbGetMap(display_, XkbKeyTypesMask | XkbKeySymsMask | XkbModifierMapMask, XkbUseCoreKbd));
    places_.clear();
    spareKeycodes_.clear();
    mapDirty_ = false;
    if (!xkb_) {
        ReadState();
        return false;
    }
    for (int kc = xkb_->min_key_code; kc <= xkb_->max_key_code; ++kc) {
        const int groups = XkbKeyNumGroups(xkb_.get(), kc);
        bool any = false;
        for (int g = 0; g < groups; ++g) {
            const int width = XkbKeyKeyType(xkb_.get(), kc, g)->num_levels;
            for (int level = 0; level < width; ++level) {
                const KeySym ks = XkbKeySymEntry(xkb_.get(), kc, level, g);
                if (ks != NoSymbol) {
                    any = true;
                    places_[ks].push_back({static_cast<KeyCode>(kc), static_cast<unsigned char>(g),
                                           static_cast<unsigned char>(level)});
                }
            }
        }
        bool boundByUs = false;
        if (const auto bound = ours.find(static_cast<KeyCode>(kc)); bound != ours.end()) {
            // A new layout may have taken the keycode over: then it is no
            // longer ours to restore.
            boundByUs = groups >= 1 && XkbKeySymEntry(xkb_.get(), kc, 0, 0) == bound->second;
            if (!boundByUs && lost != nullptr) {
                lost->push_back(static_cast<KeyCode>(kc));
            }
        }
        if (!any || boundByUs) {
            spareKeycodes_.push_back(static_cast<KeyCode>(kc));
        }
    }
    shiftMask_ = ShiftMask;
    shiftKey_ = FindModifierKey(XK_Shift_L, &shiftMask_);
    if (shiftKey_ == 0) {
        shiftKey_ = FindModifierKey(XK_Shift_R, &shiftMask_);
    }
    level3Mask_ = 0;
    level3Key_ = FindModifierKey(XK_ISO_Level3_Shift, &level3Mask_);
    if (level3Key_ != 0 && level3Mask_ == 0) {
        level3Mask_ = Mod5Mask;
    }
    ReadState();
    return true;
}

void XkbKeymap::ReadState() {
    XkbStateRec state{};
    if (XkbGetState(display_, XkbUseCoreKbd, &state) == Success) {
        lockedMods_ = state.locked_mods;
        group_ = state.group;
    }
    stateDirty_ = false;
}

int XkbKeymap::EffectiveGroup(KeyCode kc, int g) const {
    const int n = XkbKeyNumGroups(xkb_.get(), kc);
    if (n <= 0) {
        return -1;
    }
    if (g < n) {
        return g;
    }
    const unsigned info = XkbKeyGroupInfo(xkb_.get(), kc);
    switch (XkbOutOfRangeGroupAction(info)) {
    case XkbClampIntoRange:
        return n - 1;
    case XkbRedirectIntoRange: {
        const int r = XkbOutOfRangeGroupNumber(info);
        return r < n ? r : 0;
    }
    default:
        return g % n;
    }
}

int XkbKeymap::LevelFor(KeyCode kc, int g, unsigned mods) const {
    XkbKeyTypePtr type = XkbKeyKeyType(xkb_.get(), kc, g);
    const unsigned masked = mods & type->mods.mask;
    for (int i = 0; i < type->map_count; ++i) {
        const XkbKTMapEntryRec& entry = type->map[i];
        if (entry.active && entry.mods.mask == masked) {
            return entry.level;
        }
    }
    return 0;
}

KeyCode XkbKeymap::FindModifierKey(KeySym keysym, unsigned* mask) const {
    auto it = places_.find(keysym);
    if (it == places_.end()) {
        return 0;
    }
    for (const KeyPlace& p : it->second) {
        if (p.level == 0 && xkb_->map->modmap[p.keycode] != 0) {
            if (mask != nullptr) {
                *mask = xkb_->map->modmap[p.keycode];
            }
            return p.keycode;
        }
    }
    for (const KeyPlace& p : it->second) {
        if (p.level == 0) {
            return p.keycode;
        }
    }
    return 0;
}

std::optional<KeyChoice> XkbKeymap::Find(KeySym keysym, bool character, bool shiftDown,
                                         const std::array<int, 256>& pressCount) const {
    auto it = places_.find(keysym);
    if (it == places_.end() || !xkb_) {
        return std::nullopt;
    }
    std::vector<unsigned> combos = {0};
    if (character) {
        if (shiftKey_ != 0) {
            combos.push_back(shiftMask_);
        }
        if (level3Key_ != 0) {
            combos.push_back(level3Mask_);
            if (shiftKey_ != 0) {
                combos.push_back(shiftMask_ | level3Mask_);
            }
        }
    }
    std::optional<KeyChoice> best;
    int bestCost = INT_MAX;
    for (const KeyPlace& p : it->second) {
        if (EffectiveGroup(p.keycode, group_) != p.group) {
            continue;
        }
        for (unsigned combo : combos) {
            if (LevelFor(p.keycode, p.group, combo | lockedMods_) != p.level) {
                continue;
            }
            int cost = 0;
            if (character) {
                cost += ((combo & shiftMask_) != 0) != shiftDown ? 1 : 0;
                cost += (combo & level3Mask_) != 0 ? 2 : 0;
            }
            if (pressCount[p.keycode] > 0) {
                cost += 8; // busy with another key
            }
            if (cost < bestCost) {
                bestCost = cost;
                best = KeyChoice{p.keycode, combo};
            }
        }
    }
    return best;
}

} // namespace orvanel::x11
