// A wltarget window, the witness of the Wayland tests, and the files it
// writes: the text that arrived (`out`) and the keys still down (`held`).
// The including test program defines ORVANEL_WLTARGET, the witness's path.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "support/tempdir.h"
#include "x11testing.h"

namespace orvanel::wltest {

inline std::string Read(const std::filesystem::path& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

struct Target {
    // `options`: more arguments for wltarget ("--minimized", "yes", ...).
    Target(const test::TempDir& dir, const std::string& title,
           const std::vector<std::string>& options = {})
        : out(dir / (title + ".out")), held(dir / (title + ".held")) {
        std::vector<std::string> argv = {ORVANEL_WLTARGET, "--title", title,        "--out",
                                         out.string(),     "--held",  held.string()};
        argv.insert(argv.end(), options.begin(), options.end());
        process = x11test::Child::Spawn(argv);
        EXPECT_TRUE(process && x11test::WaitUntil(
                                   [&] { return std::filesystem::exists(out.string() + ".ready"); },
                                   std::chrono::milliseconds(5000)))
            << "wltarget did not come up";
    }
    // The text that arrived, once it is as long as `expected` (or after 5 s).
    std::string WaitFor(const std::string& expected) const {
        x11test::WaitUntil([&] { return Read(out).size() >= expected.size(); },
                           std::chrono::milliseconds(5000));
        return Read(out);
    }
    std::filesystem::path out, held;
    std::unique_ptr<x11test::Child> process;
};

} // namespace orvanel::wltest
