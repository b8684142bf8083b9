// Helpers for tests that run against a real X display (run_with_xvfb.sh
// provides one): the project's target window program, a window manager, the
// keyboard layout, child processes and bounded waits. Tests of other layers
// (key scripts, the scheduler) link orvanel_x11_testing and use them too.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

#include <gtest/gtest.h>

#include "desktop/desktop.h"
#include "desktop/x11/x11desktop.h"
#include "support/tempdir.h"

namespace orvanel::x11test {

using std::chrono::milliseconds;

// A test against the display, skipped without one: `desktop` is the X11
// backend. A fixture that sets up more calls DesktopTest::SetUp first and
// returns when IsSkipped() or HasFatalFailure().
class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override;
    // Shows and activates `window` as a task run does, and asks again while a
    // window manager still gives the focus to a window mapped just before;
    // true once `window` has the focus (bounded: about 3 s).
    bool Activate(WindowHandle window);
    std::unique_ptr<X11Desktop> desktop;
};

// True when DISPLAY names a display (tests skip otherwise).
bool HaveDisplay();

// The helper programs built beside the tests.
std::string TargetWinPath();
std::string HoldKeysPath();

// Polls `condition` until it holds or `timeout` has passed; polls often at
// first and less often later. Returns the last answer.
bool WaitUntil(const std::function<bool()>& condition, milliseconds timeout);

// A child process started without a shell; killed (SIGTERM, then SIGKILL)
// and reaped when the object goes.
class Child {
public:
    static std::unique_ptr<Child> Spawn(const std::vector<std::string>& argv);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t Pid() const { return pid_; }
    bool Running();
    void Signal(int sig);
    // Waits up to `timeout` for the exit; the wait status, or -1 on timeout.
    int Wait(milliseconds timeout);

private:
    explicit Child(pid_t pid) : pid_(pid) {}
    pid_t pid_;
    bool reaped_ = false;
};

// Another program holding a grab of the whole keyboard, as a screen locker
// does; the grab ends with the object.
class KeyboardGrab {
public:
    // Null (with a gtest failure) when the grab is not held within 5 s.
    static std::unique_ptr<KeyboardGrab> Start();
    // How many key presses the grab has received.
    std::size_t KeysReceived() const;

private:
    KeyboardGrab() = default;
    test::TempDir dir_;
    std::unique_ptr<Child> process_;
};

struct TargetOptions {
    bool minimized = false;    // iconic at start (no window manager: unmapped)
    bool maximized = false;    // maximised at start (window manager needed)
    bool wmNameOnly = false;   // title in WM_NAME only
    bool keymapOnRead = false; // reads keys with the keymap of the moment it reads them
    bool noFocus = false;      // never takes the keyboard focus (WM_HINTS input False)
    std::string sibling = {};  // the title of a second window of the same client
};

// One targetwin process: a window with a given title that writes every key
// it receives to a file (see targetwin.cpp for the token scheme).
class TargetWindow {
public:
    // Starts it and waits until it is up; null (with a gtest failure) if it
    // does not come up within `timeout`.
    static std::unique_ptr<TargetWindow> Start(const std::string& utf8Title,
                                               const TargetOptions& options = {},
                                               milliseconds timeout = milliseconds(5000));

    WindowHandle Window() const { return window_; }
    // The second window of TargetOptions::sibling, and what it has received.
    WindowHandle SiblingWindow() const { return sibling_; }
    std::string SiblingOutput() const;
    const std::string& OutPath() const { return outPath_; }
    // What it has received so far.
    std::string Output() const;
    // Waits until it has received at least `expected.size()` bytes (or the
    // timeout passed) and returns what it has received.
    std::string WaitForOutput(const std::string& expected,
                              milliseconds timeout = milliseconds(5000)) const;
    void ClearOutput() const;
    // Sends a signal to the window's process (SIGSTOP: it reads nothing
    // until SIGCONT).
    void Signal(int sig) const { process_->Signal(sig); }

private:
    TargetWindow() = default;
    test::TempDir dir_;
    std::string outPath_;
    std::unique_ptr<Child> process_;
    WindowHandle window_ = kNoWindow;
    WindowHandle sibling_ = kNoWindow;
};

// openbox, started for the test and stopped after it. Null (with a gtest
// failure) when it does not come up within 5 s.
class WindowManager {
public:
    static std::unique_ptr<WindowManager> Start(X11Desktop& desktop);
    ~WindowManager();
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

private:
    WindowManager() = default;
    std::unique_ptr<Child> process_;
    X11Desktop* desktop_ = nullptr;
};

// Sets the X keyboard layout with setxkbmap (e.g. "us", "de"); true on success.
bool SetKeyboardLayout(const std::string& layout);

// Keeps a keyboard layout for as long as it lives, then goes back to "us".
class LayoutScope {
public:
    explicit LayoutScope(const std::string& layout);
    ~LayoutScope();
    LayoutScope(const LayoutScope&) = delete;
    LayoutScope& operator=(const LayoutScope&) = delete;
    bool Ok() const { return ok_; }

private:
    bool ok_;
};

// Types an 8-bit (code page 1252) text as key scripts do: for each
// character the key that VkKeyScanA gives, with SHIFT around it where the
// answer asks for it.
void TypeText(DesktopServices& desktop, const std::string& cp1252);

// Taps a virtual key (down, up).
void TapKey(DesktopServices& desktop, std::uint8_t vk);

// UTF-8 form of a code page 1252 text.
std::string Utf8FromCp1252(const std::string& cp1252);

// Keycodes that the X server sees as pressed right now.
std::vector<int> PressedKeycodes();

// The keysym at level 0 of group 0 of a keycode (0 for none), from a fresh
// read of the server's keymap.
unsigned long KeycodeKeysym(int keycode);

// The keysym at level 0 of group 0 of every keycode 0 to 255.
std::vector<unsigned long> KeymapSnapshot();

// The atoms in a window's _NET_WM_STATE and its WM_STATE (0 when absent;
// 1 normal, 3 iconic).
std::vector<std::string> NetWmState(WindowHandle window);
long WmState(WindowHandle window);
bool WindowViewable(WindowHandle window);

} // namespace orvanel::x11test
