// No key stays down however the program ends: killed (SIGKILL) during a
// {SLEEP} inside +( ), ^( ) and %( ), or crashed (SIGSEGV). The release guard
// lets go of the keys within a second, and goes itself.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <vector>

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

} // namespace
} // namespace orvanel
