#include "desktop/posix/shell.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#if __has_include(<linux/close_range.h>)
#include <linux/close_range.h>
#endif

namespace orvanel::posix {

namespace {

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// A program file proper: a binary, or a script that names its interpreter
// with "#!". On vfat, NTFS, exFAT and SMB mounts every file has execute bits,
// so the bits alone do not make a text file a program.
bool IsProgramFile(const std::string& path) {
    if (!IsExecutableFile(path)) {
        return false;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    char head[4] = {};
    ssize_t got;
    do {
        got = read(fd, head, sizeof head);
    } while (got < 0 && errno == EINTR);
    close(fd);
    return (got >= 2 && head[0] == '#' && head[1] == '!') || (got == 4 && std::memcmp(head,
                                                                                      "\x7F"
                                                                                      "ELF",
                                                                                      4) == 0);
}

std::string Join(const std::string& directory, const std::string& name) {
    if (directory.empty()) {
        return name;
    }
    if (directory.back() == '/') {
        return directory + name;
    }
    return directory + "/" + name;
}

std::string CurrentDirectory() {
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            return ".";
        }
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

std::string Absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/') {
        return path;
    }
    return Join(CurrentDirectory(), path);
}

// The executable `name` along PATH, or empty.
std::string SearchPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string list = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(':', start);
        if (end == std::string::npos) {
            end = list.size();
        }
        const std::string dir = end > start ? list.substr(start, end - start) : std::string(1, '.');
        const std::string candidate = Join(dir, name);
        if (IsExecutableFile(candidate)) {
            return Absolute(candidate);
        }
        start = end + 1;
    }
    return {};
}

bool IsAddress(const std::string& file) {
    if (file.rfind("mailto:", 0) == 0 || file.rfind("www.", 0) == 0) {
        return true;
    }
    const std::size_t colon = file.find("://");
    if (colon == std::string::npos || colon < 2) {
        return false;
    }
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = file[i];
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
        if (!ok) {
            return false;
        }
    }
    return true;
}

ShellPlan Fail(std::intptr_t error) {
    ShellPlan plan;
    plan.error = error;
    return plan;
}

ShellPlan OpenWithDesktop(const std::string& argument, const std::string& directory) {
    const std::string opener = SearchPath("xdg-open");
    if (opener.empty()) {
        return Fail(kShellNoAssociation);
    }
    ShellPlan plan;
    plan.kind = ShellPlan::Kind::Open;
    plan.program = opener;
    plan.argument = argument;
    plan.directory = directory;
    return plan;
}

} // namespace

std::string ResolveDirectory(const std::string& directory) {
    if (IsDirectory(directory)) {
        return directory;
    }
    if (!directory.empty() && directory.back() == '\\') {
        std::string cut = directory.substr(0, directory.size() - 1);
        if (IsDirectory(cut)) {
            return cut;
        }
    }
    std::string slashes = directory;
    for (char& c : slashes) {
        if (c == '\\') {
            c = '/';
        }
    }
    if (IsDirectory(slashes)) {
        return slashes;
    }
    return {};
}

ShellPlan PlanShellOpen(const char* file, const char* directory) {
    const std::string name = file != nullptr ? file : "";
    if (name.empty()) {
        return Fail(kShellFileNotFound);
    }
    std::string workDir;
    if (directory != nullptr && directory[0] != '\0') {
        workDir = ResolveDirectory(directory);
        if (workDir.empty()) {
            return Fail(kShellPathNotFound);
        }
        workDir = Absolute(workDir);
    }
    if (IsAddress(name)) {
        return OpenWithDesktop(name.rfind("www.", 0) == 0 ? "http://" + name : name, workDir);
    }

    std::string path;
    if (name.find('/') != std::string::npos) {
        path = name[0] == '/' ? name : Join(workDir.empty() ? CurrentDirectory() : workDir, name);
        if (!Exists(path)) {
            return Fail(kShellFileNotFound);
        }
    } else {
        const std::string local = Join(workDir.empty() ? CurrentDirectory() : workDir, name);
        if (Exists(local)) {
            path = local;
        } else {
            path = SearchPath(name);
            if (path.empty()) {
                return Fail(kShellFileNotFound);
            }
        }
    }

    if (IsProgramFile(path)) {
        ShellPlan plan;
        plan.kind = ShellPlan::Kind::Execute;
        plan.program = path;
        plan.directory = workDir;
        return plan;
    }
    if (access(path.c_str(), R_OK) != 0) {
        return Fail(kShellAccessDenied);
    }
    return OpenWithDesktop(Absolute(path), workDir);
}

std::intptr_t RunShellPlan(const ShellPlan& plan) {
    if (plan.kind == ShellPlan::Kind::Fail) {
        return plan.error;
    }
    // Everything the children need is made before fork: after it only
    // async-signal-safe calls are made.
    std::vector<std::string> words = {plan.program};
    if (plan.kind == ShellPlan::Kind::Open) {
        words.push_back(plan.argument);
    }
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);
    const char* dir = plan.directory.empty() ? nullptr : plan.directory.c_str();

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        return 0;
    }
    const pid_t child = fork();
    if (child < 0) {
        close(report[0]);
        close(report[1]);
        return 0;
    }
    if (child == 0) {
        // The first child starts a new session and leaves at once, so that the
        // program is nobody's child here and never becomes a zombie of ours.
        setsid();
        const pid_t grandchild = fork();
        if (grandchild != 0) {
            if (grandchild < 0) {
                const int e = errno;
                [[maybe_unused]] ssize_t n = write(report[1], &e, sizeof e);
            }
            _exit(0);
        }
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        struct sigaction dfl {};
        dfl.sa_handler = SIG_DFL;
        for (int sig = 1; sig < NSIG; ++sig) {
            sigaction(sig, &dfl, nullptr);
        }
        int e = 0;
        if (dir != nullptr && chdir(dir) != 0) {
            e = errno;
            [[maybe_unused]] ssize_t n = write(report[1], &e, sizeof e);
            _exit(127);
        }
        const int devnull = open("/dev/null", O_RDONLY);
        if (devnull >= 0 && devnull != 0) {
            dup2(devnull, 0);
            close(devnull);
        }
#if defined(CLOSE_RANGE_CLOEXEC)
        close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
#endif
        execv(argv[0], argv.data());
        e = errno;
        [[maybe_unused]] ssize_t n = write(report[1], &e, sizeof e);
        _exit(127);
    }
    close(report[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int e = 0;
    ssize_t got;
    do {
        got = read(report[0], &e, sizeof e);
    } while (got < 0 && errno == EINTR);
    close(report[0]);
    if (got == static_cast<ssize_t>(sizeof e)) {
        return e == ENOENT                   ? kShellFileNotFound
               : (e == EACCES || e == EPERM) ? kShellAccessDenied
               : e == ENOTDIR                ? kShellPathNotFound
               : e == ENOEXEC                ? kShellBadFormat
                                             : 0;
    }
    return kShellSuccess;
}

} // namespace orvanel::posix
