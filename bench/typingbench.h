// What the typing benchmarks share: the text, the wait for the window to have
// written it, the count of characters lost, and starting a program.
#pragma once

#include <spawn.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace typingbench {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline pid_t Spawn(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = 0;
    return posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) == 0 ? pid : -1;
}

// Printable ASCII in a fixed pseudo-random order: letters of both cases,
// digits, blanks and every punctuation mark, so that about half the keys
// need SHIFT.
inline std::string Text(std::size_t length) {
    std::string text;
    std::uint32_t state = 20260105;
    while (text.size() < length) {
        state = state * 1664525u + 1013904223u;
        const unsigned pick = (state >> 8) % 100;
        if (pick < 15) {
            text += ' ';
        } else {
            text += static_cast<char>(0x21 + (state >> 16) % 94);
        }
    }
    return text;
}

// Waits until `path` holds `expected.size()` bytes, or until it has not
// grown for a second (characters were lost). The time of the last growth.
inline Clock::time_point WaitForText(const std::string& path, std::size_t size,
                                     Clock::time_point start) {
    std::size_t last = 0;
    Clock::time_point grew = start;
    for (;;) {
        const std::size_t now = ReadFile(path).size();
        if (now != last) {
            last = now;
            grew = Clock::now();
        }
        if (now >= size || Clock::now() - grew > 1s) {
            return grew;
        }
        std::this_thread::sleep_for(200us);
    }
}

inline std::size_t Lost(const std::string& expected, const std::string& got) {
    std::size_t same = 0;
    while (same < expected.size() && same < got.size() && expected[same] == got[same]) {
        ++same;
    }
    return expected.size() - same; // everything from the first difference on
}

struct Result {
    double seconds = 0;
    std::size_t lost = 0;
};

inline void Clear(const std::string& path) {
    std::ofstream(path, std::ios::binary | std::ios::trunc);
}

} // namespace typingbench
