// How a run tells of the characters that the keyboard layout could not type.
#pragma once

#include <string>

#include "desktop/desktop.h"

namespace orvanel {

// "2 characters not in the keyboard layout: é ü" (code page 1252; the count
// is of key presses, each character is named once); empty when none.
std::string UntypedText(const UntypedCharacters& untyped);

} // namespace orvanel
