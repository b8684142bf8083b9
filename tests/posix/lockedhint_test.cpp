// logind's LockedHint, asked through stand-ins for loginctl: the lock flag
// that both Linux backends report as a locked screen.
#include "desktop/posix/lockedhint.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "support/tempdir.h"

namespace orvanel {
namespace {

class LockedHintTest : public ::testing::Test {
protected:
    // A stand-in that checks its arguments and runs `body`.
    std::string Program(const std::string& name, const std::string& body) {
        const auto path = dir / name;
        test::WriteBytes(path, "#!/bin/sh\n"
                               "[ \"$1 $2 $3 $4 $5\" = \"show-session c7 -p LockedHint --value\" ]"
                               " || exit 9\n" +
                                   body + "\n");
        chmod(path.c_str(), 0755);
        return path.string();
    }
    posix::LockedHintQuery Query(const std::string& program) {
        posix::LockedHintQuery query;
        query.program = program;
        query.session = "c7";
        query.logindMark = dir.Path().string();
        return query;
    }
    test::TempDir dir;
};

TEST_F(LockedHintTest, OnlyATimelyYesFromASucceedingLoginctlMeansLocked) {
    struct Case {
        const char* name;
        const char* body;
        bool locked;
    };
    const Case cases[] = {
        {"yes", "echo yes", true},
        {"no", "echo no", false},
        {"fails", "echo yes; exit 1", false},
        {"noise", "echo yesterday", false},
        {"silent", "exit 0", false},
        {"slow", "sleep 5; echo yes", false},
    };
    for (const Case& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(posix::SessionLocked(Query(Program(c.name, c.body))), c.locked) << c.name;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << c.name;
    }
    EXPECT_FALSE(posix::SessionLocked(Query((dir / "missing").string())));
    auto noLogind = Query(Program("yes", "echo yes"));
    noLogind.logindMark = (dir / "missing").string();
    EXPECT_FALSE(posix::SessionLocked(noLogind));
}

TEST_F(LockedHintTest, TheSessionIsTheEnvironmentsWhenItIsWellFormed) {
    const char* saved = std::getenv("XDG_SESSION_ID");
    const std::string previous = saved != nullptr ? saved : "";
    const std::pair<const char*, const char*> cases[] = {
        {"c7", "c7"}, {"42", "42"}, {"", "auto"}, {"-p", "auto"}, {"a b", "auto"}};
    for (const auto& [env, session] : cases) {
        setenv("XDG_SESSION_ID", env, 1);
        EXPECT_EQ(posix::LockedHintCommand({}),
                  (std::vector<std::string>{"loginctl", "show-session", session, "-p", "LockedHint",
                                            "--value"}))
            << env;
    }
    if (saved != nullptr) {
        setenv("XDG_SESSION_ID", previous.c_str(), 1);
    } else {
        unsetenv("XDG_SESSION_ID");
    }
}

} // namespace
} // namespace orvanel
