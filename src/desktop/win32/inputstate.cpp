#include "desktop/win32/inputstate.h"

#include <windows.h>

#include <cstddef>
#include <string>

namespace orvanel::win32 {

namespace {

HWND ToHwnd(WindowHandle window) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr): a window handle is a number
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
}

WindowHandle FromHwnd(HWND window) {
    return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(window));
}

// ---- The session's lock flag ----

// The session query of wtsapi32.dll. The DLL is loaded when first needed,
// from the system directory only, so that the program imports nothing but
// the DLLs every Windows has, and still runs where the query is missing.
// The information class and the start of its answer, as the system defines
// them (the MinGW headers lack both).
constexpr int kWtsSessionInfoEx = 25;
constexpr DWORD kWtsCurrentSession = static_cast<DWORD>(-1);

struct SessionInfoExStart {
    DWORD level; // 1
    // The level-1 record, aligned as its 64-bit time fields need.
    alignas(8) ULONG sessionId;
    DWORD sessionState;
    LONG sessionFlags;
};
constexpr std::size_t kSessionFlagsEnd = offsetof(SessionInfoExStart, sessionFlags) + sizeof(LONG);
static_assert(offsetof(SessionInfoExStart, sessionFlags) == 16);

using QuerySessionFn = BOOL(WINAPI*)(HANDLE, DWORD, int, LPWSTR*, DWORD*);
using FreeMemoryFn = void(WINAPI*)(PVOID);

struct SessionQuery {
    QuerySessionFn query = nullptr;
    FreeMemoryFn freeMemory = nullptr;
};

template <typename Fn> Fn Procedure(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

SessionQuery LoadSessionQuery() {
    SessionQuery functions;
    char directory[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return functions;
    }
    const std::string path = std::string(directory) + "\\wtsapi32.dll";
    // Kept loaded for the life of the program.
    if (HMODULE module = ::LoadLibraryA(path.c_str())) {
        functions.query = Procedure<QuerySessionFn>(module, "WTSQuerySessionInformationW");
        functions.freeMemory = Procedure<FreeMemoryFn>(module, "WTSFreeMemory");
    }
    return functions;
}

const SessionQuery& Session() {
    static const SessionQuery functions = LoadSessionQuery();
    return functions;
}

// Windows 7 and Server 2008 R2 are 6.1. Without a compatibility manifest
// newer systems report 6.2, never 6.1, so the answer holds either way.
bool IsWindows7() {
    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    version.dwMajorVersion = 6;
    version.dwMinorVersion = 1;
    DWORDLONG condition = 0;
    condition = ::VerSetConditionMask(condition, VER_MAJORVERSION, VER_EQUAL);
    condition = ::VerSetConditionMask(condition, VER_MINORVERSION, VER_EQUAL);
    return ::VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION, condition) != FALSE;
}

// ---- Owners ----

// The top-level window a window belongs to.
HWND TopLevel(HWND window) {
    HWND root = ::GetAncestor(window, GA_ROOT);
    return root != nullptr ? root : window;
}

// True when `owner` is `window`'s top-level window or is up its owner chain.
bool IsOwnedBy(HWND window, HWND owner) {
    HWND current = TopLevel(window);
    // Bounded: an owner chain is short, and a window going away meanwhile
    // must not keep us here.
    for (int depth = 0; current != nullptr && depth < 64; ++depth) {
        if (current == owner) {
            return true;
        }
        current = ::GetWindow(current, GW_OWNER);
    }
    return false;
}

} // namespace

SessionLock SessionLockFromFlags(std::int32_t sessionFlags, bool windows7) {
    switch (sessionFlags) {
    case kSessionStateLock:
        return windows7 ? SessionLock::Unlocked : SessionLock::Locked;
    case kSessionStateUnlock:
        return windows7 ? SessionLock::Locked : SessionLock::Unlocked;
    default:
        return SessionLock::Unknown;
    }
}

SessionLock CurrentSessionLock() {
    const SessionQuery& session = Session();
    if (session.query == nullptr || session.freeMemory == nullptr) {
        return SessionLock::Unknown;
    }
    LPWSTR buffer = nullptr;
    DWORD bytes = 0;
    if (session.query(nullptr, kWtsCurrentSession, kWtsSessionInfoEx, &buffer, &bytes) == FALSE ||
        buffer == nullptr) {
        return SessionLock::Unknown;
    }
    SessionLock lock = SessionLock::Unknown;
    if (bytes >= kSessionFlagsEnd) {
        const auto* info = reinterpret_cast<const SessionInfoExStart*>(buffer);
        if (info->level == 1) {
            lock = SessionLockFromFlags(info->sessionFlags, IsWindows7());
        }
    }
    session.freeMemory(buffer);
    return lock;
}

bool InputDesktopIsDefault() {
    // Fails while the Winlogon desktop (the lock screen, the secure desktop)
    // takes the input: this process has no access to it.
    HDESK desktop = ::OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
    if (desktop == nullptr) {
        return false;
    }
    wchar_t name[256] = {};
    DWORD needed = 0;
    const bool named = ::GetUserObjectInformationW(desktop, UOI_NAME, name,
                                                   sizeof name - sizeof(wchar_t), &needed) != FALSE;
    ::CloseDesktop(desktop);
    return named && ::lstrcmpiW(name, L"Default") == 0;
}

bool ForegroundThreadHoldsKeys() {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    // Thread 0: the foreground thread. Without one, nothing holds the keys.
    if (::GetGUIThreadInfo(0, &info) == FALSE) {
        return false;
    }
    constexpr DWORD kHolding =
        GUI_INMENUMODE | GUI_SYSTEMMENUMODE | GUI_POPUPMENUMODE | GUI_INMOVESIZE;
    return (info.flags & kHolding) != 0;
}

InputBlock CurrentInputBlock() {
    if (!InputDesktopIsDefault() || CurrentSessionLock() == SessionLock::Locked) {
        return InputBlock::ScreenLocked;
    }
    if (ForegroundThreadHoldsKeys()) {
        return InputBlock::KeyboardHeld;
    }
    return InputBlock::Clear;
}

WindowHandle ForegroundWindow() {
    return FromHwnd(::GetForegroundWindow());
}

FocusState FocusRelation(WindowHandle foreground, WindowHandle window) {
    HWND front = ToHwnd(foreground);
    HWND own = ToHwnd(window);
    if (front == nullptr || own == nullptr || ::IsWindow(own) == FALSE) {
        return FocusState::Elsewhere;
    }
    return front == own || IsOwnedBy(front, own) ? FocusState::WithWindow : FocusState::Elsewhere;
}

} // namespace orvanel::win32
