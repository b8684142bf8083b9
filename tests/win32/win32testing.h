// Helpers of the Windows tests: scratch directories, files, the helper
// programs beside the test program, and bounded waiting.
#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>

namespace orvanel::win32test {

// The directory of the running test program, where the helper programs
// (targetwin_win32.exe, cwdprobe_win32.exe) are built too.
std::filesystem::path ProgramDirectory();

// A fresh empty directory under the temporary directory, removed with all
// its contents at the end.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The whole file, or an empty text when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& path);

// Calls `done` every few milliseconds until it answers true or `timeoutMs`
// have passed; answers its last answer.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);

// Presses and releases CTRL+ALT+SHIFT and the stop key with SendInput.
// False when the system did not take all eight events.
bool PressStopKey();

// A directory name compared as Windows compares them: without a final "\"
// and in capitals.
std::string NormalDirectory(std::string directory);

// The target window program, started with a title and a character file and
// closed (or ended) at the end.
class TargetProgram {
public:
    // Starts targetwin_win32.exe with the show command given to its window;
    // with `refuseTo`, the window hands the foreground to it when activated.
    TargetProgram(const std::string& title, const std::filesystem::path& charFile, int showCommand,
                  HWND refuseTo = nullptr);
    // The same with a second window of the process, titled `siblingTitle`,
    // whose characters go to `charFile` with ".sibling" appended.
    TargetProgram(const std::string& title, const std::filesystem::path& charFile, int showCommand,
                  const std::string& siblingTitle);
    ~TargetProgram();
    TargetProgram(const TargetProgram&) = delete;
    TargetProgram& operator=(const TargetProgram&) = delete;
    bool Started() const { return process_ != nullptr; }

private:
    void Start(const std::filesystem::path& program, std::string commandLine, int showCommand);

    std::string title_;
    HANDLE process_ = nullptr;
};

} // namespace orvanel::win32test
