// Keystroke output: key actions turned into keyboard events through the
// desktop services. Every key is a press followed at once by its release;
// SHIFT, CTRL and ALT are held by separate press and release events.
#pragma once

#include <cstdint>

#include "desktop/desktop.h"

namespace orvanel {

constexpr std::uint8_t kVkShift = 16;
constexpr std::uint8_t kVkControl = 17;
constexpr std::uint8_t kVkMenu = 18; // ALT

// The keyboard that a script is played on: the desktop services that carry
// its events and the three modifier latches that the script interpreter sets
// while a modifier group holds its modifier down. One per program.
struct KeyOutput {
    explicit KeyOutput(DesktopServices& services) : desktop(services) {}
    DesktopServices& desktop;
    bool shiftLatch = false;
    bool ctrlLatch = false;
    bool altLatch = false;
    // Keyboard events sent and waits begun through this output, so that the
    // interpreter can tell a play that did nothing at all.
    std::uint64_t actions = 0;
    // Keyboard events sent through this output (a tap is two: press and
    // release), for the run history.
    std::uint64_t keyEvents = 0;
};

void TapKey(KeyOutput& out, std::uint8_t virtualKey, std::uint8_t scanCode);
void TapVirtualKey(KeyOutput& out, std::uint8_t virtualKey);
void TypeChar(KeyOutput& out, char character);
void TypeShiftedChar(KeyOutput& out, char character);
void PressModifier(KeyOutput& out, std::uint8_t virtualKey);
void ReleaseModifier(KeyOutput& out, std::uint8_t virtualKey);

} // namespace orvanel
