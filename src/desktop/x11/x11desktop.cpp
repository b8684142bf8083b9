#include "desktop/x11/x11desktop.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

#include "desktop/uslayout.h"
#include "desktop/x11/keysyms.h"
#include "desktop/x11/localeinfo.h"
#include "desktop/x11/shell.h"

namespace orvanel {

namespace {

using Clock = std::chrono::steady_clock;

// ---------------------------------------------------------------------------
// Releasing keys when the program ends.
//
// Every open backend registers the keycodes it holds down and the spare
// keycodes it has bound. The destructor releases and restores them; so do an
// exit() handler and a handler for the terminating signals. A signal can
// arrive while the program is inside Xlib on that same connection, where a
// second request would corrupt the stream: every Xlib section of the backend
// therefore runs under a guard, and a signal that finds the guard taken only
// leaves a note, which the guard's owner acts on as it leaves the section.
// The release itself only queues requests and writes them out (no reply is
// awaited, no memory is allocated); the X server carries out what it has
// received before it sees the connection close.
// ---------------------------------------------------------------------------

struct Registration {
    Display* display = nullptr;
    std::atomic<std::uint8_t> pressed[256] = {};
    std::atomic<bool> bound[256] = {};
    std::atomic<int> lastError{0};
    // Set once the connection has been ended for good (exit, signal).
    std::atomic<bool> dead{false};
};

constexpr int kMaxBackends = 16;
std::atomic<Registration*> gBackends[kMaxBackends];
std::atomic<int> gXState{0}; // 0 idle, 1 inside Xlib, 2 releasing for good
std::atomic<int> gPendingSignal{0};
thread_local int tGuardDepth = 0;
XErrorHandler gPreviousErrorHandler = nullptr;

// Releases what every backend holds and ends its connection: the X server
// drops requests that it has not read when a connection closes, so the
// connection is shut for writing and read until the server, having carried
// out every request, closes it (bounded by half a second). Only system calls
// that are safe in a signal handler are made besides queueing the requests.
void ReleaseRegistered() {
    for (auto& slot : gBackends) {
        Registration* r = slot.load();
        if (r == nullptr || r->display == nullptr || r->dead.load()) {
            continue;
        }
        for (int kc = 0; kc < 256; ++kc) {
            if (r->pressed[kc].exchange(0) != 0) {
                XTestFakeKeyEvent(r->display, static_cast<unsigned>(kc), False, CurrentTime);
            }
        }
        for (int kc = 0; kc < 256; ++kc) {
            if (r->bound[kc].exchange(false)) {
                KeySym none = NoSymbol;
                XChangeKeyboardMapping(r->display, kc, 1, &none, 1);
            }
        }
        XFlush(r->display);
        r->dead.store(true);
        shutdown(ConnectionNumber(r->display), SHUT_WR);
    }
    struct timespec start {};
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (auto& slot : gBackends) {
        Registration* r = slot.load();
        if (r == nullptr || r->display == nullptr) {
            continue;
        }
        const int fd = ConnectionNumber(r->display);
        char sink[512];
        for (;;) {
            struct timespec now {};
            clock_gettime(CLOCK_MONOTONIC, &now);
            const long spent =
                (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1'000'000;
            if (spent >= 500) {
                break;
            }
            struct pollfd p {
                fd, POLLIN, 0
            };
            if (poll(&p, 1, static_cast<int>(500 - spent)) <= 0) {
                break;
            }
            const ssize_t n = read(fd, sink, sizeof sink);
            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
                break; // the server has closed its end: everything is done
            }
        }
    }
}

void Reraise(int sig) {
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigaction(sig, &dfl, nullptr);
    raise(sig);
}

void OnTerminatingSignal(int sig) {
    int idle = 0;
    if (gXState.compare_exchange_strong(idle, 2)) {
        ReleaseRegistered();
        Reraise(sig); // delivered as soon as this handler returns
        return;
    }
    gPendingSignal.store(sig);
}

void OnExit() {
    int idle = 0;
    if (gXState.compare_exchange_strong(idle, 2)) {
        ReleaseRegistered();
        gXState.store(0);
    }
}

int OnXError(Display* display, XErrorEvent* event) {
    for (auto& slot : gBackends) {
        Registration* r = slot.load();
        if (r != nullptr && r->display == display) {
            r->lastError.store(event->error_code);
            return 0;
        }
    }
    return gPreviousErrorHandler != nullptr ? gPreviousErrorHandler(display, event) : 0;
}

constexpr int kReleaseSignals[] = {SIGINT,  SIGTERM, SIGHUP,  SIGQUIT, SIGABRT,
                                   SIGUSR1, SIGUSR2, SIGALRM, SIGPIPE};

void InstallProcessHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int sig : kReleaseSignals) {
            struct sigaction old {};
            if (sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL ||
                (old.sa_flags & SA_SIGINFO) != 0) {
                continue; // the program handles or ignores it itself
            }
            struct sigaction sa {};
            sa.sa_handler = OnTerminatingSignal;
            sigemptyset(&sa.sa_mask);
            sa.sa_flags = SA_RESTART;
            sigaction(sig, &sa, nullptr);
        }
        std::atexit(OnExit);
    });
}

// Holds the right to talk on the backends' connections.
class XGuard {
public:
    XGuard() {
        if (tGuardDepth++ > 0) {
            return;
        }
        for (;;) {
            int idle = 0;
            if (gXState.compare_exchange_weak(idle, 1)) {
                return;
            }
            if (idle == 2) {
                // The process is being ended by a signal; wait for the end.
                struct timespec t {
                    0, 10'000'000
                };
                nanosleep(&t, nullptr);
            } else {
                sched_yield();
            }
        }
    }
    ~XGuard() {
        if (--tGuardDepth > 0) {
            return;
        }
        gXState.store(0);
        const int sig = gPendingSignal.exchange(0);
        if (sig != 0) {
            int idle = 0;
            if (gXState.compare_exchange_strong(idle, 2)) {
                ReleaseRegistered();
            }
            Reraise(sig);
        }
    }
    XGuard(const XGuard&) = delete;
    XGuard& operator=(const XGuard&) = delete;
};

