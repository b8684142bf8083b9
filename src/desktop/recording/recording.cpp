#include "desktop/recording/recording.h"

#include <cstdio>
#include <ctime>
#include <utility>

#include "desktop/localtime.h"
#include "desktop/uslayout.h"

namespace orvanel {

namespace {

// 2026-01-05 07:00:00 UTC, a Monday.
constexpr std::int64_t kDefaultStart = 1767596400LL * 1000;

std::string Text(const char* text) {
    return text == nullptr ? "(null)" : text;
}

std::string Codes(const char* text) {
    std::string codes;
    for (const char* p = text; *p != '\0'; ++p) {
        if (!codes.empty()) {
            codes += ' ';
        }
        codes += std::to_string(static_cast<unsigned char>(*p));
    }
    return codes;
}

} // namespace

RecordingDesktop::RecordingDesktop() : now_(kDefaultStart) {}

// ---- Keyboard ----

void RecordingDesktop::keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode,
                                   std::uint32_t flags, std::uintptr_t extraInfo) {
    const std::string keys = std::to_string(virtualKey) + " " + std::to_string(scanCode);
    if (extraInfo == 0 && flags == kKeyEventKeyDown) {
        Add("down " + keys);
    } else if (extraInfo == 0 && flags == kKeyEventKeyUp) {
        Add("up " + keys);
    } else {
        Add("key " + keys + " " + std::to_string(flags) + " " + std::to_string(extraInfo));
    }
    // Any event with the key-up flag releases the key, whatever else it carries.
    const int change = (flags & kKeyEventKeyUp) != 0 ? -1 : 1;
    const int held = held_[virtualKey] += change;
    if (held == 0) {
        held_.erase(virtualKey);
    }
    if (keyEventTime_ != 0 || !events_.empty()) {
        Advance(keyEventTime_);
    }
}

std::int16_t RecordingDesktop::VkKeyScanA(char character) {
    const std::int16_t answer = uslayout::VkKeyScanA(static_cast<unsigned char>(character));
    if (recordQueries_) {
        Add("vkscan " + std::to_string(static_cast<unsigned char>(character)) + " = " +
            std::to_string(answer));
    }
    return answer;
}

bool RecordingDesktop::CharToOemA(const char* source, char* destination) {
    const std::string from = recordQueries_ && source != nullptr ? Codes(source) : std::string();
    if (!uslayout::CharToOem(source, destination)) {
        return false;
    }
    if (recordQueries_) {
        Add("chartooem " + from + " = " + Codes(destination));
    }
    return true;
}

std::uint32_t RecordingDesktop::OemKeyScan(std::uint16_t oemCharacter) {
    const std::uint32_t answer = uslayout::OemKeyScan(oemCharacter);
    if (recordQueries_) {
        Add("oemkeyscan " + std::to_string(oemCharacter) + " = " + std::to_string(answer));
    }
    return answer;
}

std::uint32_t RecordingDesktop::MapVirtualKeyA(std::uint32_t code, std::uint32_t mapType) {
    const std::uint32_t answer = uslayout::MapVirtualKey(code, mapType);
    if (recordQueries_) {
        Add("mapvk " + std::to_string(code) + " " + std::to_string(mapType) + " = " +
            std::to_string(answer));
    }
    return answer;
}

// ---- Windows and programs ----

WindowHandle RecordingDesktop::FindWindowA(const char* className, const char* title) {
    (void)className;
    WindowHandle found = kNoWindow;
    if (title != nullptr) {
        for (const auto& [handle, window] : windows_) {
            if (window.title == title) {
                found = handle;
                break;
            }
        }
    }
    Add("find " + Text(title) + " = " + std::to_string(found));
    return found;
}

bool RecordingDesktop::ShowWindow(WindowHandle window, int showCommand) {
    Add("show " + std::to_string(window) + " " + std::to_string(showCommand));
    const auto it = windows_.find(window);
    if (it == windows_.end()) {
        return false;
    }
    switch (showCommand) {
    case 2:  // SW_SHOWMINIMIZED
    case 6:  // SW_MINIMIZE
    case 7:  // SW_SHOWMINNOACTIVE
    case 11: // SW_FORCEMINIMIZE
        it->second.minimised = true;
        break;
    case 0: // SW_HIDE leaves the state alone
        break;
    default: // SW_SHOWNORMAL, SW_RESTORE, SW_MAXIMIZE, ...
        it->second.minimised = false;
        break;
    }
    return true;
}

bool RecordingDesktop::SetForegroundWindow(WindowHandle window) {
    Add("foreground " + std::to_string(window));
    const auto it = windows_.find(window);
    if (it == windows_.end()) {
        return false;
    }
    if (it->second.refusesFocus) {
        return false;
    }
    foreground_ = window;
    return true;
}

