// The release guard of the X11 backend (see x11session.h): starting it,
// letting it go, and the guard process itself.
//
// While the program has one thread (the program and the script tool open
// their backend before anything starts a thread), the guard is forked: that
// costs the program a fraction of a millisecond. A forked child of a program
// with other threads may find a lock held for ever, so otherwise the guard is
// this same program file started again (/proc/self/exe) with a mark in its
// environment, read while the program file's static objects are set up,
// before main. Either way the guard ends with _exit: nothing of the program
// runs in it, its exit handlers included, and it holds no file of the
// program's.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <string>
#include <vector>

#include "desktop/x11/x11session.h"

extern char** environ; // NOLINT(readability-redundant-declaration): POSIX leaves it undeclared

namespace orvanel::x11 {

namespace {

constexpr const char* kGuardMark = "ORVANEL_RELEASE_GUARD=1";
constexpr const char* kDisplayVariable = "ORVANEL_RELEASE_GUARD_DISPLAY";
constexpr int kPipeFd = 3; // in the guard: the reading end of the pipe
constexpr int kPageFd = 4; // in the guard: the shared key page

// ---- the guard process ----

// Releases what the program left down, on the guard's own connection: every
// key the page shows down, and every key the program pressed that the server
// still shows down (a release the program had queued may have died with its
// connection; the server ignores a release of a key that is up). Borrowed
// keycodes that still hold the program's keysym are given back.
void ReleaseLeftKeys(Display* display, const KeyPage& page) {
    char down[32] = {};
    XQueryKeymap(display, down);
    for (int kc = 8; kc < 256; ++kc) {
        const bool serverDown = ((down[kc / 8] >> (kc % 8)) & 1) != 0;
        if (page.pressed[kc].load() != 0 || (page.everPressed[kc].load() != 0 && serverDown)) {
            XTestFakeKeyEvent(display, static_cast<unsigned>(kc), False, CurrentTime);
        }
    }
    for (int kc = 8; kc < 256; ++kc) {
        if (page.bound[kc].load() == 0) {
            continue;
        }
        int perKeycode = 0;
        KeySym* syms = XGetKeyboardMapping(display, static_cast<KeyCode>(kc), 1, &perKeycode);
        const bool stillOurs =
            syms != nullptr && perKeycode > 0 && syms[0] == page.boundKeysym[kc].load();
        XFree(syms);
        if (stillOurs) {
            KeySym none = NoSymbol;
            XChangeKeyboardMapping(display, kc, 1, &none, 1);
        }
    }
    XSync(display, False);
}

int IgnoreXError(Display* /*display*/, XErrorEvent* /*event*/) {
    return 0;
}

[[noreturn]] void GuardMain(const char* displayName) {
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGUSR1, SIGUSR2, SIGTSTP}) {
        signal(sig, SIG_IGN); // it ends when the program has ended, not before
    }
    prctl(PR_SET_NAME, "orvanel-guard");
    void* mapped = mmap(nullptr, sizeof(KeyPage), PROT_READ, MAP_SHARED, kPageFd, 0);
    close(kPageFd);
    Display* display =
        XOpenDisplay(displayName != nullptr && displayName[0] != '\0' ? displayName : nullptr);
    if (mapped == MAP_FAILED || display == nullptr) {
        std::fprintf(stderr, "Orvanel: the key release guard cannot reach the X display; keys "
                             "held when the program is killed may stay down.\n");
        _exit(1);
    }
    XSetErrorHandler(IgnoreXError);
    char sink[64];
    for (;;) { // nothing is written: the read ends when the program has ended
        const ssize_t n = read(kPipeFd, sink, sizeof sink);
        if (n == 0 || (n < 0 && errno != EINTR)) {
            break;
        }
    }
    const auto* page = static_cast<const KeyPage*>(mapped);
    if (page->closed.load() == 0) {
        alarm(1); // never outlives the program by more than a second
        ReleaseLeftKeys(display, *page);
    }
    _exit(0);
}

[[maybe_unused]] const bool gRunAsGuard = [] {
    const char* mark = std::getenv("ORVANEL_RELEASE_GUARD");
    if (mark != nullptr && std::strcmp(mark, "1") == 0) {
        GuardMain(std::getenv(kDisplayVariable));
    }
    return false;
}();

// ---- starting it ----

void SayCannotStart(const char* why) {
    static std::atomic<bool> said{false};
    if (!said.exchange(true)) {
        std::fprintf(stderr,
                     "Orvanel: cannot start the key release guard (%s); keys held when the "
                     "program is killed may stay down.\n",
                     why);
    }
}

// The descriptor moved to 10 or above and closed on exec, so that the guard's
// own numbers are free and no other program inherits it.
int MovedHigh(int fd) {
    if (fd < 0) {
        return fd;
    }
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 10);
    close(fd);
    return moved;
}

