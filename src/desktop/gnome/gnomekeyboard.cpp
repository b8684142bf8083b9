#include "desktop/gnome/gnomekeyboard.h"

#include "desktop/keysyms/keysyms.h"
#include "desktop/uslayout.h"

namespace orvanel::gnome {

std::uint32_t GnomeKeyboard::KeysymFor(std::uint8_t vk) const {
    if (keysyms::IsModifierVk(vk)) {
        return static_cast<std::uint32_t>(keysyms::ModifierKeysyms(vk).front());
    }
    bool shift = false;
    for (const auto& [heldVk, keysym] : held_) {
        shift = shift || keysyms::IsShiftVk(heldVk);
    }
    char32_t character = 0;
    if (const unsigned char c = lent_.CharacterOf(vk); c != 0) {
        character = uslayout::Cp1252ToUnicode(shift ? Upper1252(c) : c);
    } else {
        character = static_cast<unsigned char>(keysyms::UsCharForVk(vk, shift));
    }
    if (character != 0) {
        return keysyms::KeysymsForCharacter(character).keysym[0];
    }
    return static_cast<std::uint32_t>(keysyms::NamedKeysym(vk));
}

void GnomeKeyboard::Send(std::uint32_t keysym, bool press, std::vector<ShellKey>& keys) {
    int& count = down_[keysym];
    if (press ? count++ == 0 : --count == 0) {
        keys.push_back(ShellKey{keysym, press});
    }
    if (count == 0) {
        down_.erase(keysym);
    }
}

void GnomeKeyboard::KeyEvent(std::uint8_t vk, bool up) {
    std::vector<ShellKey> keys;
    auto held = held_.find(vk);
    if (held != held_.end()) {
        // A release, or a press again without one: the key goes up first.
        Send(held->second, false, keys);
        held_.erase(held);
    }
    if (!up) {
        if (const std::uint32_t keysym = KeysymFor(vk); keysym != 0) {
            Send(keysym, true, keys);
            held_[vk] = keysym;
        }
    }
    if (!keys.empty()) {
        sink_(keys);
    }
}

void GnomeKeyboard::ReleaseEverything() {
    std::vector<ShellKey> keys;
    for (const auto& [keysym, count] : down_) {
        keys.push_back(ShellKey{keysym, false});
    }
    held_.clear();
    down_.clear();
    if (!keys.empty()) {
        sink_(keys);
    }
}

} // namespace orvanel::gnome
