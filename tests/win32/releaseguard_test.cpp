// No key stays down when the program is ended by TerminateProcess: its
// release guard lets go of the keys, as a second process (this one) sees.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "win32testing.h"

namespace orvanel {
namespace {

using win32test::ProgramDirectory;
using win32test::ScratchDir;
using win32test::WaitUntil;

bool Down(int vk) {
    return (::GetAsyncKeyState(vk) & 0x8000) != 0;
}

TEST(Win32ReleaseGuard, NoKeyStaysDownAfterTerminateProcess) {
    ScratchDir dir;
    const auto ready = dir.Path() / "ready";
    const auto program = ProgramDirectory() / "holdkeys_win32.exe";
    std::string command = "\"" + program.string() + "\" \"" + ready.string() + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(::CreateProcessA(program.string().c_str(), command.data(), nullptr, nullptr, FALSE,
                                 0, nullptr, nullptr, &startup, &info));
    ::CloseHandle(info.hThread);
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(ready); }, 10000));
    EXPECT_TRUE(WaitUntil([] { return Down(VK_SHIFT) && Down(VK_F24); }, 2000))
        << "the keys were never down";
    ::TerminateProcess(info.hProcess, 9);
    EXPECT_EQ(::WaitForSingleObject(info.hProcess, 5000), WAIT_OBJECT_0);
    ::CloseHandle(info.hProcess);
    EXPECT_TRUE(WaitUntil([] { return !Down(VK_SHIFT) && !Down(VK_F24); }, 1000))
        << "a key stayed down";
}

} // namespace
} // namespace orvanel
