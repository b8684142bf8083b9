// The real program end to end: `orvanel` started in a fresh working directory
// on a private Xvfb with openbox, with a week written to its day files. Its
// minute timer must type a due task's script into the window with the task's
// title, start a due task's program in the program's own directory, report a
// malformed Hour once in an error box (not a second box at the next tick),
// leave every file as it was, and exit with 0 when its window is closed. A
// task that another program writes into the day file while the program runs
// is run at the next tick.
//
// The program's first tick comes 60 s after its window is created and
// examines the minute after the one it started in, so the due tasks are put
// at that minute and one more task at the minute after it, which the second
// tick runs: the whole test takes a little over two minutes.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "support/tempdir.h"
#include "x11testing.h"

namespace orvanel {
namespace {

using namespace x11test;
using std::chrono::seconds;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr const char* kTargetTitle = "Orvanel E2E Target";
constexpr const char* kDayFiles[7] = {"sunlist.ini", "monlist.ini", "tuelist.ini", "wedlist.ini",
                                      "thulist.ini", "frilist.ini", "satlist.ini"};

// Windows can go away between listing and asking; such errors are expected.
int IgnoreXError(Display*, XErrorEvent*) {
    return 0;
}

// A connection of the test's own for looking at the program's windows.
class Screen {
public:
    Screen() : dpy_(XOpenDisplay(nullptr)) {}
    ~Screen() {
        if (dpy_ != nullptr) {
            XCloseDisplay(dpy_);
        }
    }
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;
    bool Ok() const { return dpy_ != nullptr; }

    // The windows that the window manager manages.
    std::vector<Window> Clients() {
        std::vector<Window> windows;
        unsigned long count = 0;
        unsigned char* data =
            Property(DefaultRootWindow(dpy_), "_NET_CLIENT_LIST", XA_WINDOW, count);
        if (data != nullptr) {
            const auto* list = reinterpret_cast<const Window*>(data);
            windows.assign(list, list + count);
            XFree(data);
        }
        return windows;
    }

    long Pid(Window window) {
        unsigned long count = 0;
        unsigned char* data = Property(window, "_NET_WM_PID", XA_CARDINAL, count);
        long pid = 0;
        if (data != nullptr && count == 1) {
            pid = reinterpret_cast<const long*>(data)[0];
        }
        if (data != nullptr) {
            XFree(data);
        }
        return pid;
    }

    std::string Title(Window window) {
        unsigned long count = 0;
        unsigned char* data =
            Property(window, "_NET_WM_NAME", XInternAtom(dpy_, "UTF8_STRING", False), count);
        std::string title;
        if (data != nullptr) {
            title.assign(reinterpret_cast<const char*>(data), count);
            XFree(data);
        }
        return title;
    }

    Window TransientFor(Window window) {
        Window owner = None;
        return XGetTransientForHint(dpy_, window, &owner) != 0 ? owner : None;
    }

    // The program's managed windows titled "Orvanel": its main window and
    // its message boxes.
    std::vector<Window> ProgramWindows(long pid) {
        std::vector<Window> windows;
        for (Window w : Clients()) {
            if (Pid(w) == pid && Title(w) == "Orvanel") {
                windows.push_back(w);
            }
        }
        return windows;
    }

    // The names of the atoms in a window's _NET_WM_WINDOW_TYPE.
    std::vector<std::string> WindowTypes(Window window) {
        std::vector<std::string> names;
        unsigned long count = 0;
        unsigned char* data = Property(window, "_NET_WM_WINDOW_TYPE", XA_ATOM, count);
        if (data != nullptr) {
            const auto* atoms = reinterpret_cast<const Atom*>(data);
            for (unsigned long i = 0; i < count; ++i) {
                char* name = XGetAtomName(dpy_, atoms[i]);
                names.emplace_back(name != nullptr ? name : "");
                XFree(name);
            }
            XFree(data);
        }
        return names;
    }

private:
    unsigned char* Property(Window window, const char* name, Atom type, unsigned long& count) {
        Atom actual = None;
        int format = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        count = 0;
        if (XGetWindowProperty(dpy_, window, XInternAtom(dpy_, name, False), 0, 65536, False, type,
                               &actual, &format, &count, &after, &data) != Success ||
            actual == None) {
            if (data != nullptr) {
                XFree(data);
            }
            count = 0;
            return nullptr;
        }
        return data;
    }

