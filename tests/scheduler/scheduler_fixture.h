// Helpers of the scheduler tests: a time zone set for one test, epoch
// milliseconds of UTC dates, and the keystrokes a step gives on its own.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/recording/recording.h"
#include "keys/keyscript.h"
#include "scheduler/minutes.h"
#include "support/timezone.h"

namespace orvanel::test {

// Universal time, written so that every C library understands it.
constexpr const char* kUtcZone = "UTC0";

// Europe/Berlin from the time zone database, or the same rule written out
// when the database is not installed. (The Windows C library knows neither
// the database nor the rule's dates; the summer-time tests skip there.)
inline std::string BerlinZone() {
    if (std::filesystem::exists("/usr/share/zoneinfo/Europe/Berlin")) {
        return "Europe/Berlin";
    }
    return "CET-1CEST,M3.5.0,M10.5.0/3";
}

// Epoch milliseconds of a UTC date and time.
inline std::int64_t Utc(int year, int month, int day, int hour, int minute, int second = 0) {
    return CivilMinute(year, month, day, hour, minute) * 60000 + std::int64_t{second} * 1000;
}

// The record lines that a step alone produces on a fresh desktop.
inline std::vector<std::string> KeysOf(std::string_view step) {
    RecordingDesktop desktop;
    KeyOutput keys(desktop);
    PlayStep(keys, step);
    return desktop.Lines();
}

inline void Append(std::vector<std::string>& to, const std::vector<std::string>& lines) {
    to.insert(to.end(), lines.begin(), lines.end());
}

} // namespace orvanel::test
