// The key script language: one script step (a text of up to 255 characters
// without ";") played as key actions and waits. Every text has a meaning;
// nothing is rejected and nothing is reported.
//
// A step longer than 255 characters is played as its first 255 characters,
// as every other text operation of the program treats longer texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "keys/keyoutput.h"

namespace orvanel {

// The longest step (and brace-group text) that is played; the rest is cut.
constexpr std::size_t kMaxStepLength = 255;

// The longest single wait of a {SLEEP n}: n x 1000 ms is computed in 64 bits
// and capped here. 0xFFFFFFFF itself is not used, because a sleep of that
// many milliseconds means "wait for ever" on Windows; the cap is the longest
// finite wait, about 49.7 days.
constexpr std::uint32_t kMaxSleepMilliseconds = 0xFFFFFFFEu;

// Plays one script step from its first to its last character.
void PlayStep(KeyOutput& out, std::string_view step);

// Plays the brace group that the "{" at `pos` of a step (already cut to
// kMaxStepLength) opens; returns the position after what it consumed, which
// is never past the end of the step.
std::size_t PlayBraceGroup(KeyOutput& out, std::string_view step, std::size_t pos);

// Plays the text of a brace group: a key name or text with an optional
// repeat count after its last space.
void PlayKeyName(KeyOutput& out, std::string_view text);

// The characters that a step types with SHIFT, and the one-character
// brace-group texts that are typed with SHIFT ({~}, {+}, {"}, ...).
bool IsShiftedChar(char character);
bool IsLiteralSymbol(char character);

} // namespace orvanel