// ---------------------------------------------------------------------------
// RAII for X resources.
// ---------------------------------------------------------------------------

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};
struct XkbFreer {
    void operator()(XkbDescPtr p) const { XkbFreeKeyboard(p, 0, True); }
};
struct XFreer {
    void operator()(void* p) const {
        if (p != nullptr) {
            XFree(p);
        }
    }
};
template <typename T> using XPtr = std::unique_ptr<T, XFreer>;

// ---------------------------------------------------------------------------
// Keys.
// ---------------------------------------------------------------------------

// Virtual-key codes that Windows assigns to no key, lent to the code page
// 1252 characters that the US layout lacks.
constexpr std::uint8_t kLentVks[] = {0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E,
                                     0x8F, 0x97, 0x98, 0x99, 0x9A, 0x9B, 0x9C,
                                     0x9D, 0x9E, 0x9F, 0xD8, 0xD9, 0xDA, 0xE8};

// The printable character that the US layout gives for a virtual key of its
// typing block, without and with SHIFT (0: none), read back from the layout's
// own character-to-key table. Caps lock is applied by the caller.
struct UsTypingKeys {
    std::array<char, 256> plain{};
    std::array<char, 256> shifted{};
    UsTypingKeys() {
        for (int c = 0x20; c < 0x7F; ++c) {
            const std::int16_t key = uslayout::VkKeyScanA(static_cast<unsigned char>(c));
            if (key == -1) {
                continue;
            }
            const int vk = key & 0xFF;
            const int shift = (key >> 8) & 0xFF;
            if (shift == 0 && plain[vk] == 0) {
                plain[vk] = static_cast<char>(c);
            } else if (shift == uslayout::kShiftBit && shifted[vk] == 0) {
                shifted[vk] = static_cast<char>(c);
            }
        }
    }
};

// With SHIFT, a key that the US layout gives no shifted character of its own
// (the space bar) types its plain character, as it does on that layout.
char UsCharForVk(std::uint8_t vk, bool shift) {
    static const UsTypingKeys keys;
    return shift && keys.shifted[vk] != 0 ? keys.shifted[vk] : keys.plain[vk];
}

bool IsLentVk(std::uint8_t vk) {
    return std::find(std::begin(kLentVks), std::end(kLentVks), vk) != std::end(kLentVks);
}

// The keysym of a named (non-character) virtual key; NoSymbol when the key
// types nothing. VK 7 and 10 have no key on Windows either; VK 42, the print
// key of old terminals, has none on X, and the X print key in its place is the
// one desktops bind to their screenshot tool, which would take the focus.
KeySym NamedKeysym(std::uint8_t vk) {
    if (vk >= 0x60 && vk <= 0x69) {
        return XK_KP_0 + (vk - 0x60);
    }
    if (vk >= 0x70 && vk <= 0x87) {
        return XK_F1 + (vk - 0x70);
    }
    switch (vk) {
    case 0x03:
        return XK_Break;
    case 0x08:
        return XK_BackSpace;
    case 0x09:
        return XK_Tab;
    case 0x0C:
        return XK_Clear;
    case 0x0D:
        return XK_Return;
    case 0x13:
        return XK_Pause;
    case 0x14:
        return XK_Caps_Lock;
    case 0x1B:
        return XK_Escape;
    case 0x21:
        return XK_Prior;
    case 0x22:
        return XK_Next;
    case 0x23:
        return XK_End;
    case 0x24:
        return XK_Home;
    case 0x25:
        return XK_Left;
    case 0x26:
        return XK_Up;
    case 0x27:
        return XK_Right;
    case 0x28:
        return XK_Down;
    case 0x29:
        return XK_Select;
    case 0x2C: // snapshot: the key desktops bind to their screenshot tool
        return XK_Print;
    case 0x2B:
        return XK_Execute;
    case 0x2D:
        return XK_Insert;
    case 0x2E:
        return XK_Delete;
    case 0x2F:
        return XK_Help;
    case 0x5B:
        return XK_Super_L;
    case 0x5C:
        return XK_Super_R;
    case 0x5D:
        return XK_Menu;
    case 0x6A:
        return XK_KP_Multiply;
    case 0x6B:
        return XK_KP_Add;
    case 0x6C:
        return XK_KP_Separator;
    case 0x6D:
        return XK_KP_Subtract;
    case 0x6E:
        return XK_KP_Decimal;
    case 0x6F:
        return XK_KP_Divide;
    case 0x90:
        return XK_Num_Lock;
    case 0x91:
        return XK_Scroll_Lock;
    default:
        return NoSymbol;
    }
}

bool IsModifierVk(std::uint8_t vk) {
    return (vk >= 0x10 && vk <= 0x12) || (vk >= 0xA0 && vk <= 0xA5);
}
bool IsShiftVk(std::uint8_t vk) {
    return vk == 0x10 || vk == 0xA0 || vk == 0xA1;
}

// The X keysyms to press for a script modifier, the preferred one first.
std::vector<KeySym> ModifierKeysyms(std::uint8_t vk) {
    switch (vk) {
    case 0x10:
    case 0xA0:
        return {XK_Shift_L, XK_Shift_R};
    case 0xA1:
        return {XK_Shift_R, XK_Shift_L};
    case 0x11:
    case 0xA2:
        return {XK_Control_L, XK_Control_R};
    case 0xA3:
        return {XK_Control_R, XK_Control_L};
    case 0x12:
    case 0xA4:
        return {XK_Alt_L, XK_Alt_R, XK_Meta_L};
    case 0xA5:
        return {XK_Alt_R, XK_Alt_L, XK_Meta_L};
    default:
        return {};
    }
}

// Capital of a code page 1252 letter, or the character itself.
unsigned char Upper1252(unsigned char c) {
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
        return static_cast<unsigned char>(c - 0x20);
    }
    switch (c) {
    case 0x9A:
        return 0x8A;
    case 0x9C:
        return 0x8C;
    case 0x9E:
        return 0x8E;
    case 0xFF:
        return 0x9F;
    default:
        return c;
    }
}

