#include "desktop/win32/win32desktop.h"

#include <windows.h>

#include <shellapi.h>

namespace orvanel {

namespace {

HWND ToHwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
}

WindowHandle FromHwnd(HWND window) {
    return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(window));
}

// A null pointer for an empty text: the shell takes null as "not given".
const char* NullIfEmpty(const char* text) {
    return text != nullptr && *text != '\0' ? text : nullptr;
}

// One locale value, or `fallback` when the locale has none.
std::string LocaleText(LCID locale, LCTYPE type, const std::string& fallback) {
    char buffer[256] = {};
    const int length = ::GetLocaleInfoA(locale, type, buffer, sizeof buffer);
    if (length <= 0) {
        return fallback;
    }
    // The length counts the terminating NUL.
    return std::string(buffer, static_cast<std::size_t>(length - 1));
}

} // namespace

void Win32Desktop::keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                               std::uintptr_t extraInfo) {
    const bool up = (flags & KEYEVENTF_KEYUP) != 0;
    if (!up) {
        guard_.KeyDown(virtualKey); // marked before it goes down
    }
    ::keybd_event(virtualKey, scanCode, flags, extraInfo);
    if (up) {
        guard_.KeyUp(virtualKey); // cleared once it is up
    }
}

std::int16_t Win32Desktop::VkKeyScanA(char character) {
    return ::VkKeyScanA(character);
}

bool Win32Desktop::CharToOemA(const char* source, char* destination) {
    return ::CharToOemA(source, destination) != FALSE;
}

std::uint32_t Win32Desktop::OemKeyScan(std::uint16_t oemCharacter) {
    return ::OemKeyScan(oemCharacter);
}

std::uint32_t Win32Desktop::MapVirtualKeyA(std::uint32_t code, std::uint32_t mapType) {
    return ::MapVirtualKeyA(code, mapType);
}

WindowHandle Win32Desktop::FindWindowA(const char* className, const char* title) {
    return FromHwnd(::FindWindowA(className, title));
}

bool Win32Desktop::ShowWindow(WindowHandle window, int showCommand) {
    return ::ShowWindow(ToHwnd(window), showCommand) != FALSE;
}

bool Win32Desktop::SetForegroundWindow(WindowHandle window) {
    return ::SetForegroundWindow(ToHwnd(window)) != FALSE;
}

std::intptr_t Win32Desktop::SendMessageA(WindowHandle window, std::uint32_t message,
                                         std::uintptr_t wParam, std::intptr_t lParam) {
    // Like SendMessageA, messages sent to this thread's own windows are
    // handled while waiting; unlike it, a window that does not answer within
    // the timeout (or is hung already) lets the caller go on.
    DWORD_PTR result = 0;
    if (::SendMessageTimeoutA(ToHwnd(window), message, static_cast<WPARAM>(wParam),
                              static_cast<LPARAM>(lParam), SMTO_NORMAL | SMTO_ABORTIFHUNG,
                              kMessageTimeoutMs, &result) == 0) {
        return 0;
    }
    return static_cast<std::intptr_t>(result);
}

std::intptr_t Win32Desktop::ShellExecuteA(WindowHandle owner, const char* operation,
                                          const char* file, const char* parameters,
                                          const char* directory, int showCommand) {
    const HINSTANCE result = ::ShellExecuteA(ToHwnd(owner), operation, file, parameters,
                                             NullIfEmpty(directory), showCommand);
    return reinterpret_cast<std::intptr_t>(result);
}

void Win32Desktop::Sleep(std::uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

std::uint32_t Win32Desktop::GetTickCount() {
    return ::GetTickCount();
}

SystemTime Win32Desktop::GetLocalTime() {
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    SystemTime time;
    time.year = now.wYear;
    time.month = now.wMonth;
    time.dayOfWeek = now.wDayOfWeek; // 0 is Sunday, as in SystemTime
    time.day = now.wDay;
    time.hour = now.wHour;
    time.minute = now.wMinute;
    time.second = now.wSecond;
    time.milliseconds = now.wMilliseconds;
    return time;
}

LocaleInfo Win32Desktop::GetLocaleInfoA() {
    const LCID locale = ::GetSystemDefaultLCID();
    LocaleInfo info;
    info.shortDateFormat = LocaleText(locale, LOCALE_SSHORTDATE, info.shortDateFormat);
    info.dateSeparator = LocaleText(locale, LOCALE_SDATE, info.dateSeparator);
    info.longTimeFormat = LocaleText(locale, LOCALE_STIMEFORMAT, info.longTimeFormat);
    info.timeSeparator = LocaleText(locale, LOCALE_STIME, info.timeSeparator);
    info.amDesignator = LocaleText(locale, LOCALE_S1159, info.amDesignator);
    info.pmDesignator = LocaleText(locale, LOCALE_S2359, info.pmDesignator);
    // The locale numbers the weekdays from Monday (1) to Sunday (7); the list
    // here starts with Sunday.
    const LCTYPE dayNames[7] = {LOCALE_SABBREVDAYNAME7, LOCALE_SABBREVDAYNAME1,
                                LOCALE_SABBREVDAYNAME2, LOCALE_SABBREVDAYNAME3,
                                LOCALE_SABBREVDAYNAME4, LOCALE_SABBREVDAYNAME5,
                                LOCALE_SABBREVDAYNAME6};
    for (int day = 0; day < 7; ++day) {
        info.abbreviatedDayNames[day] =
            LocaleText(locale, dayNames[day], info.abbreviatedDayNames[day]);
    }
    return info;
}

} // namespace orvanel
