#include "keys/keyoutput.h"

namespace orvanel {
namespace {

// Only the low byte of a scan-code answer is sent.
std::uint8_t ScanCodeOf(DesktopServices& desktop, std::uint8_t virtualKey) {
    return static_cast<std::uint8_t>(desktop.MapVirtualKeyA(virtualKey, kMapVkToVsc) & 0xFFu);
}

} // namespace

void TapKey(KeyOutput& out, std::uint8_t virtualKey, std::uint8_t scanCode) {
    out.actions += 2;
    out.keyEvents += 2;
    out.desktop.keybd_event(virtualKey, scanCode, kKeyEventKeyDown, 0);
    out.desktop.keybd_event(virtualKey, scanCode, kKeyEventKeyUp, 0);
}

void TapVirtualKey(KeyOutput& out, std::uint8_t virtualKey) {
    TapKey(out, virtualKey, ScanCodeOf(out.desktop, virtualKey));
}

void TypeChar(KeyOutput& out, char character) {
    // The layout's key for the character; its shift state (the high byte) is
    // not used, and "no key" (all bits set) gives the code 255.
    const auto keyScan = static_cast<std::uint16_t>(out.desktop.VkKeyScanA(character));
    const auto virtualKey = static_cast<std::uint8_t>(keyScan & 0xFFu);

    // The scan code comes from the OEM form of the character.
    const char text[2] = {character, '\0'};
    char oem[2] = {'\0', '\0'};
    out.desktop.CharToOemA(text, oem);
    const std::uint32_t oemScan = out.desktop.OemKeyScan(static_cast<unsigned char>(oem[0]));
    const auto scanCode = static_cast<std::uint8_t>(oemScan & 0xFFu);

    TapKey(out, virtualKey, scanCode);
}

void TypeShiftedChar(KeyOutput& out, char character) {
    if (!out.shiftLatch) {
        PressModifier(out, kVkShift);
    }
    TypeChar(out, character);
    if (!out.shiftLatch) {
        ReleaseModifier(out, kVkShift);
    }
}

void PressModifier(KeyOutput& out, std::uint8_t virtualKey) {
    ++out.actions;
    ++out.keyEvents;
    out.desktop.keybd_event(virtualKey, ScanCodeOf(out.desktop, virtualKey), kKeyEventKeyDown, 0);
}

void ReleaseModifier(KeyOutput& out, std::uint8_t virtualKey) {
    ++out.actions;
    ++out.keyEvents;
    out.desktop.keybd_event(virtualKey, ScanCodeOf(out.desktop, virtualKey), kKeyEventKeyUp, 0);
}

} // namespace orvanel
