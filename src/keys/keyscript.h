// The key script language: one script step (a text of up to 255 characters
// without ";") played as key actions and waits. Every text has a meaning;
// nothing is rejected and nothing is reported.
#pragma once

#include <string_view>

#include "keys/keyoutput.h"

namespace orvanel {

// Plays one script step from its first to its last character.
void PlayStep(KeyOutput& out, std::string_view step);

// Plays the text of a brace group: a key name or text with an optional
// repeat count after its last space.
void PlayKeyName(KeyOutput& out, std::string_view text);

} // namespace orvanel
