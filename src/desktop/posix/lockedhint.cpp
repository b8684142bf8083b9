#include "desktop/posix/lockedhint.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace orvanel::posix {

namespace {

using Clock = std::chrono::steady_clock;

bool ValidSessionId(const char* id) {
    if (id == nullptr || id[0] == '\0') {
        return false;
    }
    for (const char* p = id; *p != '\0'; ++p) {
        const char c = *p;
        const bool ok =
            (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        if (!ok) {
            return false;
        }
    }
    return true;
}

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Starts `argv` with standard output on `out` and nothing else open.
pid_t Spawn(const std::vector<std::string>& argv, int out) {
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Reads what `fd` gives until its end or the deadline; false on the deadline.
bool ReadUntil(int fd, std::string& text, Clock::time_point deadline) {
    for (;;) {
        struct pollfd p {
            fd, POLLIN, 0
        };
        const int ready = poll(&p, 1, RemainingMs(deadline));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return false;
        }
        char buffer[128];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return true;
        }
        if (text.size() < 256) {
            text.append(buffer, static_cast<std::size_t>(n));
        }
    }
}

// The exit status of `pid` by the deadline; killed and -1 after it.
int Reap(pid_t pid, Clock::time_point deadline) {
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (done < 0 && errno != EINTR) {
            return -1;
        }
        if (Clock::now() >= deadline) {
            kill(pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return -1;
        }
        usleep(2000);
    }
}

} // namespace

std::vector<std::string> LockedHintCommand(const LockedHintQuery& query) {
    std::string session = query.session;
    if (session.empty()) {
        const char* id = std::getenv("XDG_SESSION_ID");
        session = ValidSessionId(id) ? id : "auto";
    }
    return {query.program, "show-session", session, "-p", "LockedHint", "--value"};
}

bool SessionLocked(const LockedHintQuery& query) {
    if (access(query.logindMark.c_str(), F_OK) != 0) {
        return false;
    }
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        return false;
    }
    const Clock::time_point deadline = Clock::now() + query.timeout;
    const pid_t pid = Spawn(LockedHintCommand(query), pipeFds[1]);
    close(pipeFds[1]);
    if (pid < 0) {
        close(pipeFds[0]);
        return false;
    }
    std::string answer;
    const bool complete = ReadUntil(pipeFds[0], answer, deadline);
    close(pipeFds[0]);
    const int status = Reap(pid, complete ? deadline : Clock::now());
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == ' ')) {
        answer.pop_back();
    }
    return complete && status == 0 && answer == "yes";
}

} // namespace orvanel::posix
