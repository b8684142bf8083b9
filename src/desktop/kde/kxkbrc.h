// The keyboard layout in KDE's settings (kxkbrc, written by System Settings):
// what the backend falls back on when KWin sends no keymap.
#pragma once

#include <string>

namespace orvanel::kde {

struct LayoutSetting {
    std::string layout;  // the first of LayoutList, "" when there is none
    std::string variant; // the first of VariantList
};

// Reads $XDG_CONFIG_HOME/kxkbrc (or ~/.config/kxkbrc).
LayoutSetting ReadLayoutSetting();

// The setting in the text of such a file.
LayoutSetting ParseLayoutSetting(const std::string& text);

} // namespace orvanel::kde
