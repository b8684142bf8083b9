// Playing a whole key script (the Script field of a task line) as the task
// runner does: every step, each followed by the script delay.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "keys/keyoutput.h"

namespace orvanel {

// The default script delay, for a delay text that is not an integer text.
constexpr std::int32_t kDefaultScriptDelay = 100;

// The milliseconds of a script delay text: TextToIntDef with the default
// 100; a negative value (possible only in a settings file edited by hand)
// waits 0 ms.
std::uint32_t ScriptDelayMilliseconds(std::string_view delayText);

// Plays a Script field: nothing at all (no step, no wait) when it is empty;
// otherwise CountChar(script, ";") + 1 steps, step i being
// ExtractField(script, ";", i), each played by PlayStep and followed by a
// Sleep of ScriptDelayMilliseconds(delayText), the last and empty steps
// included. The delay text is converted afresh after every step. Like every
// text operation on a task line, the script is read up to a NUL and no
// further than its first 255 characters. Returns the number of steps played.
std::int32_t PlayScript(KeyOutput& out, std::string_view script, std::string_view delayText);

// Asked before each step with the number of steps already played; false ends
// the script there.
using BeforeStep = std::function<bool(std::int32_t played)>;

// The same, asking `beforeStep` before every step; returns the steps played.
std::int32_t PlayScript(KeyOutput& out, std::string_view script, std::string_view delayText,
                        const BeforeStep& beforeStep);

// The script as it is played: up to a NUL and no longer than 255 characters.
std::string_view PlayedScript(std::string_view script);

} // namespace orvanel
