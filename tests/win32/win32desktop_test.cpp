// The Windows desktop backend against the system itself: keyboard queries on
// the US layout, the clock, the locale, windows of this process, a window
// that does not answer, and programs started through the shell.
#include "desktop/win32/win32desktop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "win32testing.h"

namespace orvanel {
namespace {

using win32test::NormalDirectory;
using win32test::ProgramDirectory;
using win32test::ReadFileBytes;
using win32test::ScratchDir;
using win32test::WaitUntil;

WindowHandle FromHwnd(HWND window) {
    return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(window));
}

// ---- Keyboard queries (US layout, ANSI code page 1252, OEM code page 437) ----

TEST(Win32DesktopKeyboard, VkKeyScanAGivesKeyAndShiftState) {
    const struct {
        char character;
        std::int16_t expected;
    } cases[] = {
        {'a', 0x041},  {'A', 0x141}, {'z', 0x05A}, {'0', 0x030},  {'1', 0x031},
        {'!', 0x131},  {' ', 0x020}, {'"', 0x1DE}, {'\'', 0x0DE}, {'~', 0x1C0},
        {'`', 0x0C0},  {'{', 0x1DB}, {'}', 0x1DD}, {'[', 0x0DB},  {'|', 0x1DC},
        {'\\', 0x0DC}, {';', 0x0BA}, {':', 0x1BA}, {'+', 0x1BB},  {'=', 0x0BB},
        {'(', 0x139},  {')', 0x130}, {'<', 0x1BC}, {'>', 0x1BE},  {',', 0x0BC},
    };
    Win32Desktop desktop;
    for (const auto& c : cases) {
        EXPECT_EQ(desktop.VkKeyScanA(c.character), c.expected) << "character " << c.character;
    }
}

TEST(Win32DesktopKeyboard, MapVirtualKeyAGivesScanCodes) {
    const struct {
        std::uint32_t virtualKey;
        std::uint32_t scanCode;
    } cases[] = {
        {16, 0x2A}, {17, 0x1D},  {18, 0x38},  {13, 0x1C}, {9, 0x0F},
        {8, 0x0E},  {'A', 0x1E}, {'1', 0x02}, {27, 0x01},
    };
    Win32Desktop desktop;
    for (const auto& c : cases) {
        EXPECT_EQ(desktop.MapVirtualKeyA(c.virtualKey, kMapVkToVsc), c.scanCode)
            << "virtual key " << c.virtualKey;
    }
}

TEST(Win32DesktopKeyboard, CharToOemAConvertsToTheOemCodePage) {
    const struct {
        const char* ansi;
        const char* oem;
    } cases[] = {
        {"abc", "abc"},
        {"\xE9", "\x82"},         // e acute
        {"\xC4\xFC", "\x8E\x81"}, // A and u with diaeresis
        {"", ""},
    };
    Win32Desktop desktop;
    for (const auto& c : cases) {
        char buffer[16] = {};
        std::memset(buffer, 'x', sizeof buffer - 1);
        EXPECT_TRUE(desktop.CharToOemA(c.ansi, buffer));
        EXPECT_STREQ(buffer, c.oem) << "text " << c.ansi;
    }
}

TEST(Win32DesktopKeyboard, OemKeyScanGivesScanCodeAndShiftState) {
    const struct {
        std::uint16_t oemCharacter;
        std::uint32_t expected;
    } cases[] = {
        {'a', 0x0001E}, {'A', 0x1001E}, {'1', 0x00002},
        {'!', 0x10002}, {' ', 0x00039}, {'~', 0x10029},
    };
    Win32Desktop desktop;
    for (const auto& c : cases) {
        EXPECT_EQ(desktop.OemKeyScan(c.oemCharacter), c.expected) << "character " << c.oemCharacter;
    }
}

// ---- Clock and locale ----

// The weekday of a date, 0 Sunday to 6 Saturday.
int WeekdayOf(int year, int month, int day) {
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3) {
        year -= 1;
    }
    return (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
}

TEST(Win32DesktopClock, GetLocalTimeGivesAConsistentDateAndTime) {
    Win32Desktop desktop;
    const SystemTime now = desktop.GetLocalTime();
    EXPECT_GE(now.year, 2024);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_GE(now.day, 1);
    EXPECT_LE(now.day, 31);
    EXPECT_GE(now.hour, 0);
    EXPECT_LE(now.hour, 23);
    EXPECT_GE(now.minute, 0);
    EXPECT_LE(now.minute, 59);
    EXPECT_GE(now.second, 0);
    EXPECT_LE(now.second, 59);
    EXPECT_GE(now.milliseconds, 0);
    EXPECT_LE(now.milliseconds, 999);
    EXPECT_EQ(now.dayOfWeek, WeekdayOf(now.year, now.month, now.day));
}

TEST(Win32DesktopLocale, GivesTheFormatsOfTheUsLocaleWithSundayFirst) {
    if (::GetSystemDefaultLCID() != 0x0409) {
        GTEST_SKIP() << "the system default locale is not en-US";
    }
    Win32Desktop desktop;
    const LocaleInfo info = desktop.GetLocaleInfoA();
    EXPECT_EQ(info.shortDateFormat, "M/d/yyyy");
    EXPECT_EQ(info.dateSeparator, "/");
    EXPECT_EQ(info.longTimeFormat, "h:mm:ss tt");
    EXPECT_EQ(info.timeSeparator, ":");
    EXPECT_EQ(info.amDesignator, "AM");
    EXPECT_EQ(info.pmDesignator, "PM");
    const std::array<std::string, 7> days = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    EXPECT_EQ(info.abbreviatedDayNames, days);
}

// ---- Windows of this process ----

int focusMessages = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETFOCUS) {
        ++focusMessages;
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

// A top-level window of the calling thread with the given title.
class OwnWindow {
public:
    explicit OwnWindow(const std::string& title, int showCommand = SW_SHOWNORMAL) {
        static const bool registered = [] {
            WNDCLASSA windowClass = {};
            windowClass.lpfnWndProc = CountingProc;
            windowClass.hInstance = ::GetModuleHandleA(nullptr);
            windowClass.lpszClassName = "OrvanelTestWindow";
            return ::RegisterClassA(&windowClass) != 0;
        }();
        EXPECT_TRUE(registered);
        window_ = ::CreateWindowExA(0, "OrvanelTestWindow", title.c_str(), WS_OVERLAPPEDWINDOW,
                                    CW_USEDEFAULT, CW_USEDEFAULT, 200, 100, nullptr, nullptr,
                                    ::GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(window_, nullptr);
        ::ShowWindow(window_, showCommand);
    }
    ~OwnWindow() { ::DestroyWindow(window_); }
    HWND Handle() const { return window_; }

private:
    HWND window_ = nullptr;
};

std::string UniqueTitle(const std::string& what) {
    return "Orvanel " + what + " " + std::to_string(::GetCurrentProcessId());
}

TEST(Win32DesktopWindows, FindWindowAMatchesTheWholeTitleOnly) {
    const std::string title = UniqueTitle("find test");
    OwnWindow window(title);
    Win32Desktop desktop;
    EXPECT_EQ(desktop.FindWindowA(nullptr, title.c_str()), FromHwnd(window.Handle()));
    const std::string others[] = {title.substr(0, title.size() - 1), title + " ", "x" + title,
                                  UniqueTitle("no such window")};
    for (const auto& other : others) {
        EXPECT_EQ(desktop.FindWindowA(nullptr, other.c_str()), kNoWindow) << other;
    }
}

TEST(Win32DesktopWindows, ShowWindowRestoresAndShows) {
    const struct {
        int initial;
        const char* name;
    } cases[] = {
        {SW_SHOWMINNOACTIVE, "minimised"},
        {SW_SHOWMAXIMIZED, "maximised"},
        {SW_HIDE, "hidden"},
    };
    Win32Desktop desktop;
    for (const auto& c : cases) {
        OwnWindow window(UniqueTitle(std::string("show test ") + c.name), c.initial);
        desktop.ShowWindow(FromHwnd(window.Handle()), kShowNormal);
        EXPECT_TRUE(::IsWindowVisible(window.Handle())) << c.name;
        EXPECT_FALSE(::IsIconic(window.Handle())) << c.name;
        EXPECT_FALSE(::IsZoomed(window.Handle())) << c.name;
    }
}

TEST(Win32DesktopWindows, SetForegroundWindowAndFocusMessage) {
    OwnWindow first(UniqueTitle("foreground test 1"));
    OwnWindow second(UniqueTitle("foreground test 2"));
    Win32Desktop desktop;
    for (HWND window : {first.Handle(), second.Handle()}) {
        desktop.SetForegroundWindow(FromHwnd(window));
        EXPECT_EQ(::GetForegroundWindow(), window);
        focusMessages = 0;
        EXPECT_EQ(desktop.SendMessageA(FromHwnd(window), kWmSetFocus, 0, 0), 0);
        EXPECT_EQ(focusMessages, 1);
    }
}

TEST(Win32DesktopWindows, SendMessageAGivesUpOnAWindowThatDoesNotAnswer) {
    // A window on a thread that stops handling messages until told to go on.
    HANDLE created = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE goOn = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HWND window = nullptr;
    const std::string title = UniqueTitle("hung window");
    std::thread owner([&] {
        OwnWindow own(title);
        window = own.Handle();
        ::SetEvent(created);
        ::WaitForSingleObject(goOn, 20000);
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::DispatchMessageA(&message);
        }
    });
    ASSERT_EQ(::WaitForSingleObject(created, 5000), WAIT_OBJECT_0);
    Win32Desktop desktop;
    const ULONGLONG start = ::GetTickCount64();
    EXPECT_EQ(desktop.SendMessageA(FromHwnd(window), kWmSetFocus, 0, 0), 0);
    const ULONGLONG waited = ::GetTickCount64() - start;
    ::SetEvent(goOn);
    owner.join();
    EXPECT_LT(waited, 2000u + 1500u) << "the focus message held the caller too long";
    ::CloseHandle(created);
    ::CloseHandle(goOn);
}

// ---- Programs started through the shell ----

TEST(Win32DesktopShell, ShellExecuteAStartsTheProgramInTheWorkingDirectory) {
    ScratchDir programDir;
    ScratchDir otherDir;
    ScratchDir outputDir;
    const auto probe = programDir.Path() / "cwdprobe_win32.exe";
    std::filesystem::copy_file(ProgramDirectory() / "cwdprobe_win32.exe", probe);
    char current[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, current);

    const struct {
        std::string file;
        std::string directory;
        std::string expected;
    } cases[] = {
        // The task runner's way: a bare file name and its directory (with
        // the final "\") as working directory.
        {"cwdprobe_win32.exe", programDir.Path().string() + "\\", programDir.Path().string()},
        // The working directory need not hold the program.
        {probe.string(), otherDir.Path().string(), otherDir.Path().string()},
        // No directory: the caller's current one.
        {probe.string(), "", current},
    };
    Win32Desktop desktop;
    int number = 0;
    for (const auto& c : cases) {
        const auto output = outputDir.Path() / ("cwd" + std::to_string(number++) + ".txt");
        ::SetEnvironmentVariableA("ORVANEL_CWD_PROBE_OUT", output.string().c_str());
        const std::intptr_t result = desktop.ShellExecuteA(
            kNoWindow, "open", c.file.c_str(), nullptr, c.directory.c_str(), kShowNormal);
        EXPECT_GT(result, 32) << c.file << " in " << c.directory;
        ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(output); }, 15000))
            << "the program did not start: " << c.file << " in " << c.directory;
        std::string written = ReadFileBytes(output);
        while (!written.empty() && (written.back() == '\n' || written.back() == '\r')) {
            written.pop_back();
        }
        EXPECT_EQ(NormalDirectory(written), NormalDirectory(c.expected))
            << c.file << " in " << c.directory;
    }
    ::SetEnvironmentVariableA("ORVANEL_CWD_PROBE_OUT", nullptr);
}

} // namespace
} // namespace orvanel
