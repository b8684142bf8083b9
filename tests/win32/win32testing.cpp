#include "win32testing.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>

namespace orvanel::win32test {

namespace fs = std::filesystem;

fs::path ProgramDirectory() {
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        throw std::runtime_error("GetModuleFileNameA failed");
    }
    return fs::path(path).parent_path();
}

ScratchDir::ScratchDir() {
    static std::atomic<unsigned> counter{0};
    char temp[MAX_PATH] = {};
    if (::GetTempPathA(MAX_PATH, temp) == 0) {
        throw std::runtime_error("GetTempPathA failed");
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate =
            fs::path(temp) / ("orvanel-win32-" + std::to_string(::GetCurrentProcessId()) + "-" +
                              std::to_string(counter++));
        if (::CreateDirectoryA(candidate.string().c_str(), nullptr)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a scratch directory");
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string ReadFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {};
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (done()) {
            return true;
        }
        if (::GetTickCount64() >= end) {
            return done();
        }
        ::Sleep(20);
    }
}

bool PressStopKey() {
    constexpr WORD kKeys[] = {VK_CONTROL, VK_MENU, VK_SHIFT, 0x53};
    INPUT inputs[8] = {};
    for (int i = 0; i < 4; ++i) {
        inputs[i].type = inputs[7 - i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = inputs[7 - i].ki.wVk = kKeys[i];
        inputs[7 - i].ki.dwFlags = KEYEVENTF_KEYUP;
    }
    return ::SendInput(8, inputs, sizeof(INPUT)) == 8;
}

std::string NormalDirectory(std::string directory) {
    while (directory.size() > 3 && (directory.back() == '\\' || directory.back() == '/')) {
        directory.pop_back();
    }
    std::transform(directory.begin(), directory.end(), directory.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return directory;
}

TargetProgram::TargetProgram(const std::string& title, const fs::path& charFile, int showCommand,
                             HWND refuseTo)
    : title_(title) {
    const fs::path program = ProgramDirectory() / "targetwin_win32.exe";
    std::string commandLine =
        "\"" + program.string() + "\" \"" + title + "\" \"" + charFile.string() + "\"";
    if (refuseTo != nullptr) {
        commandLine += " " + std::to_string(reinterpret_cast<std::uintptr_t>(refuseTo));
    }
    Start(program, std::move(commandLine), showCommand);
}

TargetProgram::TargetProgram(const std::string& title, const fs::path& charFile, int showCommand,
                             const std::string& siblingTitle)
    : title_(title) {
    const fs::path program = ProgramDirectory() / "targetwin_win32.exe";
    Start(program,
          "\"" + program.string() + "\" \"" + title + "\" \"" + charFile.string() +
              "\" --sibling \"" + siblingTitle + "\"",
          showCommand);
}

void TargetProgram::Start(const fs::path& program, std::string commandLine, int showCommand) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION info = {};
    if (::CreateProcessA(program.string().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                         nullptr, nullptr, &startup, &info)) {
        ::CloseHandle(info.hThread);
        process_ = info.hProcess;
    }
}

TargetProgram::~TargetProgram() {
    if (process_ == nullptr) {
        return;
    }
    if (HWND window = ::FindWindowA(nullptr, title_.c_str())) {
        ::PostMessageA(window, WM_CLOSE, 0, 0);
    }
    if (::WaitForSingleObject(process_, 5000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process_, 1);
        ::WaitForSingleObject(process_, 5000);
    }
    ::CloseHandle(process_);
}

} // namespace orvanel::win32test