// The program's environment with the guard's mark and display.
std::vector<std::string> GuardEnvironment(const char* displayName) {
    std::vector<std::string> env;
    for (char** p = environ; p != nullptr && *p != nullptr; ++p) {
        if (std::strncmp(*p, "ORVANEL_RELEASE_GUARD", 21) != 0) {
            env.emplace_back(*p);
        }
    }
    env.emplace_back(kGuardMark);
    env.push_back(std::string(kDisplayVariable) + "=" + (displayName ? displayName : ""));
    return env;
}

// True when the process runs one thread only.
bool SingleThreaded() {
    char stat[1024] = {};
    const int fd = open("/proc/self/stat", O_RDONLY | O_CLOEXEC);
    const ssize_t n = fd >= 0 ? read(fd, stat, sizeof stat - 1) : -1;
    if (fd >= 0) {
        close(fd);
    }
    const char* close = n > 0 ? std::strrchr(stat, ')') : nullptr;
    int field = 2; // the name in parentheses is field 2; num_threads is 20
    for (const char* p = close; p != nullptr && *p != '\0'; ++p) {
        if (*p == ' ' && ++field == 20) {
            return std::strtol(p + 1, nullptr, 10) == 1;
        }
    }
    return false;
}

// The guard as a forked child of a program that runs one thread.
pid_t Fork(int readEnd, int pageFd, const char* displayName, int& error) {
    const std::string name = displayName != nullptr ? displayName : "";
    const pid_t pid = fork();
    if (pid != 0) {
        error = errno;
        return pid;
    }
    setsid(); // a Ctrl+C or a hang-up of the terminal is not its
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int sig = 1; sig < NSIG; ++sig) {
        signal(sig, SIG_DFL);
    }
    dup2(readEnd, kPipeFd);
    dup2(pageFd, kPageFd);
    const int devnull = open("/dev/null", O_RDWR);
    dup2(devnull, 0);
    dup2(devnull, 1);
    close_range(kPageFd + 1, ~0U, 0); // the program's files and X connection
    GuardMain(name.c_str());
}

pid_t Spawn(int readEnd, int pageFd, const char* displayName, int& error) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, readEnd, kPipeFd);
    posix_spawn_file_actions_adddup2(&actions, pageFd, kPageFd);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    // A session of its own: a Ctrl+C or a hang-up of the terminal is not its.
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::vector<std::string> env = GuardEnvironment(displayName);
    std::vector<char*> envp;
    envp.reserve(env.size() + 1);
    for (std::string& entry : env) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::string argv0 = "orvanel-guard";
    char* argv[] = {argv0.data(), nullptr};
    pid_t pid = -1;
    error = posix_spawn(&pid, "/proc/self/exe", &actions, &attributes, argv, envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

} // namespace

void StartReleaseGuard(Registration& registration, const char* displayName) {
    int ends[2] = {-1, -1};
    if (pipe2(ends, O_CLOEXEC) != 0) {
        SayCannotStart(std::strerror(errno));
        return;
    }
    const int readEnd = MovedHigh(ends[0]);
    const int writeEnd = MovedHigh(ends[1]);
    const int pageFd = MovedHigh(memfd_create("orvanel-keys", MFD_CLOEXEC));
    void* mapped = MAP_FAILED;
    if (readEnd >= 0 && writeEnd >= 0 && pageFd >= 0 && ftruncate(pageFd, sizeof(KeyPage)) == 0) {
        mapped = mmap(nullptr, sizeof(KeyPage), PROT_READ | PROT_WRITE, MAP_SHARED, pageFd, 0);
    }
    int error = errno;
    pid_t pid = -1;
    if (mapped != MAP_FAILED) {
        new (mapped) KeyPage{};
        pid = SingleThreaded() ? Fork(readEnd, pageFd, displayName, error)
                               : Spawn(readEnd, pageFd, displayName, error);
    }
    close(readEnd);
    close(pageFd);
    if (pid < 0) {
        if (mapped != MAP_FAILED) {
            munmap(mapped, sizeof(KeyPage));
        }
        close(writeEnd);
        SayCannotStart(std::strerror(error));
        return;
    }
    registration.keys = static_cast<KeyPage*>(mapped);
    registration.guardPid = pid;
    registration.guardPipe = writeEnd;
}

void StopReleaseGuard(Registration& registration) {
    if (registration.guardPid < 0) {
        return;
    }
    KeyPage* shared = registration.keys;
    shared->closed.store(1);
    close(registration.guardPipe);
    // It goes at once; reap it so that it leaves no zombie (bounded: a guard
    // still starting up may take a moment).
    for (int i = 0; i < 200; ++i) {
        const pid_t done = waitpid(registration.guardPid, nullptr, WNOHANG);
        if (done != 0) {
            break;
        }
        struct timespec pause {
            0, 5'000'000
        };
        nanosleep(&pause, nullptr);
    }
    registration.keys = &registration.ownKeys;
    munmap(shared, sizeof(KeyPage));
    registration.guardPid = -1;
    registration.guardPipe = -1;
}

} // namespace orvanel::x11