    Display* dpy_;
};

// The time from now until `deadline` (none when it has passed).
milliseconds Until(Clock::time_point deadline) {
    return std::max(milliseconds(0),
                    std::chrono::duration_cast<milliseconds>(deadline - Clock::now()));
}

// Local time fields of a moment (TZ is set by the test).
std::tm Local(std::time_t when) {
    std::tm fields{};
    localtime_r(&when, &fields);
    return fields;
}

std::string TaskLine(const std::string& exe, const std::string& title, const std::string& hour,
                     const std::string& minute, const std::string& script) {
    return exe + "|" + title + "|" + hour + "|" + minute + "|" + script + "\r\n";
}

void WriteExecutable(const fs::path& path, const std::string& text) {
    test::WriteBytes(path, text);
    ASSERT_EQ(chmod(path.c_str(), 0755), 0);
}

std::map<std::string, std::string> DirectoryBytes(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        files[entry.path().filename().string()] =
            entry.is_regular_file() ? test::ReadBytes(entry.path()) : std::string("<dir>");
    }
    return files;
}

TEST(ProgramE2eTest, TheMinuteTimerRunsTheDueTasksOfTheWeekAndReportsAMalformedHourOnce) {
    if (!HaveDisplay()) {
        GTEST_SKIP() << "no X display (run the test through run_with_xvfb.sh)";
    }
    // The program and the test read the same clock in the same zone.
    setenv("TZ", "UTC", 1);
    tzset();
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    unsetenv("SESSION_MANAGER");
    XSetErrorHandler(IgnoreXError);

    std::string error;
    auto desktop = X11Desktop::Open(nullptr, error);
    ASSERT_TRUE(desktop) << error;
    auto wm = WindowManager::Start(*desktop);
    ASSERT_TRUE(wm);
    Screen screen;
    ASSERT_TRUE(screen.Ok());

    auto target = TargetWindow::Start(kTargetTitle);
    // A window whose title merely begins with the task's title is not it.
    auto decoy = TargetWindow::Start(std::string(kTargetTitle) + " 2");
    ASSERT_TRUE(target && decoy);

    test::TempDir work;
    test::TempDir programs;
    const fs::path programDir = fs::canonical(programs.Path());
    const fs::path pwdFile = programDir / "pwd.txt";
    const fs::path neverFile = programDir / "never.txt";
    // The task's program: writes the directory it runs in.
    WriteExecutable(programDir / "run.sh", "#!/bin/sh\npwd > '" + pwdFile.string() +
                                               ".tmp' && mv '" + pwdFile.string() + ".tmp' '" +
                                               pwdFile.string() + "'\n");
    // The program of tasks whose window is open: must never be started.
    WriteExecutable(programDir / "never.sh",
                    "#!/bin/sh\necho started > '" + neverFile.string() + "'\n");
    // The runner splits the EXE name after its last "\": the directory part
    // "<dir>\" is the working directory and "run.sh" the file.
    const std::string runExe = programDir.string() + "\\run.sh";
    const std::string neverExe = programDir.string() + "\\never.sh";

    // Leave enough of the current minute for the program to start in it.
    const std::time_t now = std::time(nullptr);
    if (Local(now).tm_sec >= 45) {
        std::this_thread::sleep_for(seconds(60 - Local(now).tm_sec));
        WaitUntil([&] { return Local(std::time(nullptr)).tm_sec < 30; }, milliseconds(3000));
    }
    const std::time_t startMinute = std::time(nullptr) / 60 * 60;
    const std::tm first = Local(startMinute + 60);   // the first tick's minute
    const std::tm second = Local(startMinute + 120); // the second tick's minute
    const std::string h1 = std::to_string(first.tm_hour), m1 = std::to_string(first.tm_min);
    const std::string h2 = std::to_string(second.tm_hour), m2 = std::to_string(second.tm_min);

    const std::string firstTasks =
        // (a) due at the first tick: its window is open, so it is typed into.
        TaskLine(neverExe, kTargetTitle, h1, m1, "hello{TAB}world~") +
        // (b) due at the first tick: no title, so its program is started.
        TaskLine(runExe, "", h1, m1, "");
    const std::string laterTasks =
        // (d) due at the second tick.
        TaskLine(neverExe, kTargetTitle, h2, m2, "second~") +
        // (c) a malformed Hour: the error box; the tick ends here.
        TaskLine(neverExe, kTargetTitle, "x", m1, "never") +
        TaskLine(neverExe, kTargetTitle, h1, m1, "after");
    const std::string week = firstTasks + laterTasks;
    test::WriteBytes(work / "schedule.ini", "Script Delay (mSecs):\r\n0\r\n");
    test::WriteBytes(work / kDayFiles[first.tm_wday], week);
    test::WriteBytes(work / kDayFiles[second.tm_wday], week); // past midnight
    auto filesBefore = DirectoryBytes(work.Path());

    // The program reads its files in the directory it is started in.
    const fs::path testDir = fs::current_path();
    fs::current_path(work.Path());
    auto program = Child::Spawn({ORVANEL_PROGRAM});
    fs::current_path(testDir);
    ASSERT_TRUE(program);
    const auto started = Clock::now();
    const long pid = program->Pid();

    // The main window is the one titled "Orvanel" that is transient for no
    // other; every other such window of the program is a message box.
    Window mainWindow = None;
    ASSERT_TRUE(WaitUntil(
        [&] {
            const auto windows = screen.ProgramWindows(pid);
            if (windows.size() == 1 && screen.TransientFor(windows[0]) == None) {
                mainWindow = windows[0];
            }
            return mainWindow != None;
        },
        seconds(30)))
        << "the main window did not come up";
    ASSERT_EQ(std::time(nullptr) / 60 * 60, startMinute)
        << "the program came up in a later minute than the one its tasks were planned for";
    // (e) another program adds a task for the first tick to the running
    // program's day file: the tick takes the file in before it looks.
    const std::string rewritten =
        firstTasks + TaskLine(neverExe, kTargetTitle, h1, m1, "external~") + laterTasks;
    test::WriteBytes(work / kDayFiles[first.tm_wday], rewritten);
    filesBefore[kDayFiles[first.tm_wday]] = rewritten;
    const auto errorBoxes = [&] {
        std::vector<Window> boxes;
        for (Window w : screen.ProgramWindows(pid)) {
            if (w != mainWindow) {
                boxes.push_back(w);
            }
        }
        return boxes;
    };
    std::vector<Window> boxes;

    // The first tick: (a) types into its window, (b) starts run.sh in its
    // directory, (e) types into the window, then (c) is reported.
    const std::string typed = "hello<Tab>world<Return>external<Return>";
    EXPECT_EQ(target->WaitForOutput(typed, Until(started + seconds(100))), typed);
    EXPECT_TRUE(WaitUntil([&] { return fs::exists(pwdFile); }, seconds(15)))
        << "the task's program was not started";
    if (fs::exists(pwdFile)) {
        EXPECT_EQ(test::ReadBytes(pwdFile), programDir.string() + "\n")
            << "the task's program did not run in its directory";
    }
    EXPECT_TRUE(WaitUntil(
        [&] {
            boxes = errorBoxes();
            return !boxes.empty();
        },
        seconds(15)))
        << "no error box for the malformed Hour";
    EXPECT_EQ(boxes.size(), 1u);

    // A dialog of the main window. (Its text, "'x' is not a valid integer
    // value.", is checked by the window's own tests: X does not show it.)
    if (boxes.size() == 1) {
        EXPECT_EQ(screen.TransientFor(boxes[0]), mainWindow);
        const auto types = screen.WindowTypes(boxes[0]);
        EXPECT_NE(std::find(types.begin(), types.end(), "_NET_WM_WINDOW_TYPE_DIALOG"), types.end());
    }

    // The second tick runs (d) and meets (c) again: still one box.
    const std::string both = typed + "second<Return>";
    EXPECT_EQ(target->WaitForOutput(both, Until(started + seconds(165))), both);
    const auto observed = Clock::now();
    while (Clock::now() - observed < seconds(3)) {
        boxes = errorBoxes();
        ASSERT_EQ(boxes.size(), 1u) << "the same error was reported in a second box";
        std::this_thread::sleep_for(milliseconds(100));
    }
    EXPECT_EQ(target->Output(), both) << "a line after the malformed one ran";
    EXPECT_EQ(decoy->Output(), "");
    EXPECT_FALSE(fs::exists(neverFile)) << "a program was started although its window is open";

    // Close the box (Enter presses its OK), then the main window (Alt+F4).
    desktop->SetForegroundWindow(boxes[0]);
    desktop->SendMessageA(boxes[0], kWmSetFocus, 0, 0);
    TapKey(*desktop, 13);
    EXPECT_TRUE(WaitUntil(
        [&] {
            boxes = errorBoxes();
            return boxes.empty();
        },
        seconds(5)))
        << "the error box did not close";
    desktop->SetForegroundWindow(mainWindow);
    desktop->SendMessageA(mainWindow, kWmSetFocus, 0, 0);
    desktop->keybd_event(18, 0x38, kKeyEventKeyDown, 0);
    TapKey(*desktop, 115); // F4
    desktop->keybd_event(18, 0x38, kKeyEventKeyUp, 0);
    const int status = program->Wait(seconds(10));
    ASSERT_NE(status, -1) << "the program did not end when its window was closed";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;

    EXPECT_EQ(PressedKeycodes(), std::vector<int>{}) << "a key stayed down";
    // The history holds a typed record for (a) with its title, and no
    // script text anywhere: scripts may hold passwords.
    auto files = DirectoryBytes(work.Path());
    const std::string history = files["history.log"];
    files.erase("history.log");
    EXPECT_NE(history.find("\ttyped\t" + neverExe + "\t" + std::string(kTargetTitle) +
                           "\twindow found; 1 step, "),
              std::string::npos)
        << history;
    for (const char* script : {"hello", "world~", "second~", "external~", "after"}) {
        EXPECT_EQ(history.find(script), std::string::npos) << script << " in " << history;
    }
    // Closing saves nothing: the week is as it was written.
    EXPECT_EQ(files, filesBefore);
}

} // namespace
} // namespace orvanel
