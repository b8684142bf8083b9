// The record, the fake windows and the fake clock of the recording desktop.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "desktop/recording/recording.h"
#include "support/timezone.h"

namespace orvanel {
namespace {

TEST(RecordingDesktop, RecordsOneLinePerCall) {
    RecordingDesktop desktop;
    const WindowHandle notepad = desktop.AddWindow("Notepad");
    desktop.keybd_event(65, 30, kKeyEventKeyDown, 0);
    desktop.keybd_event(65, 30, kKeyEventKeyUp, 0);
    desktop.keybd_event(38, 72, 1, 0); // the extended-key flag
    desktop.keybd_event(38, 72, 3, 0);
    desktop.keybd_event(16, 42, kKeyEventKeyDown, 9);
    desktop.keybd_event(16, 42, kKeyEventKeyUp, 9);
    desktop.Sleep(250);
    EXPECT_EQ(desktop.FindWindowA(nullptr, "Notepad"), notepad);
    EXPECT_EQ(desktop.FindWindowA(nullptr, "Calc"), kNoWindow);
    desktop.ShowWindow(notepad, kShowNormal);
    desktop.SetForegroundWindow(notepad);
    desktop.SendMessageA(notepad, kWmSetFocus, 0, 0);
    EXPECT_EQ(desktop.ShellExecuteA(kNoWindow, kShellVerb, "app.exe", nullptr, "C:\\Tools\\",
                                    kShowNormal),
              RecordingDesktop::kShellResult);
    static_assert(RecordingDesktop::kShellResult > 32);
    desktop.ShellExecuteA(kNoWindow, kShellVerb, "schedule.html", nullptr, nullptr, kShowNormal);
    desktop.ShellExecuteA(kNoWindow, kShellVerb, "x.exe", "-v", "", 0);
    desktop.ShellExecuteA(kNoWindow, nullptr, "y.exe", nullptr, nullptr, kShowNormal);
    EXPECT_EQ(desktop.Record(), "down 65 30\n"
                                "up 65 30\n"
                                "key 38 72 1 0\n"
                                "key 38 72 3 0\n"
                                "key 16 42 0 9\n"
                                "key 16 42 2 9\n"
                                "sleep 250\n"
                                "find Notepad = 1\n"
                                "find Calc = 0\n"
                                "show 1 1\n"
                                "foreground 1\n"
                                "message 1 7 0 0\n"
                                "shell open app.exe C:\\Tools\\\n"
                                "shell open schedule.html\n"
                                "shell open x.exe params=-v show=0\n"
                                "shell (null) y.exe\n");
    EXPECT_EQ(desktop.Lines().size(), 16u);
    desktop.ClearRecord();
    EXPECT_EQ(desktop.Record(), "");
}

TEST(RecordingDesktop, QueriesAreRecordedOnlyWhenAsked) {
    RecordingDesktop desktop;
    char oem[4];
    desktop.VkKeyScanA('a');
    desktop.CharToOemA("\xE9", oem);
    desktop.OemKeyScan(0x82);
    desktop.MapVirtualKeyA(16, 0);
    desktop.GetLocalTime();
    desktop.GetLocaleInfoA();
    EXPECT_EQ(desktop.Record(), "");

    desktop.RecordQueries(true);
    desktop.VkKeyScanA('a');
    desktop.VkKeyScanA('\xE9');
    desktop.CharToOemA("a\xE9", oem);
    desktop.OemKeyScan(0x82);
    desktop.MapVirtualKeyA(16, 0);
    EXPECT_EQ(desktop.Record(), "vkscan 97 = 65\n"
                                "vkscan 233 = -1\n"
                                "chartooem 97 233 = 97 130\n"
                                "oemkeyscan 130 = 4294967295\n"
                                "mapvk 16 0 = 42\n");
}

TEST(RecordingDesktop, HeldKeysCountsPressesNotYetReleased) {
    RecordingDesktop desktop;
    desktop.keybd_event(16, 42, kKeyEventKeyDown, 0);
    desktop.keybd_event(65, 30, kKeyEventKeyDown, 0);
    desktop.keybd_event(65, 30, kKeyEventKeyDown, 0);
    EXPECT_EQ(desktop.HeldKeys(), (std::map<int, int>{{16, 1}, {65, 2}}));
    desktop.keybd_event(65, 30, kKeyEventKeyUp, 0);
    desktop.keybd_event(65, 30, kKeyEventKeyUp, 0);
    desktop.keybd_event(16, 42, kKeyEventKeyUp, 0);
    EXPECT_TRUE(desktop.HeldKeys().empty());
    // The extended-key flag changes neither a press nor a release.
    constexpr std::uint32_t kExtendedKey = 1; // KEYEVENTF_EXTENDEDKEY
    desktop.keybd_event(45, 82, kKeyEventKeyDown | kExtendedKey, 0);
    EXPECT_EQ(desktop.HeldKeys(), (std::map<int, int>{{45, 1}}));
    desktop.keybd_event(45, 82, kKeyEventKeyUp | kExtendedKey, 0);
    EXPECT_TRUE(desktop.HeldKeys().empty());
    // A release without a press shows as a negative count.
    desktop.keybd_event(17, 29, kKeyEventKeyUp, 0);
    EXPECT_EQ(desktop.HeldKeys(), (std::map<int, int>{{17, -1}}));
}

TEST(RecordingDesktop, FindWindowMatchesTheWholeTitleExactly) {
    RecordingDesktop desktop;
    EXPECT_EQ(desktop.AddWindow("Untitled - Notepad"), 1u);
    EXPECT_EQ(desktop.AddWindow("Calc"), 2u);
    EXPECT_EQ(desktop.AddWindow("Calc"), 3u);
    EXPECT_EQ(desktop.AddWindow("Caf\xE9"), 4u);
    const std::vector<std::pair<std::string, WindowHandle>> cases = {
        {"Untitled - Notepad", 1},
        {"Notepad", kNoWindow},
        {"untitled - notepad", kNoWindow},
        {"Untitled - Notepad ", kNoWindow},
        {"Calc", 2}, // the first of two windows with the same title
        {"Caf\xE9", 4},
        {"Cafe", kNoWindow},
    };
    for (const auto& [title, handle] : cases) {
        SCOPED_TRACE(title);
        EXPECT_EQ(desktop.FindWindowA(nullptr, title.c_str()), handle);
    }
    desktop.RemoveWindow(2);
    EXPECT_EQ(desktop.FindWindowA(nullptr, "Calc"), 3u);
    EXPECT_EQ(desktop.AddWindow("Later"), 5u); // handles are not reused
}

TEST(RecordingDesktop, ShowAndForeground) {
    RecordingDesktop desktop;
    const WindowHandle a = desktop.AddWindow("A");
    const WindowHandle b = desktop.AddWindow("B");
    EXPECT_EQ(desktop.Foreground(), kNoWindow);
    desktop.MinimiseWindow(a);
    EXPECT_TRUE(desktop.IsMinimised(a));
    EXPECT_FALSE(desktop.IsMinimised(b));
    EXPECT_TRUE(desktop.ShowWindow(a, kShowNormal));
    EXPECT_FALSE(desktop.IsMinimised(a));
    EXPECT_TRUE(desktop.ShowWindow(a, 6)); // SW_MINIMIZE
    EXPECT_TRUE(desktop.IsMinimised(a));
    EXPECT_TRUE(desktop.ShowWindow(a, 9)); // SW_RESTORE
    EXPECT_FALSE(desktop.IsMinimised(a));

    EXPECT_TRUE(desktop.SetForegroundWindow(b));
    EXPECT_EQ(desktop.Foreground(), b);
    EXPECT_FALSE(desktop.SetForegroundWindow(99));
    EXPECT_FALSE(desktop.ShowWindow(99, kShowNormal));
    EXPECT_EQ(desktop.Foreground(), b);
    desktop.RemoveWindow(b);
    EXPECT_EQ(desktop.Foreground(), kNoWindow);
    EXPECT_EQ(desktop.Record(), "show 1 1\nshow 1 6\nshow 1 9\nforeground 2\nforeground 99\n"
                                "show 99 1\n");
}

TEST(RecordingDesktop, ShellCallsItsHookAfterRecording) {
    RecordingDesktop desktop;
    std::vector<std::string> seen;
    desktop.onShell = [&](const std::string& file, const std::string& directory) {
        seen.push_back(file + "|" + directory + "|" + std::to_string(desktop.Lines().size()));
        desktop.AddWindow("Started");
    };
    desktop.ShellExecuteA(kNoWindow, kShellVerb, "app.exe", nullptr, "C:\\Tools\\", kShowNormal);
    desktop.ShellExecuteA(kNoWindow, kShellVerb, "doc.html", nullptr, nullptr, kShowNormal);
    EXPECT_EQ(seen, (std::vector<std::string>{"app.exe|C:\\Tools\\|1", "doc.html||2"}));
    EXPECT_EQ(desktop.FindWindowA(nullptr, "Started"), 1u);
}

using test::ScopedTimeZone;

SystemTime Time(int year, int month, int dayOfWeek, int day, int hour, int minute, int second,
                int milliseconds = 0) {
    return SystemTime{year, month, dayOfWeek, day, hour, minute, second, milliseconds};
}

TEST(RecordingDesktop, ClockStartsOnAMondayMorning) {
    ScopedTimeZone utc("UTC0");
    RecordingDesktop desktop;
    EXPECT_EQ(desktop.Now(), 1767596400000);
    EXPECT_EQ(desktop.GetLocalTime(), Time(2026, 1, 1, 5, 7, 0, 0));
}

TEST(RecordingDesktop, ClockFollowsTheLocalTimeZone) {
#ifdef _WIN32
    GTEST_SKIP() << "the C library has no rules for Europe/Berlin";
#endif
    ScopedTimeZone berlin("CET-1CEST,M3.5.0,M10.5.0/3");
    RecordingDesktop desktop;
    EXPECT_EQ(desktop.GetLocalTime(), Time(2026, 1, 1, 5, 8, 0, 0));
    desktop.SetLocalTime(2026, 7, 1, 12, 30, 15); // summer time
    EXPECT_EQ(desktop.GetLocalTime(), Time(2026, 7, 3, 1, 12, 30, 15));
    EXPECT_EQ(desktop.Now(), RecordingDesktop::LocalToEpoch(2026, 7, 1, 12, 30, 15));
    EXPECT_EQ(desktop.Now() / 1000 % 86400, (10 * 3600 + 30 * 60 + 15)); // 10:30:15 UTC
    // Across the change to summer time, 29 March 2026 02:00 becomes 03:00.
    desktop.SetLocalTime(2026, 3, 29, 1, 59, 59);
    desktop.Advance(1000);
    EXPECT_EQ(desktop.GetLocalTime(), Time(2026, 3, 0, 29, 3, 0, 0));
}

TEST(RecordingDesktop, SleepAdvancesTheClockThenCallsItsHook) {
    ScopedTimeZone utc("UTC0");
    RecordingDesktop desktop;
    std::vector<std::string> seen;
    desktop.onSleep = [&](std::uint32_t ms) {
        seen.push_back(std::to_string(ms) + "@" + std::to_string(desktop.Now() % 100000));
    };
    desktop.Sleep(250);
    desktop.Sleep(0);
    desktop.Advance(1);
    desktop.Sleep(3000);
    EXPECT_EQ(seen, (std::vector<std::string>{"250@250", "0@250", "3000@3251"}));
    EXPECT_EQ(desktop.Record(), "sleep 250\nsleep 0\nsleep 3000\n");
    EXPECT_EQ(desktop.GetLocalTime(), Time(2026, 1, 1, 5, 7, 0, 3, 251));
    // A day's worth of waiting moves the weekday on.
    desktop.Sleep(24u * 3600u * 1000u);
    EXPECT_EQ(desktop.GetLocalTime(), Time(2026, 1, 2, 6, 7, 0, 3, 251));
}

TEST(RecordingDesktop, ClockBeforeTheEpoch) {
#ifdef _WIN32
    GTEST_SKIP() << "the C library has no local time before 1970";
#endif
    ScopedTimeZone utc("UTC0");
    RecordingDesktop desktop;
    desktop.SetNow(-1);
    EXPECT_EQ(desktop.GetLocalTime(), Time(1969, 12, 3, 31, 23, 59, 59, 999));
}

TEST(RecordingDesktop, LocaleInfo) {
    RecordingDesktop desktop;
    EXPECT_EQ(desktop.GetLocaleInfoA().shortDateFormat, "M/d/yyyy");
    LocaleInfo german;
    german.shortDateFormat = "dd.MM.yyyy";
    german.longTimeFormat = "HH:mm:ss";
    desktop.SetLocaleInfo(german);
    EXPECT_EQ(desktop.GetLocaleInfoA().shortDateFormat, "dd.MM.yyyy");
    EXPECT_EQ(desktop.GetLocaleInfoA().longTimeFormat, "HH:mm:ss");
}

} // namespace
} // namespace orvanel
