// Starting programs and opening documents the way the shell's "open" does,
// on a POSIX system: a program file (a binary or a "#!" script, with an
// execute bit) is started directly (fork and exec, no shell ever reads its
// name), detached in its own session with standard input from /dev/null and
// no zombie left behind; any other file, a folder or a web address goes to
// xdg-open.
#pragma once

#include <cstdint>
#include <string>

namespace orvanel::posix {

// Results as ShellExecuteA gives them: greater than 32 for success.
constexpr std::intptr_t kShellSuccess = 42;
constexpr std::intptr_t kShellFileNotFound = 2;
constexpr std::intptr_t kShellPathNotFound = 3;
constexpr std::intptr_t kShellAccessDenied = 5;
constexpr std::intptr_t kShellBadFormat = 11;
constexpr std::intptr_t kShellNoAssociation = 31;

// What "open" does with a file and a working directory, worked out before
// anything is started.
struct ShellPlan {
    enum class Kind { Fail, Execute, Open };
    Kind kind = Kind::Fail;
    std::intptr_t error = kShellFileNotFound; // for Kind::Fail
    std::string program;                      // Execute: the program; Open: xdg-open
    std::string argument;                     // Open: the file (absolute) or address
    std::string directory;                    // working directory (empty: the current one)
};

// The working directory as the task runner hands it over: used as it is when
// it names a folder; else without a final "\" (the runner cuts the program's
// name after its last "\", so /opt/tool\run.sh means the folder /opt/tool);
// else with every "\" read as "/". Empty when none of these is a folder.
std::string ResolveDirectory(const std::string& directory);

// Works out what "open" does with `file` in `directory` (null or empty: the
// current directory). A file name with a "/" is a path, relative to the
// working directory; a bare name is looked for in the working directory,
// then, for executables, along PATH. An address ("scheme://...", "mailto:",
// "www.") is opened as it is.
ShellPlan PlanShellOpen(const char* file, const char* directory);

// Carries out a plan: starts the program detached and returns at once.
// kShellSuccess when it was started (its exec succeeded), else an error code.
std::intptr_t RunShellPlan(const ShellPlan& plan);

} // namespace orvanel::posix