bool Undefined1252(unsigned char c) {
    return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

std::string Utf8(char32_t c) {
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

std::string Utf8FromCp1252(const char* text) {
    std::string out;
    for (const char* p = text; *p != '\0'; ++p) {
        out += Utf8(uslayout::Cp1252ToUnicode(static_cast<unsigned char>(*p)));
    }
    return out;
}

std::string Utf8FromLatin1(const unsigned char* text, std::size_t length) {
    std::string out;
    for (std::size_t i = 0; i < length && text[i] != 0; ++i) {
        out += Utf8(text[i]);
    }
    return out;
}

void SleepFor(std::chrono::nanoseconds duration) {
    if (duration <= std::chrono::nanoseconds::zero()) {
        return;
    }
    struct timespec t;
    t.tv_sec = static_cast<time_t>(duration.count() / 1'000'000'000);
    t.tv_nsec = static_cast<long>(duration.count() % 1'000'000'000);
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

} // namespace

// ---------------------------------------------------------------------------

struct X11Desktop::Impl {
    std::unique_ptr<Display, DisplayCloser> display;
    Display* dpy = nullptr;
    Window root = 0;
    int xkbEventType = 0;
    Registration registration;
    int slot = -1;

    Impl() = default;
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
    // Whichever way the backend goes, a failed open included, the exit and
    // signal handlers must no longer find it.
    ~Impl() {
        if (slot >= 0) {
            XGuard guard;
            gBackends[slot].store(nullptr);
        }
    }

    // Atoms.
    Atom netClientList = 0, netClientListStacking = 0, netWmName = 0, utf8String = 0,
         netActiveWindow = 0, netWmState = 0, netWmStateHidden = 0, netWmStateMaxVert = 0,
         netWmStateMaxHorz = 0, netSupportingWmCheck = 0, netSupported = 0, wmState = 0,
         wmChangeState = 0;

    // The live keymap, and where each keysym sits in it.
    struct KeyPlace {
        KeyCode keycode;
        unsigned char group;
        unsigned char level;
    };
    std::unique_ptr<XkbDescRec, XkbFreer> xkb;
    std::unordered_map<KeySym, std::vector<KeyPlace>> places;
    std::vector<KeyCode> spareKeycodes; // keycodes with no symbol (or bound by us)
    bool mapDirty = true;
    bool stateDirty = true;
    unsigned lockedMods = 0;
    int group = 0;
    KeyCode shiftKey = 0, level3Key = 0;
    unsigned shiftMask = ShiftMask, level3Mask = 0;

    // Spare keycodes bound to a keysym for the moment.
    struct Binding {
        KeySym keysym = NoSymbol;
        Clock::time_point lastUse;
    };
    std::map<KeyCode, Binding> bindings;

    // What the script holds.
    std::map<std::uint8_t, KeyCode> scriptModifiers; // modifier VK -> keycode pressed
    struct HeldKey {
        KeyCode keycode = 0;
    };
    std::map<std::uint8_t, HeldKey> heldKeys;
    struct Adjustment {
        KeyCode keycode;
        bool pressed; // true: pressed for the key (undo: release)
    };
    std::uint8_t adjustedVk = 0;
    std::vector<Adjustment> adjustments;
    std::array<int, 256> pressCount{};
    Clock::time_point lastKeyEvent{};

    // Lent virtual-key codes and the characters bound to them.
    std::array<unsigned char, 256> lentCharacter{};
    std::array<std::uint64_t, 256> lentStamp{};
    std::uint64_t lentClock = 0;

    // ---- connection ----

    void Flush() { XFlush(dpy); }
    // After exit() or a signal ended the connection, nothing may touch it.
    bool Dead() const { return registration.dead.load(); }

    void PollEvents() {
        while (XPending(dpy) > 0) {
            XEvent event;
            XNextEvent(dpy, &event);
            if (event.type == MappingNotify) {
                mapDirty = true;
            } else if (event.type == xkbEventType) {
                const auto* xkbEvent = reinterpret_cast<const XkbEvent*>(&event);
                switch (xkbEvent->any.xkb_type) {
                case XkbNewKeyboardNotify:
                case XkbMapNotify:
                    mapDirty = true;
                    break;
                case XkbStateNotify:
                    stateDirty = true;
                    break;
                default:
                    break;
                }
            }
        }
    }

    // ---- keymap ----

    int EffectiveGroup(KeyCode kc, int g) const {
        const int n = XkbKeyNumGroups(xkb.get(), kc);
        if (n <= 0) {
            return -1;
        }
        if (g < n) {
            return g;
        }
        const unsigned info = XkbKeyGroupInfo(xkb.get(), kc);
        switch (XkbOutOfRangeGroupAction(info)) {
        case XkbClampIntoRange:
            return n - 1;
        case XkbRedirectIntoRange: {
            const int r = XkbOutOfRangeGroupNumber(info);
            return r < n ? r : 0;
        }
        default:
            return g % n;
        }
    }

    int LevelFor(KeyCode kc, int g, unsigned mods) const {
        XkbKeyTypePtr type = XkbKeyKeyType(xkb.get(), kc, g);
        const unsigned masked = mods & type->mods.mask;
        for (int i = 0; i < type->map_count; ++i) {
            const XkbKTMapEntryRec& entry = type->map[i];
            if (entry.active && entry.mods.mask == masked) {
                return entry.level;
            }
        }
        return 0;
    }

    KeyCode FindModifierKey(KeySym keysym, unsigned* mask) const {
        auto it = places.find(keysym);
        if (it == places.end()) {
            return 0;
        }
        for (const KeyPlace& p : it->second) {
            if (p.level == 0 && xkb->map->modmap[p.keycode] != 0) {
                if (mask != nullptr) {
                    *mask = xkb->map->modmap[p.keycode];
                }
                return p.keycode;
            }
        }
        for (const KeyPlace& p : it->second) {
            if (p.level == 0) {
                return p.keycode;
            }
        }
        return 0;
    }

    void ReloadMap() {
        xkb.reset(
            XkbGetMap(dpy, XkbKeyTypesMask | XkbKeySymsMask | XkbModifierMapMask, XkbUseCoreKbd));
        places.clear();
        spareKeycodes.clear();
        mapDirty = false;
        stateDirty = true;
        if (!xkb) {
            return;
        }
        for (int kc = xkb->min_key_code; kc <= xkb->max_key_code; ++kc) {
            const int groups = XkbKeyNumGroups(xkb.get(), kc);
            bool any = false;
            for (int g = 0; g < groups; ++g) {
                const int width = XkbKeyKeyType(xkb.get(), kc, g)->num_levels;
                for (int level = 0; level < width; ++level) {
                    const KeySym ks = XkbKeySymEntry(xkb.get(), kc, level, g);
                    if (ks != NoSymbol) {
                        any = true;
                        places[ks].push_back({static_cast<KeyCode>(kc),
                                              static_cast<unsigned char>(g),
                                              static_cast<unsigned char>(level)});
                    }
                }
            }
            const auto bound = bindings.find(static_cast<KeyCode>(kc));
            if (bound != bindings.end()) {
                // A new layout may have taken the keycode over: then it is no
                // longer ours to restore.
                const bool stillOurs =
                    groups >= 1 && XkbKeySymEntry(xkb.get(), kc, 0, 0) == bound->second.keysym;
                if (!stillOurs) {
                    bindings.erase(bound);
                    registration.bound[kc].store(false);
                }
            }
            if (!any || bindings.count(static_cast<KeyCode>(kc)) != 0) {
                spareKeycodes.push_back(static_cast<KeyCode>(kc));
            }
        }
        shiftMask = ShiftMask;
        shiftKey = FindModifierKey(XK_Shift_L, &shiftMask);
        if (shiftKey == 0) {
            shiftKey = FindModifierKey(XK_Shift_R, &shiftMask);
        }
        level3Mask = 0;
        level3Key = FindModifierKey(XK_ISO_Level3_Shift, &level3Mask);
        if (level3Key != 0 && level3Mask == 0) {
            level3Mask = Mod5Mask;
        }
    }

    void ReadState() {
        XkbStateRec state{};
        if (XkbGetState(dpy, XkbUseCoreKbd, &state) == Success) {
            lockedMods = state.locked_mods;
            group = state.group;
        }
        stateDirty = false;
    }

    void Refresh() {
        PollEvents();
        if (mapDirty || !xkb) {
            ReloadMap();
        }
        if (stateDirty) {
            ReadState();
        }
    }

    bool ScriptShiftDown() const {
        for (const auto& [vk, kc] : scriptModifiers) {
            if (IsShiftVk(vk)) {
                return true;
            }
        }
        return false;
    }

    struct Choice {
        KeyCode keycode = 0;
        unsigned mods = 0;
    };

    // Where the live layout has `keysym`, and which of Shift and AltGr it
    // needs there; a character may use them, a named key is taken at the level
    // the current lock state gives (the script's own modifiers apply on top).
    std::optional<Choice> Find(KeySym keysym, bool character) const {
        auto it = places.find(keysym);
        if (it == places.end() || !xkb) {
            return std::nullopt;
        }
        std::vector<unsigned> combos = {0};
        if (character) {
            if (shiftKey != 0) {
                combos.push_back(shiftMask);
            }
            if (level3Key != 0) {
                combos.push_back(level3Mask);
                if (shiftKey != 0) {
                    combos.push_back(shiftMask | level3Mask);
                }
            }
        }
        const bool shiftDown = ScriptShiftDown();
        std::optional<Choice> best;
        int bestCost = INT_MAX;
        for (const KeyPlace& p : it->second) {
            if (EffectiveGroup(p.keycode, group) != p.group) {
                continue;
            }
            for (unsigned combo : combos) {
                if (LevelFor(p.keycode, p.group, combo | lockedMods) != p.level) {
                    continue;
                }
                int cost = 0;
                if (character) {
                    cost += ((combo & shiftMask) != 0) != shiftDown ? 1 : 0;
                    cost += (combo & level3Mask) != 0 ? 2 : 0;
                }
                if (pressCount[p.keycode] > 0) {
                    cost += 8; // busy with another key
                }
                if (cost < bestCost) {
                    bestCost = cost;
                    best = Choice{p.keycode, combo};
                }
            }
        }
        return best;
    }

    void FakeKey(KeyCode kc, bool press) {
        if (kc == 0) {
            return;
        }
        int& count = pressCount[kc];
        if (press) {
            if (count++ == 0) {
                registration.pressed[kc].store(1);
                XTestFakeKeyEvent(dpy, kc, True, CurrentTime);
                lastKeyEvent = Clock::now();
            }
        } else if (count > 0) {
            if (--count == 0) {
                XTestFakeKeyEvent(dpy, kc, False, CurrentTime);
                lastKeyEvent = Clock::now();
                registration.pressed[kc].store(0);
            }
        }
    }

    // Binds a spare keycode to `keysym`; 0 when there is none to spare.
    // An X client turns a keycode into a character with the keymap as it is
    // when it reads the event, which may be seconds later: a binding
    // therefore stays for as long as the backend lives. Only when every spare
    // keycode is bound is one taken over, the least recently used, and never
    // one used within the last minute.
    KeyCode BindSpare(KeySym keysym) {
        KeyCode chosen = 0;
        Clock::time_point oldest = Clock::now() - kBindingKept;
        for (KeyCode kc : spareKeycodes) {
            if (pressCount[kc] > 0) {
                continue;
            }
            auto it = bindings.find(kc);
            if (it == bindings.end()) {
                chosen = kc;
                break;
            }
            if (it->second.lastUse < oldest) {
                oldest = it->second.lastUse;
                chosen = kc;
            }
        }
        if (chosen == 0) {
            return 0;
        }
        // A plain Xlib client reads its keymap only when it looks up its first
        // key, and asks to hear of keymap changes in a request that leaves
        // only when it next waits for events: a change made in between never
        // reaches it. Let the keys sent so far be handled before remapping.
        XSync(dpy, False);
        SleepFor(lastKeyEvent + kQuietBeforeRemap - Clock::now());
        KeySym syms[2] = {keysym, keysym};
        XChangeKeyboardMapping(dpy, chosen, 2, syms, 1);
        bindings[chosen] = Binding{keysym, Clock::now()};
        registration.bound[chosen].store(true);
        ReloadMap();
        ReadState();
        return chosen;
    }

    void Unbind(KeyCode kc) {
        KeySym none = NoSymbol;
        XChangeKeyboardMapping(dpy, kc, 1, &none, 1);
        bindings.erase(kc);
        registration.bound[kc].store(false);
        mapDirty = true;
    }

    void RestoreIdleBindings(Clock::duration idle) {
        const Clock::time_point now = Clock::now();
        std::vector<KeyCode> idleOnes;
        for (const auto& [kc, binding] : bindings) {
            if (pressCount[kc] == 0 && now - binding.lastUse >= idle) {
                idleOnes.push_back(kc);
            }
        }
        for (KeyCode kc : idleOnes) {
            Unbind(kc);
        }
        if (!idleOnes.empty()) {
            Flush();
        }
    }

    void TouchBinding(KeyCode kc) {
        auto it = bindings.find(kc);
        if (it != bindings.end()) {
            it->second.lastUse = Clock::now();
        }
    }

    // Puts the modifiers back as the script holds them.
    void Settle() {
        for (auto it = adjustments.rbegin(); it != adjustments.rend(); ++it) {
            FakeKey(it->keycode, !it->pressed);
        }
        adjustments.clear();
        adjustedVk = 0;
    }

    void ModifierDown(std::uint8_t vk) {
        if (scriptModifiers.count(vk) != 0) {
            return;
        }
        for (KeySym ks : ModifierKeysyms(vk)) {
            const KeyCode kc = FindModifierKey(ks, nullptr);
            if (kc != 0) {
                FakeKey(kc, true);
                scriptModifiers[vk] = kc;
                return;
            }
        }
    }

    void ModifierUp(std::uint8_t vk) {
        auto it = scriptModifiers.find(vk);
        if (it == scriptModifiers.end()) {
            return;
        }
        FakeKey(it->second, false);
        scriptModifiers.erase(it);
    }

    void KeyDown(std::uint8_t vk) {
        if (heldKeys.count(vk) != 0) {
            KeyUp(vk); // pressed again without a release: type it again
        }
        Settle();
        if (IsModifierVk(vk)) {
            ModifierDown(vk);
            return;
        }
        const bool capsLocked = (lockedMods & LockMask) != 0;
        const bool shiftDown = ScriptShiftDown();
        char32_t character = 0;
        KeySym named = NoSymbol;
        if (lentCharacter[vk] != 0) {
            const unsigned char c = lentCharacter[vk];
            character = uslayout::Cp1252ToUnicode(shiftDown != capsLocked ? Upper1252(c) : c);
        } else if (const bool letter = vk >= 'A' && vk <= 'Z';
                   UsCharForVk(vk, letter ? shiftDown != capsLocked : shiftDown) != 0) {
            character = static_cast<unsigned char>(
                UsCharForVk(vk, letter ? shiftDown != capsLocked : shiftDown));
        } else {
            named = NamedKeysym(vk);
        }

        std::optional<Choice> choice;
        bool noSpare = false;
        if (character != 0) {
            const x11::KeysymChoices keysyms = x11::KeysymsForCharacter(character);
            for (std::uint32_t ks : keysyms.keysym) {
                if (ks != 0 && !choice) {
                    choice = Find(ks, true);
                }
            }
            if (!choice && keysyms.keysym[0] != 0) {
                noSpare = BindSpare(keysyms.keysym[0]) == 0;
                choice = Find(keysyms.keysym[0], true);
            }
        } else if (named != NoSymbol) {
            choice = Find(named, false);
            if (!choice) {
                noSpare = BindSpare(named) == 0;
                choice = Find(named, false);
            }
        }
        if (!choice) {
            if (noSpare && character != 0) {
                std::fprintf(stderr, "Orvanel: no free X keycode to type U+%04X on: not sent.\n",
                             static_cast<unsigned>(character));
            } else if (noSpare) {
                std::fprintf(stderr,
                             "Orvanel: no free X keycode to type virtual key %u on: not sent.\n",
                             static_cast<unsigned>(vk));
            }
            return;
        }

        if (character != 0) {
            const bool needShift = (choice->mods & shiftMask) != 0;
            if (needShift && !shiftDown) {
                FakeKey(shiftKey, true);
                adjustments.push_back({shiftKey, true});
            } else if (!needShift && shiftDown) {
                for (const auto& [modVk, kc] : scriptModifiers) {
                    if (IsShiftVk(modVk)) {
                        FakeKey(kc, false);
                        adjustments.push_back({kc, false});
                    }
                }
            }
            if ((choice->mods & level3Mask) != 0 && level3Mask != 0) {
                FakeKey(level3Key, true);
                adjustments.push_back({level3Key, true});
            }
            adjustedVk = vk;
        } else {
            stateDirty = true; // a lock key or a group switch may change the state
        }
        FakeKey(choice->keycode, true);
        heldKeys[vk] = HeldKey{choice->keycode};
        TouchBinding(choice->keycode);
    }

    void KeyUp(std::uint8_t vk) {
        if (IsModifierVk(vk)) {
            Settle();
            ModifierUp(vk);
            return;
        }
        auto it = heldKeys.find(vk);
        if (it == heldKeys.end()) {
            return;
        }
        FakeKey(it->second.keycode, false);
        TouchBinding(it->second.keycode);
        heldKeys.erase(it);
        if (adjustedVk == vk) {
            Settle();
        }
    }

    void ReleaseEverything() {
        Settle();
        for (const auto& [vk, held] : heldKeys) {
            FakeKey(held.keycode, false);
        }
        heldKeys.clear();
        for (const auto& [vk, kc] : scriptModifiers) {
            FakeKey(kc, false);
        }
        scriptModifiers.clear();
        for (int kc = 0; kc < 256; ++kc) {
            while (pressCount[kc] > 0) {
                FakeKey(static_cast<KeyCode>(kc), false);
            }
        }
        if (!bindings.empty()) {
            Clock::time_point last{};
            for (const auto& [kc, binding] : bindings) {
                last = std::max(last, binding.lastUse);
            }
            XSync(dpy, False);
            SleepFor(last + kBindingGrace - Clock::now());
            RestoreIdleBindings(Clock::duration::zero());
        }
        XSync(dpy, False);
    }

    // ---- windows ----

    static constexpr Clock::duration kBindingGrace = std::chrono::milliseconds(200);
    static constexpr Clock::duration kQuietBeforeRemap = std::chrono::milliseconds(40);
    static constexpr Clock::duration kBindingKept = std::chrono::minutes(1);

    std::optional<std::vector<unsigned char>> Property(Window w, Atom property, Atom type,
                                                       int* format = nullptr,
                                                       unsigned long* items = nullptr) {
        Atom actualType = None;
        int actualFormat = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        registration.lastError.store(0);
        const int status = XGetWindowProperty(dpy, w, property, 0, 1L << 20, False, type,
                                              &actualType, &actualFormat, &count, &after, &data);
        XPtr<unsigned char> owned(data);
        if (status != Success || actualType == None ||
            (type != AnyPropertyType && actualType != type)) {
            return std::nullopt;
        }
        if (format != nullptr) {
            *format = actualFormat;
        }
        if (items != nullptr) {
            *items = count;
        }
        const std::size_t unit = actualFormat == 32 ? sizeof(long) : actualFormat == 16 ? 2 : 1;
        std::vector<unsigned char> bytes(data, data + count * unit);
        return bytes;
    }

    std::vector<long> LongProperty(Window w, Atom property, Atom type) {
        int format = 0;
        unsigned long items = 0;
        auto bytes = Property(w, property, type, &format, &items);
        std::vector<long> out;
        if (!bytes || format != 32) {
            return out;
        }
        out.resize(items);
        std::memcpy(out.data(), bytes->data(), items * sizeof(long));
        return out;
    }

    std::optional<std::string> Title(Window w) {
        if (auto name = Property(w, netWmName, utf8String)) {
            return std::string(name->begin(), name->end());
        }
        XTextProperty text{};
        if (XGetWMName(dpy, w, &text) == 0 || text.value == nullptr) {
            return std::nullopt;
        }
        XPtr<unsigned char> owned(text.value);
        if (text.encoding == XA_STRING) {
            return Utf8FromLatin1(text.value, text.nitems);
        }
        if (text.encoding == utf8String) {
            return std::string(reinterpret_cast<const char*>(text.value), text.nitems);
        }
        char** list = nullptr;
        int count = 0;
        if (Xutf8TextPropertyToTextList(dpy, &text, &list, &count) >= Success && count > 0 &&
            list != nullptr) {
            std::string out = list[0];
            XFreeStringList(list);
            return out;
        }
        return std::nullopt;
    }

    bool WmRunning() {
        const auto check = LongProperty(root, netSupportingWmCheck, XA_WINDOW);
        if (check.empty() || check[0] == 0) {
            return false;
        }
        const auto self =
            LongProperty(static_cast<Window>(check[0]), netSupportingWmCheck, XA_WINDOW);
        return !self.empty() && self[0] == check[0];
    }

    bool WmSupports(Atom atom) {
        const auto supported = LongProperty(root, netSupported, XA_ATOM);
        return std::find(supported.begin(), supported.end(), static_cast<long>(atom)) !=
               supported.end();
    }

    std::vector<Window> Children(Window w) {
        Window rootReturn = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        std::vector<Window> out;
        if (XQueryTree(dpy, w, &rootReturn, &parent, &children, &count) != 0 &&
            children != nullptr) {
            out.assign(children, children + count);
        }
        XFree(children);
        return out;
    }

    Window Parent(Window w) {
        Window rootReturn = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(dpy, w, &rootReturn, &parent, &children, &count) == 0) {
            return 0;
        }
        XFree(children);
        return parent;
    }

    // The client window inside a frame: the first window below it that
    // carries WM_STATE.
    Window ClientOf(Window frame, int depth) {
        if (depth > 3) {
            return 0;
        }
        for (Window child : Children(frame)) {
            if (Property(child, wmState, wmState)) {
                return child;
            }
        }
        for (Window child : Children(frame)) {
            if (Window found = ClientOf(child, depth + 1)) {
                return found;
            }
        }
        return 0;
    }

    bool Exists(Window w) {
        XWindowAttributes attributes;
        registration.lastError.store(0);
        return w != 0 && XGetWindowAttributes(dpy, w, &attributes) != 0;
    }

    bool Viewable(Window w) {
        XWindowAttributes attributes;
        return w != 0 && XGetWindowAttributes(dpy, w, &attributes) != 0 &&
               attributes.map_state == IsViewable;
    }

    void SendWmMessage(Window w, Atom type, long l0, long l1, long l2, long l3) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = w;
        event.xclient.message_type = type;
        event.xclient.format = 32;
        event.xclient.data.l[0] = l0;
        event.xclient.data.l[1] = l1;
        event.xclient.data.l[2] = l2;
        event.xclient.data.l[3] = l3;
        XSendEvent(dpy, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    }

    Window TopLevelOf(Window w) {
        Window current = w;
        for (int i = 0; i < 16; ++i) {
            const Window parent = Parent(current);
            if (parent == 0 || parent == root) {
                return current;
            }
            current = parent;
        }
        return current;
    }

    void Activate(Window w) {
        if (WmRunning() && WmSupports(netActiveWindow)) {
            // Source 2: a pager or task bar, whose requests the window manager
            // follows (no focus-stealing prevention).
            SendWmMessage(w, netActiveWindow, 2, CurrentTime, 0, 0);
        } else {
            XRaiseWindow(dpy, TopLevelOf(w));
            if (Viewable(w)) {
                XSetInputFocus(dpy, w, RevertToParent, CurrentTime);
            }
        }
        Flush();
    }

    Window Focus() {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(dpy, &focus, &revert);
        return focus == PointerRoot ? 0 : focus;
    }

    bool HasFocus(Window w) {
        Window current = Focus();
        for (int i = 0; i < 32 && current != 0 && current != root; ++i) {
            if (current == w) {
                return true;
            }
            current = Parent(current);
        }
        return false;
    }
};

// ---------------------------------------------------------------------------

std::unique_ptr<X11Desktop> X11Desktop::Open(const char* displayName, std::string& error) {
    const char* name = displayName != nullptr ? displayName : std::getenv("DISPLAY");
    if (name == nullptr || name[0] == '\0') {
        error = "No X display: DISPLAY is not set (Orvanel needs an X11 desktop to run on).";
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    impl->display.reset(XOpenDisplay(name));
    if (!impl->display) {
        error = std::string("Cannot open the X display \"") + name +
                "\" (is an X server running, and may this user use it?).";
        return nullptr;
    }
    Display* dpy = impl->dpy = impl->display.get();
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (XTestQueryExtension(dpy, &eventBase, &errorBase, &major, &minor) == 0) {
        error = std::string("The X display \"") + name + "\" lacks the XTEST extension.";
        return nullptr;
    }
    int opcode = 0, xkbError = 0;
    major = XkbMajorVersion;
    minor = XkbMinorVersion;
    if (XkbQueryExtension(dpy, &opcode, &impl->xkbEventType, &xkbError, &major, &minor) == 0) {
        error = std::string("The X display \"") + name + "\" lacks the XKEYBOARD extension.";
        return nullptr;
    }
    impl->root = DefaultRootWindow(dpy);
    impl->registration.display = dpy;

    // Register before the first request that may fail.
    {
        XGuard guard;
        for (int i = 0; i < kMaxBackends; ++i) {
            Registration* expected = nullptr;
            if (gBackends[i].compare_exchange_strong(expected, &impl->registration)) {
                impl->slot = i;
                break;
            }
        }
        static std::once_flag errorHandlerOnce;
        std::call_once(errorHandlerOnce,
                       [] { gPreviousErrorHandler = XSetErrorHandler(OnXError); });
    }
    if (impl->slot < 0) {
        error = "Too many X desktop connections are open.";
        return nullptr;
    }
    InstallProcessHandlers();

    XGuard guard;
    auto atom = [dpy](const char* atomName) { return XInternAtom(dpy, atomName, False); };
    impl->netClientList = atom("_NET_CLIENT_LIST");
    impl->netClientListStacking = atom("_NET_CLIENT_LIST_STACKING");
    impl->netWmName = atom("_NET_WM_NAME");
    impl->utf8String = atom("UTF8_STRING");
    impl->netActiveWindow = atom("_NET_ACTIVE_WINDOW");
    impl->netWmState = atom("_NET_WM_STATE");
    impl->netWmStateHidden = atom("_NET_WM_STATE_HIDDEN");
    impl->netWmStateMaxVert = atom("_NET_WM_STATE_MAXIMIZED_VERT");
    impl->netWmStateMaxHorz = atom("_NET_WM_STATE_MAXIMIZED_HORZ");
    impl->netSupportingWmCheck = atom("_NET_SUPPORTING_WM_CHECK");
    impl->netSupported = atom("_NET_SUPPORTED");
    impl->wmState = atom("WM_STATE");
    impl->wmChangeState = atom("WM_CHANGE_STATE");

    XkbSelectEvents(dpy, XkbUseCoreKbd, XkbNewKeyboardNotifyMask | XkbMapNotifyMask,
                    XkbNewKeyboardNotifyMask | XkbMapNotifyMask);
    XkbSelectEventDetails(dpy, XkbUseCoreKbd, XkbStateNotify, XkbAllStateComponentsMask,
                          XkbModifierLockMask | XkbGroupStateMask);
    impl->ReloadMap();
    impl->ReadState();
    if (!impl->xkb) {
        error = std::string("Cannot read the keyboard map of the X display \"") + name + "\".";
        return nullptr;
    }
    return std::unique_ptr<X11Desktop>(new X11Desktop(std::move(impl)));
}

X11Desktop::X11Desktop(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

X11Desktop::~X11Desktop() {
    if (!impl_) {
        return;
    }
    XGuard guard;
    if (impl_->Dead()) {
        (void)impl_->display.release(); // ended already; closing would fail
    } else {
        impl_->ReleaseEverything();
    }
    if (impl_->slot >= 0) {
        gBackends[impl_->slot].store(nullptr);
    }
    impl_->display.reset();
}

// ---- keyboard ----

void X11Desktop::keybd_event(std::uint8_t virtualKey, std::uint8_t /*scanCode*/,
                             std::uint32_t flags, std::uintptr_t /*extraInfo*/) {
    XGuard guard;
    Impl& d = *impl_;
    if (d.Dead()) {
        return;
    }
    d.Refresh();
    if ((flags & kKeyEventKeyUp) != 0) {
        d.KeyUp(virtualKey);
    } else {
        d.KeyDown(virtualKey);
    }
    d.Flush();
}

std::int16_t X11Desktop::VkKeyScanA(char character) {
    const auto c = static_cast<unsigned char>(character);
    const std::int16_t us = uslayout::VkKeyScanA(c);
    if (us != -1 || c < 0x80 || Undefined1252(c)) {
        return us;
    }
    Impl& d = *impl_;
    std::uint8_t chosen = 0;
    for (std::uint8_t vk : kLentVks) {
        if (d.lentCharacter[vk] == c) {
            chosen = vk;
            break;
        }
    }
    if (chosen == 0) {
        std::uint64_t oldest = UINT64_MAX;
        for (std::uint8_t vk : kLentVks) {
            if (d.heldKeys.count(vk) != 0) {
                continue;
            }
            if (d.lentCharacter[vk] == 0) {
                chosen = vk;
                break;
            }
            if (d.lentStamp[vk] < oldest) {
                oldest = d.lentStamp[vk];
                chosen = vk;
            }
        }
        if (chosen == 0) {
            return -1;
        }
        d.lentCharacter[chosen] = c;
    }
    d.lentStamp[chosen] = ++d.lentClock;
    return chosen;
}

bool X11Desktop::CharToOemA(const char* source, char* destination) {
    if (source == nullptr || destination == nullptr) {
        return false;
    }
    std::size_t i = 0;
    for (; source[i] != '\0'; ++i) {
        destination[i] =
            static_cast<char>(uslayout::AnsiToOem(static_cast<unsigned char>(source[i])));
    }
    destination[i] = '\0';
    return true;
}

std::uint32_t X11Desktop::OemKeyScan(std::uint16_t oemCharacter) {
    return uslayout::OemKeyScan(oemCharacter);
}

std::uint32_t X11Desktop::MapVirtualKeyA(std::uint32_t code, std::uint32_t mapType) {
    if (mapType != kMapVkToVsc && mapType != 2) {
        return uslayout::MapVirtualKey(code, mapType);
    }
    if (IsLentVk(static_cast<std::uint8_t>(code))) {
        return 0; // lent codes sit on no key
    }
    return uslayout::MapVirtualKey(code, mapType);
}

// ---- windows ----

WindowHandle X11Desktop::FindWindowA(const char* /*className*/, const char* title) {
    if (title == nullptr || title[0] == '\0') {
        return kNoWindow;
    }
    XGuard guard;
    Impl& d = *impl_;
    if (d.Dead()) {
        return kNoWindow;
    }
    const std::string wanted = Utf8FromCp1252(title);
    auto matches = [&d, &wanted](Window w) {
        const auto name = d.Title(w);
        return name && *name == wanted;
    };
    if (d.WmRunning()) {
        // Topmost first, as the stacking list runs from the bottom up.
        auto clients = d.LongProperty(d.root, d.netClientListStacking, XA_WINDOW);
        if (clients.empty()) {
            clients = d.LongProperty(d.root, d.netClientList, XA_WINDOW);
        } else {
            std::reverse(clients.begin(), clients.end());
        }
        if (!clients.empty()) {
            for (long w : clients) {
                if (matches(static_cast<Window>(w))) {
                    return static_cast<WindowHandle>(w);
                }
            }
            return kNoWindow;
        }
    }
    auto children = d.Children(d.root);
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        if (matches(*it)) {
            return *it;
        }
        const Window client = d.ClientOf(*it, 0);
        if (client != 0 && matches(client)) {
            return client;
        }
    }
    return kNoWindow;
}

bool X11Desktop::ShowWindow(WindowHandle window, int showCommand) {
    XGuard guard;
    Impl& d = *impl_;
    const auto w = static_cast<Window>(window);
    if (d.Dead() || !d.Exists(w)) {
        return false;
    }
    const bool wasVisible = d.Viewable(w);
    const bool wm = d.WmRunning();
    switch (showCommand) {
    case 0: // hide
        XUnmapWindow(d.dpy, w);
        if (wm) {
            XWithdrawWindow(d.dpy, w, DefaultScreen(d.dpy));
        }
        break;
    case 2: // minimise
    case 6:
    case 7:
        if (wm) {
            XIconifyWindow(d.dpy, w, DefaultScreen(d.dpy));
        } else {
            XUnmapWindow(d.dpy, w);
        }
        break;
    default: // show normally: mapped, neither minimised nor maximised
        if (wm) {
            d.SendWmMessage(w, d.netWmState, 0 /* remove */, static_cast<long>(d.netWmStateMaxVert),
                            static_cast<long>(d.netWmStateMaxHorz), 2);
            // Mapping an iconic window asks the window manager to restore it.
            XMapWindow(d.dpy, w);
            if (d.WmSupports(d.netActiveWindow)) {
                const auto states = d.LongProperty(w, d.netWmState, XA_ATOM);
                if (std::find(states.begin(), states.end(),
                              static_cast<long>(d.netWmStateHidden)) != states.end()) {
                    d.SendWmMessage(w, d.netActiveWindow, 2, CurrentTime, 0, 0);
                }
            }
        } else {
            XMapRaised(d.dpy, w);
        }
        break;
    }
    d.Flush();
    return wasVisible;
}

bool X11Desktop::SetForegroundWindow(WindowHandle window) {
    XGuard guard;
    Impl& d = *impl_;
    const auto w = static_cast<Window>(window);
    if (d.Dead() || !d.Exists(w)) {
        return false;
    }
    d.Activate(w);
    return true;
}

std::intptr_t X11Desktop::SendMessageA(WindowHandle window, std::uint32_t message,
                                       std::uintptr_t /*wParam*/, std::intptr_t /*lParam*/) {
    if (message != kWmSetFocus) {
        return 0;
    }
    const auto w = static_cast<Window>(window);
    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline = start + std::chrono::seconds(2);
    Clock::time_point retry = start + std::chrono::milliseconds(200);
    auto pause = std::chrono::microseconds(500);
    for (;;) {
        {
            XGuard guard;
            Impl& d = *impl_;
            if (d.Dead() || !d.Exists(w) || d.HasFocus(w)) {
                return 0;
            }
            const Clock::time_point now = Clock::now();
            if (now >= deadline) {
                return 0;
            }
            if (now >= retry) {
                d.Activate(w); // the first request may have come too early
                retry = now + std::chrono::milliseconds(300);
            }
        }
        SleepFor(pause);
        pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(20));
    }
}

std::intptr_t X11Desktop::ShellExecuteA(WindowHandle /*owner*/, const char* operation,
                                        const char* file, const char* /*parameters*/,
                                        const char* directory, int /*showCommand*/) {
    if (operation != nullptr && std::string(operation) != "open") {
        return x11::kShellNoAssociation;
    }
    return x11::RunShellPlan(x11::PlanShellOpen(file, directory));
}

// ---- waiting, time and locale ----

void X11Desktop::Sleep(std::uint32_t milliseconds) {
    SleepFor(std::chrono::milliseconds(milliseconds));
}

SystemTime X11Desktop::GetLocalTime() {
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm local {};
    localtime_r(&now.tv_sec, &local);
    SystemTime t;
    t.year = local.tm_year + 1900;
    t.month = local.tm_mon + 1;
    t.dayOfWeek = local.tm_wday;
    t.day = local.tm_mday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    t.second = std::min(local.tm_sec, 59);
    t.milliseconds = static_cast<int>(now.tv_nsec / 1'000'000);
    return t;
}

LocaleInfo X11Desktop::GetLocaleInfoA() {
    return x11::LocaleInfoFromTexts(x11::CurrentLocaleTexts(), x11::CurrentTimeLocaleIsC());
}

// ---- beyond the interface ----

void X11Desktop::ReleaseAll() {
    XGuard guard;
    if (!impl_->Dead()) {
        impl_->ReleaseEverything();
    }
}

bool X11Desktop::WindowManagerRunning() {
    XGuard guard;
    return !impl_->Dead() && impl_->WmRunning();
}

WindowHandle X11Desktop::FocusWindow() {
    XGuard guard;
    return impl_->Dead() ? kNoWindow : impl_->Focus();
}

int X11Desktop::BoundSpareKeycodes() const {
    return static_cast<int>(impl_->bindings.size());
}

} // namespace orvanel
