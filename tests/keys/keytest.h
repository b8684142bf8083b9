// Helpers of the key tests: the expected record lines of key actions on the
// reference US layout, written out independently of the layout tables, and a
// fixture that plays on a fresh recording desktop.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>

#include "desktop/recording/recording.h"
#include "desktop/uslayout.h"
#include "keys/keyoutput.h"

namespace orvanel::keytest {

// Virtual-key code and set-1 scan code of the key that gives a character on
// the US keyboard.
inline std::pair<int, int> UsKey(char c) {
    static const std::map<char, std::pair<int, int>> keys = [] {
        std::map<char, std::pair<int, int>> k;
        const char* rows[] = {"qwertyuiop", "asdfghjkl", "zxcvbnm"};
        const int firstScan[] = {0x10, 0x1E, 0x2C};
        for (int r = 0; r < 3; ++r) {
            for (int i = 0; rows[r][i] != '\0'; ++i) {
                const char lower = rows[r][i];
                const char upper = static_cast<char>(lower - 'a' + 'A');
                k[lower] = k[upper] = {upper, firstScan[r] + i};
            }
        }
        const char* digits = "1234567890";
        const char* shifted = "!@#$%^&*()";
        for (int i = 0; i < 10; ++i) {
            k[digits[i]] = k[shifted[i]] = {digits[i], 2 + i};
        }
        const struct {
            char plain, shift;
            int vk, scan;
        } symbols[] = {
            {'`', '~', 192, 0x29}, {'-', '_', 189, 0x0C},  {'=', '+', 187, 0x0D},
            {'[', '{', 219, 0x1A}, {']', '}', 221, 0x1B},  {'\\', '|', 220, 0x2B},
            {';', ':', 186, 0x27}, {'\'', '"', 222, 0x28}, {',', '<', 188, 0x33},
            {'.', '>', 190, 0x34}, {'/', '?', 191, 0x35},
        };
        for (const auto& s : symbols) {
            k[s.plain] = k[s.shift] = {s.vk, s.scan};
        }
        k[' '] = {32, 0x39};
        return k;
    }();
    const auto found = keys.find(c);
    if (found == keys.end()) {
        throw std::invalid_argument(std::string("no US key listed for ") + c);
    }
    return found->second;
}

inline std::string Down(int vk, int scan) {
    return "down " + std::to_string(vk) + " " + std::to_string(scan) + "\n";
}
inline std::string Up(int vk, int scan) {
    return "up " + std::to_string(vk) + " " + std::to_string(scan) + "\n";
}

constexpr int kShiftScan = 0x2A;
constexpr int kCtrlScan = 0x1D;
constexpr int kAltScan = 0x38;

// One press and release of the key of each character, without modifiers.
inline std::string K(std::string_view text) {
    std::string lines;
    for (char c : text) {
        const auto [vk, scan] = UsKey(c);
        lines += Down(vk, scan) + Up(vk, scan);
    }
    return lines;
}

// Modifiers held around some events.
inline std::string Shift(const std::string& inner) {
    return Down(16, kShiftScan) + inner + Up(16, kShiftScan);
}
inline std::string Ctrl(const std::string& inner) {
    return Down(17, kCtrlScan) + inner + Up(17, kCtrlScan);
}
inline std::string Alt(const std::string& inner) {
    return Down(18, kAltScan) + inner + Up(18, kAltScan);
}

// Each character with its own SHIFT press and release around it.
inline std::string SK(std::string_view text) {
    std::string lines;
    for (char c : text) {
        lines += Shift(K(std::string_view(&c, 1)));
    }
    return lines;
}

// One tap of a virtual key, with the scan code that the layout maps it to.
inline std::string V(int vk) {
    const int scan = static_cast<int>(uslayout::MapVirtualKey(vk, 0) & 0xFF);
    return Down(vk, scan) + Up(vk, scan);
}

inline std::string Sleep(std::uint32_t ms) {
    return "sleep " + std::to_string(ms) + "\n";
}

inline std::string Times(int n, const std::string& lines) {
    std::string all;
    for (int i = 0; i < n; ++i) {
        all += lines;
    }
    return all;
}

// One case of a table: an input and the whole record it must produce.
struct Case {
    std::string input;
    std::string expected;
};

class KeysTest : public ::testing::Test {
protected:
    RecordingDesktop desktop;
    KeyOutput out{desktop};

    std::string Take() {
        std::string record = desktop.Record();
        desktop.ClearRecord();
        return record;
    }
};

} // namespace orvanel::keytest
