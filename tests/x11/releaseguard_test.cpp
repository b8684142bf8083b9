// No key stays down however the program ends: killed (SIGKILL) during a
// {SLEEP} inside +( ), ^( ) and %( ), or crashed (SIGSEGV). The release guard
// lets go of the keys within a second, and goes itself. After a normal close
// it releases nothing, and a display that never answers does not keep it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "desktop/x11/x11session.h"
#include "x11testing.h"

namespace orvanel {
namespace {

using namespace x11test;
namespace fs = std::filesystem;

// The state letter and the parent of a process ('\0' when it is gone).
char ProcessState(long pid, long* parent = nullptr, std::string* name = nullptr) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (pid <= 0 || !std::getline(stat, line)) {
        return '\0';
    }
    const auto open = line.find('('), close = line.rfind(')');
    char state = '\0';
    long ppid = 0;
    std::sscanf(line.c_str() + close + 1, " %c %ld", &state, &ppid);
    if (parent != nullptr) {
        *parent = ppid;
    }
    if (name != nullptr) {
        *name = line.substr(open + 1, close - open - 1);
    }
    return state;
}

// The release guard that process `parent` started, once it is up (0 before).
long GuardOf(long parent) {
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename();
        if (pid.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        long ppid = 0;
        std::string name;
        if (ProcessState(std::stol(pid), &ppid, &name) != '\0' && ppid == parent &&
            name == "orvanel-guard") {
            return std::stol(pid);
        }
    }
    return 0;
}

TEST(ReleaseGuardTest, NoKeyStaysDownWhenTheProgramIsKilledOrCrashes) {
    if (!HaveDisplay()) {
        GTEST_SKIP() << "no X display";
    }
    test::TempDir dir;
    struct Case {
        std::vector<std::string> argv;
        int sig; // sent by the test, or raised by the program itself
    };
    // A program that runs one thread forks its guard; one with more threads
    // starts its program file again.
    std::vector<Case> cases = {
        {{HoldKeysPath(), "crash", (dir / "ready").string()}, SIGSEGV},
        {{HoldKeysPath(), "crash-threaded", (dir / "ready2").string()}, SIGSEGV},
        // A guard's variable left in the environment makes no guard of the program.
        {{"/usr/bin/env", "ORVANEL_RELEASE_GUARD=1", HoldKeysPath(), "crash",
          (dir / "ready3").string()},
         SIGSEGV},
    };
#ifdef ORVANEL_SCRIPT_TOOL
    for (const char* script : {"+({SLEEP 5}abc)", "^({SLEEP 5}abc)", "%({SLEEP 5}abc)"}) {
        cases.push_back({{ORVANEL_SCRIPT_TOOL, "--type", "--countdown", "0", script}, SIGKILL});
    }
#endif
    const auto keymap = KeymapSnapshot();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argv.back());
        auto child = Child::Spawn(c.argv);
        ASSERT_TRUE(child);
        long guard = 0;
        ASSERT_TRUE(WaitUntil(
            [&] {
                guard = guard != 0 ? guard : GuardOf(child->Pid());
                return guard != 0 && !PressedKeycodes().empty();
            },
            milliseconds(5000)));
        if (c.sig == SIGKILL) {
            child->Signal(SIGKILL);
        }
        const int status = child->Wait(milliseconds(5000));
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.sig) << status;
        EXPECT_TRUE(WaitUntil([] { return PressedKeycodes().empty(); }, milliseconds(1000)));
        EXPECT_EQ(PressedKeycodes(), std::vector<int>{});
        EXPECT_EQ(KeymapSnapshot(), keymap) << "a borrowed keycode stayed bound";
        EXPECT_TRUE(WaitUntil(
            [&] {
                const char state = ProcessState(guard);
                return state == '\0' || state == 'Z';
            },
            milliseconds(1000)))
            << "the guard outlived the program";
    }
}

TEST(ReleaseGuardTest, AfterANormalCloseTheGuardReleasesNothing) {
    if (!HaveDisplay()) {
        GTEST_SKIP() << "no X display";
    }
    std::string error;
    auto desktop = X11Desktop::Open(nullptr, error);
    ASSERT_TRUE(desktop) << error;
    ASSERT_GT(desktop->ReleaseGuardProcess(), 0);
    // Signals are left to the guard: a handler would have to call Xlib.
    struct sigaction action {};
    sigaction(SIGTERM, nullptr, &action);
    EXPECT_EQ(action.sa_handler, SIG_DFL);
    TapKey(*desktop, 'B');
    // The user holds the same key while the program closes.
    Display* user = XOpenDisplay(nullptr);
    ASSERT_NE(user, nullptr);
    const int b = XKeysymToKeycode(user, XK_b);
    XTestFakeKeyEvent(user, b, True, CurrentTime);
    XSync(user, False);
    desktop.reset(); // lets the guard go and reaps it
    EXPECT_EQ(PressedKeycodes(), std::vector<int>{b});
    XTestFakeKeyEvent(user, b, False, CurrentTime);
    XCloseDisplay(user);
}

TEST(ReleaseGuardTest, ADisplayThatNeverAnswersDoesNotKeepTheGuard) {
    // A listening socket that is never served stands for a hanging display.
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const int port = ntohs(address.sin_port);
    ASSERT_GE(port, 6000);
    x11::Registration registration;
    x11::StartReleaseGuard(registration, ("127.0.0.1:" + std::to_string(port - 6000)).c_str());
    const pid_t guard = registration.guard.pid;
    ASSERT_GT(guard, 0);
    int status = -1;
    const bool gone =
        WaitUntil([&] { return waitpid(guard, &status, WNOHANG) == guard; }, milliseconds(5000));
    EXPECT_TRUE(gone) << "the guard still waits for the display";
    if (!gone) {
        kill(guard, SIGKILL);
        waitpid(guard, &status, 0);
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    x11::StopReleaseGuard(registration);
    close(listener);
}

} // namespace
} // namespace orvanel
