// The desktop services: every operation of the windowing system, the shell,
// the keyboard input stream, the clock and the locale that the rest of the
// program calls. The operations keep the Windows names and arguments that the
// key scripts and the task runner were designed around; each backend (x11,
// wayland for wlroots compositors, kde, gnome, win32, and the recording fake
// for tests) provides them in its own way. Callers get the interface by
// reference; nothing reaches a backend through a global.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

namespace orvanel {

// A top-level window. 0 means "no window".
using WindowHandle = std::uint64_t;
constexpr WindowHandle kNoWindow = 0;

// Flags of keybd_event.
constexpr std::uint32_t kKeyEventKeyDown = 0;
constexpr std::uint32_t kKeyEventKeyUp = 2; // KEYEVENTF_KEYUP

// Show command of ShowWindow and ShellExecuteA.
constexpr int kShowNormal = 1; // SW_SHOWNORMAL

// The operation asked of ShellExecuteA.
inline constexpr const char* kShellVerb = "open"; // the shell verb of every start
// ShellExecuteA answers greater than this when the start succeeded.
constexpr std::intptr_t kShellLastFailure = 32;

// The focus message of SendMessageA.
constexpr std::uint32_t kWmSetFocus = 7; // WM_SETFOCUS

// Map type of MapVirtualKeyA: virtual-key code to scan code.
constexpr std::uint32_t kMapVkToVsc = 0; // MAPVK_VK_TO_VSC

// The local date and time, as the platform clock gives it.
struct SystemTime {
    int year = 1970;
    int month = 1;     // 1 to 12
    int dayOfWeek = 4; // 0 Sunday to 6 Saturday
    int day = 1;       // 1 to 31
    int hour = 0;      // 0 to 23
    int minute = 0;    // 0 to 59
    int second = 0;    // 0 to 59
    int milliseconds = 0;

    friend bool operator==(const SystemTime&, const SystemTime&) = default;
};

// What the locale says about writing dates and times. The formats are
// pictures in the Windows style: "M/d/yyyy", "dd.MM.yyyy", "h:mm:ss tt",
// "HH:mm:ss" (d, dd, M, MM, yy, yyyy; h, hh, H, HH, m, mm, s, ss, t, tt;
// text in single quotes is copied).
struct LocaleInfo {
    std::string shortDateFormat = "M/d/yyyy";
    std::string dateSeparator = "/";
    std::string longTimeFormat = "h:mm:ss tt";
    std::string timeSeparator = ":";
    std::string amDesignator = "AM";
    std::string pmDesignator = "PM";
    // Abbreviated weekday names, Sunday first.
    std::array<std::string, 7> abbreviatedDayNames = {"Sun", "Mon", "Tue", "Wed",
                                                      "Thu", "Fri", "Sat"};
};

// What keeps typed keys from reaching any window.
enum class InputBlock {
    Clear,        // keys can reach the focused window
    ScreenLocked, // a screen locker or saver is in front, or the session is locked
    KeyboardHeld, // another program holds the keyboard (a grab, an open menu)
};

// Where the keyboard focus is, as seen from one window.
enum class FocusState {
    WithWindow, // in the window, or in a window transient for it or owned by
                // it (its dialogs)
    Elsewhere,  // in any other window, of its program or another, or in none
    Unknown,    // the backend cannot tell
};

// Characters that keybd_event could not type because the keyboard layout has
// no key for them (they were not sent at all).
struct UntypedCharacters {
    std::uint64_t count = 0; // key presses not sent
    std::string characters;  // code page 1252, each character once, in the order met

    friend bool operator==(const UntypedCharacters&, const UntypedCharacters&) = default;
};

// The key combination that stops a running task: CTRL+ALT+SHIFT and the key
// with this virtual-key code. Laptop keyboards have it, and none of GNOME,
// KDE, Xfce or Windows binds it.
constexpr std::uint8_t kStopKeyVirtualKey = 0x53; // S
inline constexpr const char* kStopKeyText = "Ctrl+Alt+Shift+S";

class DesktopServices {
public:
    virtual ~DesktopServices() = default;

    // ---- Keyboard ----

    // One synthesized keyboard event: flags kKeyEventKeyDown presses the key,
    // kKeyEventKeyUp releases it; extraInfo is always 0. Events reach the
    // foreground window in the order sent.
    virtual void keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                             std::uintptr_t extraInfo) = 0;

    // The key of an 8-bit (code page 1252) character: the low byte is its
    // virtual-key code, the high byte the shift state it needs (bit 0 SHIFT,
    // bit 1 CTRL, bit 2 ALT). -1 (all bits set) when there is no key for it.
    virtual std::int16_t VkKeyScanA(char character) = 0;

    // Converts a NUL-terminated code page 1252 text to the OEM code page 437
    // into `destination`, which has room for the whole text and its NUL.
    virtual bool CharToOemA(const char* source, char* destination) = 0;

