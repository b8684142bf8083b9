// Starting programs: an executable is started directly (never through a
// shell), detached, in its working directory, and the call returns at once;
// other files and addresses go to xdg-open.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "desktop/posix/shell.h"
#include "support/tempdir.h"

namespace orvanel {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Polls `condition` until it holds or `timeout` has passed.
bool WaitUntil(const std::function<bool()>& condition, milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() >= deadline) {
            return condition();
        }
        std::this_thread::sleep_for(milliseconds(2));
    }
    return true;
}

void WriteScript(const fs::path& path, const std::string& body) {
    test::WriteBytes(path, "#!/bin/sh\n" + body);
    chmod(path.c_str(), 0755);
}

std::string Trimmed(const std::string& text) {
    std::string t = text;
    while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) {
        t.pop_back();
    }
    return t;
}

std::string ReadWhenThere(const fs::path& path) {
    if (!WaitUntil([&] { return fs::exists(path) && fs::file_size(path) > 0; },
                   milliseconds(5000))) {
        return "(never written)";
    }
    WaitUntil([] { return false; }, milliseconds(20)); // let the writer finish its line
    return Trimmed(test::ReadBytes(path));
}

// Children of this process that are zombies.
int OurZombies() {
    int zombies = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) {
            continue;
        }
        const auto close = line.rfind(')');
        if (close == std::string::npos) {
            continue;
        }
        char state = 0;
        long ppid = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %ld", &state, &ppid) == 2 &&
            ppid == getpid() && state == 'Z') {
            ++zombies;
        }
    }
    return zombies;
}

// /proc/PID/stat: the parent and the session of a process.
bool ParentAndSession(long pid, long& parent, long& session) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) {
        return false;
    }
    const auto close = line.rfind(')');
    char state = 0;
    long group = 0;
    return std::sscanf(line.c_str() + close + 1, " %c %ld %ld %ld", &state, &parent, &group,
                       &session) == 4;
}

TEST(ShellTest, AProgramRunsDetachedInItsDirectoryAndTheCallReturnsAtOnce) {
    test::TempDir dir;
    const fs::path work = fs::canonical(dir.Path());
    WriteScript(work / "job.sh", "echo $$ > pid.txt\n"
                                 "readlink /proc/$$/fd/0 > stdin.txt\n"
                                 "pwd -P > cwd.txt\n"
                                 "sleep 1\n"
                                 "echo done > done.txt\n");
    const auto start = Clock::now();
    const std::intptr_t result = posix::RunShellPlan(posix::PlanShellOpen("job.sh", work.c_str()));
    const auto took = Clock::now() - start;
    EXPECT_GT(result, 32);
    EXPECT_LT(took, std::chrono::milliseconds(500));
    EXPECT_FALSE(fs::exists(work / "done.txt")) << "returned only after the program ended";

    EXPECT_EQ(ReadWhenThere(work / "cwd.txt"), work.string());
    EXPECT_EQ(ReadWhenThere(work / "stdin.txt"), "/dev/null");
    const long pid = std::stol(ReadWhenThere(work / "pid.txt"));
    long parent = 0, session = 0;
    ASSERT_TRUE(ParentAndSession(pid, parent, session));
    EXPECT_NE(parent, getpid()) << "the program must not be our child";
    EXPECT_NE(session, getsid(0)) << "a session of its own";

    ASSERT_TRUE(WaitUntil([&] { return fs::exists(work / "done.txt"); }, milliseconds(5000)));
    EXPECT_TRUE(
        WaitUntil([&] { return !fs::exists("/proc/" + std::to_string(pid)); }, milliseconds(2000)))
        << "the program ended and was reaped by someone";
    EXPECT_EQ(OurZombies(), 0);
}

TEST(ShellTest, NoWordOfTheProgramNameIsReadByAShell) {
    test::TempDir dir;
    const fs::path work = fs::canonical(dir.Path());
    const std::string name = "it's $(touch hacked) & `touch hacked2`; run.sh";
    WriteScript(work / name, "pwd -P > ran.txt\n");
    EXPECT_GT(posix::RunShellPlan(posix::PlanShellOpen(name.c_str(), work.c_str())), 32);
    EXPECT_EQ(ReadWhenThere(work / "ran.txt"), work.string());
    EXPECT_FALSE(fs::exists(work / "hacked"));
    EXPECT_FALSE(fs::exists(work / "hacked2"));
}

