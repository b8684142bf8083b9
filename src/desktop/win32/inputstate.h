// Where typed keys would go on Windows: whether anything keeps them from
// reaching the foreground window (a locked session, the Winlogon or
// screen-saver desktop, a thread in menu mode or moving a window), and
// whether the foreground window belongs with a given window.
#pragma once

#include <cstdint>

#include "desktop/desktop.h"

namespace orvanel::win32 {

// What the session's lock flag says.
enum class SessionLock { Locked, Unlocked, Unknown };

// WTS_SESSIONSTATE_LOCK and WTS_SESSIONSTATE_UNLOCK of the session's
// SessionFlags, and the value for "cannot tell".
constexpr std::int32_t kSessionStateLock = 0;
constexpr std::int32_t kSessionStateUnlock = 1;
constexpr std::int32_t kSessionStateUnknown = -1;

// Reads the SessionFlags value. Windows 7 and Server 2008 R2 report the
// two states the other way round, so `windows7` swaps them there. Any other
// value is Unknown.
SessionLock SessionLockFromFlags(std::int32_t sessionFlags, bool windows7);

// The current session's lock state; Unknown where the system does not tell
// (before Windows 7, or where the session query is missing).
SessionLock CurrentSessionLock();

// True when the input desktop can be opened and is the user's "Default"
// desktop (not Winlogon, not the screen saver's).
bool InputDesktopIsDefault();

// True when the foreground thread is in menu mode (a menu bar, system or
// popup menu is open) or moving or sizing a window: keys go to that, not to
// the window.
bool ForegroundThreadHoldsKeys();

// ScreenLocked when the input desktop is not the default one or the session
// is locked; otherwise KeyboardHeld when the foreground thread holds the
// keys; otherwise Clear. An unknown lock state counts as not locked.
InputBlock CurrentInputBlock();

// The system's foreground window, kNoWindow when there is none.
WindowHandle ForegroundWindow();

// WithWindow when `foreground` is `window` or owned by it (a dialog: `window`
// is up the foreground window's owner chain); Elsewhere otherwise, also for
// other windows of the same process and for `window`'s own owner, and when
// either is kNoWindow or `window` no longer exists.
FocusState FocusRelation(WindowHandle foreground, WindowHandle window);

} // namespace orvanel::win32
