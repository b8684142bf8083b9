#include "x11testing.h"

#include <gtest/gtest.h>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "desktop/uslayout.h"

extern char** environ;

namespace orvanel::x11test {

namespace {

using Clock = std::chrono::steady_clock;

struct DisplayCloser {
    void operator()(Display* d) const {
        if (d != nullptr) {
            XCloseDisplay(d);
        }
    }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

DisplayPtr OpenDisplay() {
    return DisplayPtr(XOpenDisplay(nullptr));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

void DesktopTest::SetUp() {
    if (!HaveDisplay()) {
        GTEST_SKIP() << "no X display (run the test through run_with_xvfb.sh)";
    }
    std::string error;
    desktop = X11Desktop::Open(nullptr, error);
    ASSERT_TRUE(desktop) << error;
}

bool DesktopTest::Activate(WindowHandle window) {
    return WaitUntil(
        [&] {
            desktop->ShowWindow(window, kShowNormal);
            desktop->SetForegroundWindow(window);
            desktop->SendMessageA(window, kWmSetFocus, 0, 0);
            return desktop->FocusWindow() == window;
        },
        milliseconds(3000));
}

bool HaveDisplay() {
    const char* display = std::getenv("DISPLAY");
    return display != nullptr && display[0] != '\0';
}

std::string TargetWinPath() {
    return ORVANEL_TARGETWIN;
}
std::string HoldKeysPath() {
    return ORVANEL_HOLDKEYS;
}

bool WaitUntil(const std::function<bool()>& condition, milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    auto pause = std::chrono::microseconds(500);
    for (;;) {
        if (condition()) {
            return true;
        }
        if (Clock::now() >= deadline) {
            return condition();
        }
        std::this_thread::sleep_for(pause);
        pause = std::min<std::chrono::microseconds>(pause * 2, milliseconds(20));
    }
}

// ---- Child ----

std::unique_ptr<Child> Child::Spawn(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) {
        return nullptr;
    }
    return std::unique_ptr<Child>(new Child(pid));
}

Child::~Child() {
    if (reaped_) {
        return;
    }
    Signal(SIGTERM);
    if (Wait(milliseconds(3000)) == -1) {
        Signal(SIGKILL);
        Wait(milliseconds(3000));
    }
}

bool Child::Running() {
    if (reaped_) {
        return false;
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        reaped_ = true;
        return false;
    }
    return true;
}

void Child::Signal(int sig) {
    if (!reaped_) {
        kill(pid_, sig);
    }
}

int Child::Wait(milliseconds timeout) {
    int result = -1;
    WaitUntil(
        [&] {
            if (reaped_) {
                return true;
            }
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                result = status;
                return true;
            }
            return false;
        },
        timeout);
    return result;
}

// ---- KeyboardGrab ----

std::unique_ptr<KeyboardGrab> KeyboardGrab::Start() {
    std::unique_ptr<KeyboardGrab> grab(new KeyboardGrab());
    const std::string ready = (grab->dir_ / "grabbed").string();
    grab->process_ = Child::Spawn({ORVANEL_GRABKEYBOARD, ready, (grab->dir_ / "keys").string()});
    if (!grab->process_ ||
        !WaitUntil([&] { return ReadFile(ready) == "grabbed\n"; }, milliseconds(5000))) {
        ADD_FAILURE() << "grabkeyboard did not take the keyboard";
        return nullptr;
    }
    return grab;
}

std::size_t KeyboardGrab::KeysReceived() const {
    return ReadFile((dir_ / "keys").string()).size();
}

// ---- TargetWindow ----

std::unique_ptr<TargetWindow> TargetWindow::Start(const std::string& utf8Title,
                                                  const TargetOptions& options,
                                                  milliseconds timeout) {
    std::unique_ptr<TargetWindow> target(new TargetWindow());
    target->outPath_ = (target->dir_ / "keys.txt").string();
    const std::string ready = target->outPath_ + ".ready";
    std::vector<std::string> argv = {TargetWinPath(),  "--title", utf8Title, "--out",
                                     target->outPath_, "--ready", ready};
    if (options.minimized) {
        argv.emplace_back("--minimized");
    }
    if (options.maximized) {
        argv.emplace_back("--maximized");
    }
    if (options.wmNameOnly) {
        argv.emplace_back("--wm-name-only");
    }
    if (options.keymapOnRead) {
        argv.emplace_back("--keymap-on-read");
    }
    if (options.noFocus) {
        argv.emplace_back("--no-focus");
    }
    if (!options.sibling.empty()) {
        argv.insert(argv.end(), {"--sibling", options.sibling});
    }
    target->process_ = Child::Spawn(argv);
    if (!target->process_) {
        ADD_FAILURE() << "cannot start " << TargetWinPath();
        return nullptr;
    }
    std::string id;
    if (!WaitUntil(
            [&] {
                id = ReadFile(ready);
                return !id.empty() && id.back() == '\n';
            },
            timeout)) {
        ADD_FAILURE() << "targetwin \"" << utf8Title << "\" did not come up";
        return nullptr;
    }
    std::size_t end = 0;
    target->window_ = std::stoull(id, &end);
    if (!options.sibling.empty()) {
        target->sibling_ = std::stoull(id.substr(end));
    }
    return target;
}

std::string TargetWindow::SiblingOutput() const {
    return ReadFile(outPath_ + ".sibling");
}

std::string TargetWindow::Output() const {
    return ReadFile(outPath_);
}

std::string TargetWindow::WaitForOutput(const std::string& expected, milliseconds timeout) const {
    std::string got;
    WaitUntil(
        [&] {
            got = Output();
            return got.size() >= expected.size();
        },
        timeout);
    return got;
}

void TargetWindow::ClearOutput() const {
    // The window appends; truncating in place keeps its descriptor valid.
    std::ofstream(outPath_, std::ios::binary | std::ios::trunc);
}

// ---- WindowManager ----

namespace {

// A window manager announces itself before it takes on new windows: wait
// until it manages (sets WM_STATE on) a probe window, mapping it again if the
// first request came too early.
bool WindowManagerManages() {
    DisplayPtr dpy = OpenDisplay();
    if (!dpy) {
        return false;
    }
    Display* d = dpy.get();
    const Window probe = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 10, 10, 0, 0, 0);
    const Atom wmState = XInternAtom(d, "WM_STATE", False);
    bool managed = false;
    for (int attempt = 0; attempt < 20 && !managed; ++attempt) {
        XUnmapWindow(d, probe);
        XMapWindow(d, probe);
        XSync(d, False);
        managed = WaitUntil(
            [&] {
                Atom type = None;
                int format = 0;
                unsigned long count = 0, after = 0;
                unsigned char* data = nullptr;
                const bool has = XGetWindowProperty(d, probe, wmState, 0, 2, False, wmState, &type,
                                                    &format, &count, &after, &data) == Success &&
                                 count > 0;
                if (data != nullptr) {
                    XFree(data);
                }
                return has;
            },
            milliseconds(250));
    }
    XDestroyWindow(d, probe);
    XSync(d, False);
    return managed;
}

} // namespace

std::unique_ptr<WindowManager> WindowManager::Start(X11Desktop& desktop) {
    std::unique_ptr<WindowManager> wm(new WindowManager());
    wm->desktop_ = &desktop;
    wm->process_ = Child::Spawn({"openbox", "--sm-disable"});
    if (!wm->process_) {
        ADD_FAILURE() << "cannot start openbox";
        return nullptr;
    }
    if (!WaitUntil([&] { return desktop.WindowManagerRunning(); }, milliseconds(5000)) ||
        !WindowManagerManages()) {
        ADD_FAILURE() << "openbox did not come up";
        return nullptr;
    }
    return wm;
}

WindowManager::~WindowManager() {
    if (process_) {
        process_->Signal(SIGTERM);
        process_->Wait(milliseconds(3000));
        WaitUntil([&] { return !desktop_->WindowManagerRunning(); }, milliseconds(2000));
        // openbox leaves its check property on the root window; the next
        // test's targetwin would take it for a window manager.
        if (DisplayPtr dpy = OpenDisplay()) {
            XDeleteProperty(dpy.get(), DefaultRootWindow(dpy.get()),
                            XInternAtom(dpy.get(), "_NET_SUPPORTING_WM_CHECK", False));
            XSync(dpy.get(), False);
        }
    }
}

// ---- keyboard ----

bool SetKeyboardLayout(const std::string& layout) {
    auto child = Child::Spawn({"setxkbmap", layout});
    if (!child) {
        return false;
    }
    const int status = child->Wait(milliseconds(10000));
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

LayoutScope::LayoutScope(const std::string& layout) : ok_(SetKeyboardLayout(layout)) {}
LayoutScope::~LayoutScope() {
    SetKeyboardLayout("us");
}

void TapKey(DesktopServices& desktop, std::uint8_t vk) {
    const auto scan = static_cast<std::uint8_t>(desktop.MapVirtualKeyA(vk, kMapVkToVsc));
    desktop.keybd_event(vk, scan, kKeyEventKeyDown, 0);
    desktop.keybd_event(vk, scan, kKeyEventKeyUp, 0);
}

void TypeText(DesktopServices& desktop, const std::string& cp1252) {
    const auto shiftScan = static_cast<std::uint8_t>(desktop.MapVirtualKeyA(16, kMapVkToVsc));
    for (char c : cp1252) {
        const std::int16_t key = desktop.VkKeyScanA(c);
        const auto vk = static_cast<std::uint8_t>(key & 0xFF);
        const bool shift = key != -1 && (key & 0x100) != 0;
        if (shift) {
            desktop.keybd_event(16, shiftScan, kKeyEventKeyDown, 0);
        }
        TapKey(desktop, vk);
        if (shift) {
            desktop.keybd_event(16, shiftScan, kKeyEventKeyUp, 0);
        }
    }
}

std::string Utf8FromCp1252(const std::string& cp1252) {
    std::string out;
    for (char byte : cp1252) {
        const char32_t c = uslayout::Cp1252ToUnicode(static_cast<unsigned char>(byte));
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::vector<int> PressedKeycodes() {
    std::vector<int> pressed;
    DisplayPtr dpy = OpenDisplay();
    if (!dpy) {
        return pressed;
    }
    char keys[32];
    XQueryKeymap(dpy.get(), keys);
    for (int kc = 0; kc < 256; ++kc) {
        if ((keys[kc / 8] & (1 << (kc % 8))) != 0) {
            pressed.push_back(kc);
        }
    }
    return pressed;
}

std::vector<unsigned long> KeymapSnapshot() {
    std::vector<unsigned long> keysyms(256, 0);
    DisplayPtr dpy = OpenDisplay();
    if (!dpy) {
        return keysyms;
    }
    XkbDescPtr xkb = XkbGetMap(dpy.get(), XkbKeySymsMask | XkbKeyTypesMask, XkbUseCoreKbd);
    if (xkb == nullptr) {
        return keysyms;
    }
    for (int kc = xkb->min_key_code; kc <= xkb->max_key_code; ++kc) {
        if (XkbKeyNumGroups(xkb, kc) > 0) {
            keysyms[kc] = XkbKeySymEntry(xkb, kc, 0, 0);
        }
    }
    XkbFreeKeyboard(xkb, 0, True);
    return keysyms;
}

unsigned long KeycodeKeysym(int keycode) {
    return keycode >= 0 && keycode < 256 ? KeymapSnapshot()[keycode] : 0;
}

std::vector<std::string> NetWmState(WindowHandle window) {
    std::vector<std::string> names;
    DisplayPtr dpy = OpenDisplay();
    if (!dpy) {
        return names;
    }
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy.get(), window, XInternAtom(dpy.get(), "_NET_WM_STATE", False), 0, 64,
                           False, XA_ATOM, &type, &format, &count, &after, &data) == Success &&
        data != nullptr) {
        const auto* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count; ++i) {
            char* name = XGetAtomName(dpy.get(), atoms[i]);
            names.emplace_back(name != nullptr ? name : "");
            XFree(name);
        }
    }
    if (data != nullptr) {
        XFree(data);
    }
    return names;
}

long WmState(WindowHandle window) {
    DisplayPtr dpy = OpenDisplay();
    if (!dpy) {
        return 0;
    }
    const Atom wmState = XInternAtom(dpy.get(), "WM_STATE", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long state = 0;
    if (XGetWindowProperty(dpy.get(), window, wmState, 0, 2, False, wmState, &type, &format, &count,
                           &after, &data) == Success &&
        data != nullptr && count >= 1) {
        state = reinterpret_cast<const long*>(data)[0];
    }
    if (data != nullptr) {
        XFree(data);
    }
    return state;
}

bool WindowViewable(WindowHandle window) {
    DisplayPtr dpy = OpenDisplay();
    XWindowAttributes attributes;
    return dpy && XGetWindowAttributes(dpy.get(), window, &attributes) != 0 &&
           attributes.map_state == IsViewable;
}

} // namespace orvanel::x11test