TEST(ShellTest, WhereTheProgramIsLookedFor) {
    test::TempDir dir;
    const fs::path work = fs::canonical(dir.Path());
    fs::create_directory(work / "sub");
    WriteScript(work / "sub" / "tool.sh", "pwd -P > \"$0.ran\"\n");
    WriteScript(work / "plain.sh", "true\n");
    test::WriteBytes(work / "notes.txt", "text");

    using Kind = posix::ShellPlan::Kind;
    struct Case {
        std::string file;
        std::string directory;
        Kind kind;
        std::string program; // for Execute
        std::string workDir;
    };
    const std::string w = work.string();
    const Case cases[] = {
        {"sub/tool.sh", w, Kind::Execute, w + "/sub/tool.sh", w},        // relative path
        {w + "/sub/tool.sh", "", Kind::Execute, w + "/sub/tool.sh", ""}, // absolute, no dir
        {"plain.sh", w, Kind::Execute, w + "/plain.sh", w},              // bare name in dir
        {"plain.sh", w + "\\", Kind::Execute, w + "/plain.sh", w},       // /dir\plain.sh
        {"sh", "", Kind::Execute, "", ""},                               // along PATH
        {"missing.sh", w, Kind::Fail, "", ""},
        {"plain.sh", w + "/nowhere", Kind::Fail, "", ""},
        {"", w, Kind::Fail, "", ""},
    };
    for (const Case& c : cases) {
        const posix::ShellPlan plan = posix::PlanShellOpen(c.file.c_str(), c.directory.c_str());
        EXPECT_EQ(plan.kind, c.kind) << c.file << " in " << c.directory;
        if (c.kind == Kind::Execute && !c.program.empty()) {
            EXPECT_EQ(plan.program, c.program) << c.file;
            EXPECT_EQ(plan.directory, c.workDir) << c.file;
        }
        if (c.kind == Kind::Execute && c.program.empty()) {
            EXPECT_EQ(fs::path(plan.program).filename(), "sh");
        }
    }
    EXPECT_EQ(posix::PlanShellOpen("missing.sh", w.c_str()).error, posix::kShellFileNotFound);
    EXPECT_EQ(posix::PlanShellOpen("plain.sh", (w + "/nowhere").c_str()).error,
              posix::kShellPathNotFound);
    EXPECT_LE(posix::RunShellPlan(posix::PlanShellOpen("missing.sh", w.c_str())), 32);
    // Program files whose start fails at exec: a "#!" line ending in CR (a
    // script saved on Windows) and an interpreter that does not exist.
    test::WriteBytes(work / "crlf.sh", "#!/bin/sh\r\ntouch ran\r\n");
    test::WriteBytes(work / "nointerpreter.sh", "#!/no/such/shell\ntouch ran\n");
    for (const char* name : {"crlf.sh", "nointerpreter.sh"}) {
        chmod((work / name).c_str(), 0755);
        EXPECT_EQ(posix::RunShellPlan(posix::PlanShellOpen(name, w.c_str())),
                  posix::kShellFileNotFound)
            << name;
    }
}

TEST(ShellTest, DocumentsAndAddressesGoToXdgOpen) {
    test::TempDir dir;
    const fs::path work = fs::canonical(dir.Path());
    fs::create_directory(work / "bin");
    WriteScript(work / "bin" / "xdg-open", "echo \"$1\" > \"" + (work / "opened.txt").string() +
                                               "\"\npwd -P > \"" + (work / "where.txt").string() +
                                               "\"\n");
    test::WriteBytes(work / "schedule.html", "<html></html>");
    const std::string savedPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    setenv("PATH", ((work / "bin").string() + ":" + savedPath).c_str(), 1);

    EXPECT_GT(posix::RunShellPlan(posix::PlanShellOpen("schedule.html", work.c_str())), 32);
    EXPECT_EQ(ReadWhenThere(work / "opened.txt"), (work / "schedule.html").string());
    EXPECT_EQ(ReadWhenThere(work / "where.txt"), work.string());
    fs::remove(work / "opened.txt");

    // A text file with execute bits (every file on a vfat or SMB mount) is a
    // document: opened, never run as shell commands.
    test::WriteBytes(work / "job.bat", "touch ran.txt\n");
    chmod((work / "job.bat").c_str(), 0755);
    EXPECT_GT(posix::RunShellPlan(posix::PlanShellOpen("job.bat", work.c_str())), 32);
    EXPECT_EQ(ReadWhenThere(work / "opened.txt"), (work / "job.bat").string());
    EXPECT_FALSE(fs::exists(work / "ran.txt"));
    fs::remove(work / "opened.txt");

    const posix::ShellPlan web = posix::PlanShellOpen("https://example.org/orvanel", nullptr);
    EXPECT_EQ(web.kind, posix::ShellPlan::Kind::Open);
    EXPECT_EQ(web.argument, "https://example.org/orvanel");
    EXPECT_EQ(posix::PlanShellOpen("www.example.org", nullptr).argument, "http://www.example.org");
    EXPECT_GT(posix::RunShellPlan(web), 32);
    EXPECT_EQ(ReadWhenThere(work / "opened.txt"), "https://example.org/orvanel");

    setenv("PATH", (work / "nothing-here").c_str(), 1);
    EXPECT_EQ(posix::PlanShellOpen("schedule.html", work.c_str()).error,
              posix::kShellNoAssociation);
    setenv("PATH", savedPath.c_str(), 1);
}

} // namespace
} // namespace orvanel
