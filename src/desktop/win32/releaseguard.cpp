#include "desktop/win32/releaseguard.h"

#include <windows.h>

#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>

namespace orvanel::win32 {

namespace {

constexpr const wchar_t* kGuardMark = L"--orvanel-release-guard";

// ---- the guard process ----

HANDLE HandleFrom(const wchar_t* text) {
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::wcstoull(text, nullptr, 10)));
}

// argv: the program, the mark, then the page, the program's process and the
// quit event, as handle numbers the guard has inherited.
[[noreturn]] void GuardMain(wchar_t** argv) {
    HANDLE mapping = HandleFrom(argv[2]);
    HANDLE waits[2] = {HandleFrom(argv[3]), HandleFrom(argv[4])};
    const auto* page =
        static_cast<const volatile std::uint8_t*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 256));
    const DWORD which = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (page != nullptr && which == WAIT_OBJECT_0 && WaitForSingleObject(waits[1], 0) != 0) {
        for (int vk = 1; vk < 256; ++vk) {
            if (page[vk] != 0) {
                ::keybd_event(static_cast<BYTE>(vk),
                              static_cast<BYTE>(MapVirtualKeyA(static_cast<UINT>(vk), 0)),
                              KEYEVENTF_KEYUP, 0);
            }
        }
    }
    // Ends here: no exit handler or static destructor of the program runs.
    TerminateProcess(GetCurrentProcess(), 0);
    for (;;) {
    }
}

[[maybe_unused]] const bool gRunAsGuard = [] {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv != nullptr && argc == 5 && std::wcscmp(argv[1], kGuardMark) == 0) {
        GuardMain(argv);
    }
    LocalFree(argv);
    return false;
}();

// ---- starting it ----

void SayCannotStart() {
    static std::atomic<bool> said{false};
    if (!said.exchange(true)) {
        std::fprintf(stderr,
                     "Orvanel: cannot start the key release guard (error %lu); keys held when "
                     "the program is ended may stay down.\n",
                     GetLastError());
    }
}

std::wstring Number(void* handle) {
    return std::to_wstring(reinterpret_cast<std::uintptr_t>(handle));
}

} // namespace

ReleaseGuard::ReleaseGuard() {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, &inherit, PAGE_READWRITE, 0, 256, nullptr);
    quit_ = CreateEventW(&inherit, TRUE, FALSE, nullptr);
    HANDLE self = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                    SYNCHRONIZE, TRUE, 0);
    void* view = mapping_ != nullptr ? MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, 256) : nullptr;
    wchar_t program[MAX_PATH * 4] = {};
    const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH * 4);
    if (view != nullptr && quit_ != nullptr && self != nullptr && length > 0 &&
        length < MAX_PATH * 4) {
        std::wstring command = L"\"" + std::wstring(program) + L"\" " + kGuardMark + L" " +
                               Number(mapping_) + L" " + Number(self) + L" " + Number(quit_);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (CreateProcessW(program, command.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS,
                           nullptr, nullptr, &startup, &info) != 0) {
            CloseHandle(info.hThread);
            process_ = info.hProcess;
            page_ = static_cast<volatile std::uint8_t*>(view);
        }
    }
    // The guard has its copies: no program started later inherits them.
    for (HANDLE handle : {static_cast<HANDLE>(mapping_), static_cast<HANDLE>(quit_)}) {
        if (handle != nullptr) {
            SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
        }
    }
    if (self != nullptr) {
        CloseHandle(self);
    }
    if (process_ == nullptr) {
        SayCannotStart();
        if (view != nullptr) {
            UnmapViewOfFile(view);
        }
    }
}

ReleaseGuard::~ReleaseGuard() {
    if (process_ != nullptr) {
        SetEvent(quit_); // every key is up: it just goes
        CloseHandle(process_);
        UnmapViewOfFile(const_cast<std::uint8_t*>(page_));
    }
    if (quit_ != nullptr) {
        CloseHandle(quit_);
    }
    if (mapping_ != nullptr) {
        CloseHandle(mapping_);
    }
}

} // namespace orvanel::win32
