// Starting the release guard, letting it go, and the guard process's frame
// (see releaseguard.h). Starting a fresh image rather than forking keeps the
// guard clear of whatever other threads held locked at the time.
#include "desktop/posix/releaseguard.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <string>

extern char** environ; // NOLINT(readability-redundant-declaration): POSIX leaves it undeclared

namespace orvanel::posix {

namespace {

constexpr const char* kMarkName = "ORVANEL_RELEASE_GUARD";
constexpr int kPipeFd = 3; // in the guard: the reading end of the pipe
constexpr int kPageFd = 4; // in the guard: the shared key page
// How long the guard may take to reach the desktop before it gives up.
constexpr unsigned kOpenSeconds = 3;

// The mark of a guard of `kind` that shares the key page `page`: the kind and
// the identity of the page. A variable of that name in a user's environment
// cannot match a page that its process does not hold.
std::string GuardMark(const char* kind, const struct stat& page) {
    return std::string(kind) + ":" + std::to_string(page.st_dev) + ":" +
           std::to_string(page.st_ino);
}

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

// The program's environment with the guard's mark and `extra`.
std::vector<std::string> GuardEnvironment(const std::string& mark,
                                          const std::vector<std::string>& extra) {
    std::vector<std::string> env;
    for (char** p = environ; p != nullptr && *p != nullptr; ++p) {
        if (std::strncmp(*p, kMarkName, std::strlen(kMarkName)) != 0) {
            env.emplace_back(*p);
        }
    }
    env.push_back(std::string(kMarkName) + "=" + mark);
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

pid_t Spawn(int readEnd, int pageFd, std::vector<std::string> env, int& error) {
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

void StartReleaseGuard(GuardLink& link, const char* kind,
                       const std::vector<std::string>& environment) {
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
    struct stat page {};
    if (mapped != MAP_FAILED && fstat(pageFd, &page) != 0) {
        error = errno;
        munmap(mapped, sizeof(KeyPage));
        mapped = MAP_FAILED;
    }
    if (mapped != MAP_FAILED) {
        new (mapped) KeyPage{};
        pid = Spawn(readEnd, pageFd, GuardEnvironment(GuardMark(kind, page), environment), error);
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
    link.keys = static_cast<KeyPage*>(mapped);
    link.pid = pid;
    link.pipe = writeEnd;
}

void StopReleaseGuard(GuardLink& link) {
    if (link.pid < 0) {
        return;
    }
    KeyPage* shared = link.keys;
    shared->closed.store(1);
    close(link.pipe);
    // It goes at once; reap it so that it leaves no zombie (bounded: a guard
    // still starting up may take a moment).
    // Looked at every millisecond: a program that types a short script and
    // ends (orvanel-script) waits on this.
    for (int i = 0; i < 1000; ++i) {
        if (waitpid(link.pid, nullptr, WNOHANG) != 0) {
            break;
        }
        struct timespec pause {
            0, 1'000'000
        };
        nanosleep(&pause, nullptr);
    }
    link.keys = &link.ownKeys;
    munmap(shared, sizeof(KeyPage));
    link.pid = -1;
    link.pipe = -1;
}

bool IsReleaseGuard(const char* kind) {
    const char* mark = std::getenv(kMarkName);
    struct stat pipe {};
    struct stat page {};
    return mark != nullptr && fstat(kPipeFd, &pipe) == 0 && S_ISFIFO(pipe.st_mode) &&
           fstat(kPageFd, &page) == 0 && GuardMark(kind, page) == mark;
}

namespace {

constexpr char kCannotReach[] = "Orvanel: the key release guard cannot reach the desktop; keys "
                                "held when the program is killed may stay down.\n";

void GiveUpOnTheDesktop(int /*sig*/) {
    (void)!write(STDERR_FILENO, kCannotReach, sizeof kCannotReach - 1);
    _exit(1);
}

} // namespace

void RunReleaseGuard(GuardOpen open, GuardRelease release) {
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGUSR1, SIGUSR2, SIGTSTP}) {
        signal(sig, SIG_IGN); // it ends when the program has ended, not before
    }
    prctl(PR_SET_NAME, "orvanel-guard");
    void* mapped = mmap(nullptr, sizeof(KeyPage), PROT_READ, MAP_SHARED, kPageFd, 0);
    close(kPageFd);
    // Bounded before the first attempt: a desktop that never answers must not
    // keep the guard after the program has gone.
    signal(SIGALRM, GiveUpOnTheDesktop);
    alarm(kOpenSeconds);
    void* context = mapped != MAP_FAILED ? open() : nullptr;
    alarm(0);
    signal(SIGALRM, SIG_DFL);
    if (context == nullptr) {
        GiveUpOnTheDesktop(0);
    }
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
        release(context, *page);
    }
    _exit(0);
}

} // namespace orvanel::posix