    // The key of an OEM (code page 437) character: the low word is its scan
    // code, the high word the shift state. 0xFFFFFFFF when there is none.
    virtual std::uint32_t OemKeyScan(std::uint16_t oemCharacter) = 0;

    // With mapType kMapVkToVsc: the scan code of a virtual key, 0 if none.
    virtual std::uint32_t MapVirtualKeyA(std::uint32_t code, std::uint32_t mapType) = 0;

    // ---- Windows and programs ----

    // The top-level window whose whole title is `title` (code page 1252), or
    // kNoWindow. `className` is always null here. Called with a non-empty
    // title only.
    virtual WindowHandle FindWindowA(const char* className, const char* title) = 0;

    // kShowNormal: shows the window, restored if minimised or maximised.
    virtual bool ShowWindow(WindowHandle window, int showCommand) = 0;

    // Raises the window and makes it the foreground window.
    virtual bool SetForegroundWindow(WindowHandle window) = 0;

    // With kWmSetFocus: returns once the window has the keyboard focus, or
    // after a bounded wait (at most 2 seconds) when it does not take it.
    virtual std::intptr_t SendMessageA(WindowHandle window, std::uint32_t message,
                                       std::uintptr_t wParam, std::intptr_t lParam) = 0;

    // Starts a program, or opens a document or web address with the program
    // associated with it, and returns at once without waiting for it.
    // `directory` is the working directory (null or empty: the current one);
    // `parameters` is always null here. The result is greater than
    // kShellLastFailure for success, as on Windows, else the reason.
    virtual std::intptr_t ShellExecuteA(WindowHandle owner, const char* operation, const char* file,
                                        const char* parameters, const char* directory,
                                        int showCommand) = 0;

    // ---- Waiting, time and locale ----

    // Blocks the calling thread for the given milliseconds.
    virtual void Sleep(std::uint32_t milliseconds) = 0;

    // Milliseconds of a clock that only goes forward, from some fixed point
    // (such as the system's start); it wraps round after 49.7 days. Cheap
    // enough to ask before every key.
    virtual std::uint32_t GetTickCount() = 0;

    // The current local date and time, read afresh at every call.
    virtual SystemTime GetLocalTime() = 0;

    // The date and time formats and weekday names of the user's locale.
    virtual LocaleInfo GetLocaleInfoA() = 0;

    // ---- Unattended safety ----
    // A backend that cannot tell answers as if nothing stood in the way.

    // Whether keys typed now could reach any window: not while a screen
    // locker or saver is in front, the session is locked, or another program
    // holds the keyboard. Cheap enough to ask after every wait of a task.
    virtual InputBlock InputBlocked() { return InputBlock::Clear; }

    // The top-level window that has the keyboard focus; kNoWindow when none
    // has it or the backend cannot tell.
    virtual WindowHandle GetForegroundWindow() { return kNoWindow; }

    // Whether the keyboard focus is in `window` or in one of its dialogs (a
    // window transient for it or owned by it, followed a few levels). Other
    // windows of the same program do not count: a browser, a terminal or an
    // office program keeps every window in one process. Cheap enough to ask
    // every few dozen keys.
    virtual FocusState FocusIsWith(WindowHandle window) {
        static_cast<void>(window);
        return FocusState::Unknown;
    }

    // Whether the desktop itself refused keys sent since the caller last
    // activated a window or asked which one has the focus, because the focus was no longer in the
    // window last asked about (FocusIsWith) or its dialogs, or the session was locked. A backend
    // that sends keys in batches (GNOME) has each batch checked as it arrives and learns of a
    // refusal only afterwards; it then also answers FocusIsWith with Elsewhere. A backend that
    // sends each key at once answers false.
    virtual bool KeysRefused() { return false; }

    // The stop key (kStopKeyText), watched while a task runs. StartStopKeyWatch
    // begins watching and forgets any earlier press; false when the backend
    // cannot watch for it (no such facility, or another program holds the
    // combination). StopKeyPressed tells whether the key has been pressed
    // since; it is cheap and safe to call every few milliseconds, and the
    // watching itself only sets a flag. EndStopKeyWatch lets the combination
    // go again.
    virtual bool StartStopKeyWatch() { return false; }
    virtual bool StopKeyPressed() { return false; }
    virtual void EndStopKeyWatch() {}

    // The characters not typed since the last call (see UntypedCharacters).
    // A backend that types every character answers none.
    virtual UntypedCharacters TakeUntypedCharacters() { return {}; }

    // ---- Starting with the session ----

    // Whether the user's session starts this program, in `dataDirectory`, at
    // login: its entry exists and points at this program and this folder.
    virtual bool AutostartEnabled(const std::filesystem::path& dataDirectory) {
        static_cast<void>(dataDirectory);
        return false;
    }
    // Writes (on) or removes (off) that entry. Returns an empty text on
    // success, else the message for the error box.
    virtual std::string SetAutostart(bool on, const std::filesystem::path& dataDirectory) {
        static_cast<void>(on);
        static_cast<void>(dataDirectory);
        return "Starting with the session is not supported here";
    }
};

} // namespace orvanel
