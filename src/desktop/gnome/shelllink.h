// What the GNOME backend asks of Orvanel's GNOME Shell extension: the names
// it answers under on the session bus, and its questions as plain calls. The
// bus client (shellclient.h) provides them; tests give a fake.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvanel::gnome {

// The extension comes in two forms, each in a folder of its own: GNOME
// Shell 42 to 44 load extensions as scripts, 45 and later as ES modules.
inline constexpr const char* kExtensionUuid = "orvanel@orvanel.example";         // 42 to 44
inline constexpr const char* kModuleExtensionUuid = "orvanel45@orvanel.example"; // 45 on
inline constexpr const char* kBusName = "example.orvanel.GnomeShell";
inline constexpr const char* kObjectPath = "/example/orvanel/GnomeShell";
inline constexpr const char* kInterface = "example.orvanel.GnomeShell1";

// A window as the shell knows it: a stable id, its title (UTF-8), the id of
// its process and the window it is transient for (0: none).
struct ShellWindow {
    std::uint64_t id = 0;
    std::string title;
    std::uint32_t pid = 0;
    std::uint64_t parent = 0;
};

// What stands between keys and windows now.
struct ShellState {
    bool answered = false; // false: the shell did not answer (nothing below holds)
    bool locked = false;   // the session is locked or the screen shield is up
    bool held = false;     // the shell itself has the keyboard (overview, a system dialog)
    // Keys of this program were refused since the last State (see Keys).
    bool refused = false;
    // The focused window, then each window it is transient for; empty when
    // no window has the focus.
    std::vector<std::uint64_t> focus;
};

// One key on the virtual keyboard: a keysym and whether it goes down.
struct ShellKey {
    std::uint32_t keysym = 0;
    bool pressed = false;
};

class ShellLink {
public:
    virtual ~ShellLink() = default;

    // False when the shell did not answer.
    virtual bool Windows(std::vector<ShellWindow>& windows) = 0;
    virtual ShellState State() = 0;
    // Restores the window if minimised or maximised; false when there is no
    // such window or no answer.
    virtual bool Show(std::uint64_t window) = 0;
    virtual bool Activate(std::uint64_t window) = 0;
    // Sends keys without waiting for them to be typed. With `lendKeymap`,
    // they are typed on the layout Orvanel lends (lentkeymap.h). A batch
    // that presses a key is refused whole while the session is locked, and,
    // unless `window` is 0, unless the focus is in `window` or a window
    // transient for it and the shell does not hold the keyboard; the keys
    // this program holds then go up, every later batch that presses a key is
    // refused too, and the next State says so.
    virtual void Keys(const std::vector<ShellKey>& keys, bool lendKeymap, std::uint64_t window) = 0;
    // Watches for the stop key (on) or lets it go; false when the shell
    // cannot watch it (another program has the combination).
    virtual bool WatchStopKey(bool on) = 0;
    // Whether the stop key has been pressed since the watch began.
    virtual bool StopKeyPressed() = 0;
    // False once the connection to the shell is lost.
    virtual bool Connected() = 0;
};

} // namespace orvanel::gnome