FocusState RecordingDesktop::FocusIsWith(WindowHandle window) {
    // Bounded: an owner chain that loops must not hang a test.
    WindowHandle current = foreground_;
    for (int depth = 0; current != kNoWindow && depth < 16; ++depth) {
        if (current == window) {
            return FocusState::WithWindow;
        }
        const auto it = windows_.find(current);
        current = it != windows_.end() ? it->second.owner : kNoWindow;
    }
    return FocusState::Elsewhere;
}

bool RecordingDesktop::StartStopKeyWatch() {
    if (!stopKeyAvailable_) {
        return false;
    }
    Add("stopkey on");
    stopKeyWatched_ = true;
    stopKeyPressed_ = false;
    return true;
}

void RecordingDesktop::EndStopKeyWatch() {
    if (stopKeyWatched_) {
        Add("stopkey off");
    }
    stopKeyWatched_ = false;
}

bool RecordingDesktop::AutostartEnabled(const std::filesystem::path& dataDirectory) {
    return !autostartDirectory.empty() && autostartDirectory == dataDirectory;
}

std::string RecordingDesktop::SetAutostart(bool on, const std::filesystem::path& dataDirectory) {
    if (!autostartFailure.empty()) {
        return autostartFailure;
    }
    autostartDirectory = on ? dataDirectory : std::filesystem::path();
    return {};
}

std::intptr_t RecordingDesktop::SendMessageA(WindowHandle window, std::uint32_t message,
                                             std::uintptr_t wParam, std::intptr_t lParam) {
    Add("message " + std::to_string(window) + " " + std::to_string(message) + " " +
        std::to_string(wParam) + " " + std::to_string(lParam));
    return 0;
}

std::intptr_t RecordingDesktop::ShellExecuteA(WindowHandle owner, const char* operation,
                                              const char* file, const char* parameters,
                                              const char* directory, int showCommand) {
    (void)owner;
    const std::string fileText = file == nullptr ? std::string() : std::string(file);
    const std::string directoryText = directory == nullptr ? std::string() : std::string(directory);
    std::string line = "shell " + Text(operation) + " " + fileText;
    if (!directoryText.empty()) {
        line += " " + directoryText;
    }
    if (parameters != nullptr) {
        line += " params=" + std::string(parameters);
    }
    if (showCommand != kShowNormal) {
        line += " show=" + std::to_string(showCommand);
    }
    Add(std::move(line));
    if (onShell) {
        onShell(fileText, directoryText);
    }
    return shellAnswer_;
}

// ---- Waiting, time and locale ----

void RecordingDesktop::Sleep(std::uint32_t milliseconds) {
    Add("sleep " + std::to_string(milliseconds));
    Advance(milliseconds);
    if (onSleep) {
        onSleep(milliseconds);
    }
}

SystemTime RecordingDesktop::GetLocalTime() {
    const SystemTime time = LocalTimeFromEpoch(now_);
    if (recordQueries_) {
        char text[64];
        std::snprintf(text, sizeof text, "localtime %04d-%02d-%02d %02d:%02d:%02d.%03d wday %d",
                      time.year, time.month, time.day, time.hour, time.minute, time.second,
                      time.milliseconds, time.dayOfWeek);
        Add(text);
    }
    return time;
}

LocaleInfo RecordingDesktop::GetLocaleInfoA() {
    if (recordQueries_) {
        Add("localeinfo " + locale_.shortDateFormat + " " + locale_.longTimeFormat);
    }
    return locale_;
}

std::int64_t RecordingDesktop::LocalToEpoch(int year, int month, int day, int hour, int minute,
                                            int second) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&local)) * 1000;
}

void RecordingDesktop::Advance(std::int64_t milliseconds) {
    now_ += milliseconds;
    while (!events_.empty() && events_.begin()->first <= now_) {
        const std::function<void()> event = std::move(events_.begin()->second);
        events_.erase(events_.begin());
        event();
    }
}

void RecordingDesktop::At(std::int64_t epochMilliseconds, std::function<void()> event) {
    events_.emplace(epochMilliseconds, std::move(event));
}

// ---- The record ----

std::string RecordingDesktop::Record() const {
    std::string record;
    for (const std::string& line : lines_) {
        record += line;
        record += '\n';
    }
    return record;
}

// ---- Fake windows ----

WindowHandle RecordingDesktop::AddWindow(const std::string& title) {
    const WindowHandle handle = nextWindow_++;
    windows_[handle] = FakeWindow{title, false};
    return handle;
}

void RecordingDesktop::RemoveWindow(WindowHandle window) {
    windows_.erase(window);
    if (foreground_ == window) {
        foreground_ = kNoWindow;
    }
}

void RecordingDesktop::MinimiseWindow(WindowHandle window) {
    const auto it = windows_.find(window);
    if (it != windows_.end()) {
        it->second.minimised = true;
    }
}

bool RecordingDesktop::IsMinimised(WindowHandle window) const {
    const auto it = windows_.find(window);
    return it != windows_.end() && it->second.minimised;
}

} // namespace orvanel
