// The windows of KWin, as its window list (org_kde_plasma_window_management)
// tells them: each with its title, process id, transient parent and states,
// kept up to date by KWin's events. Windows are asked for by their uuid;
// one counts once KWin has sent all of its first state.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

struct org_kde_plasma_window;
struct org_kde_plasma_window_management;

namespace orvanel::kde {

struct PlasmaWindow {
    org_kde_plasma_window* handle = nullptr;
    std::string uuid;
    std::string title; // UTF-8, as KWin shows it
    std::uint32_t pid = 0;
    org_kde_plasma_window* parent = nullptr; // the window it is transient for
    std::uint32_t states = 0;                // org_kde_plasma_window_management state bits
    bool ready = false;                      // its first state has come
    bool gone = false;                       // unmapped
};

class PlasmaWindows {
public:
    // Takes over a freshly bound window list and its events.
    explicit PlasmaWindows(org_kde_plasma_window_management* manager);
    ~PlasmaWindows();
    PlasmaWindows(const PlasmaWindows&) = delete;
    PlasmaWindows& operator=(const PlasmaWindows&) = delete;

    // The id (from 1) of an open window with exactly this title, the active
    // one first, then the newest; 0 when there is none.
    std::uint64_t Find(const std::string& title) const;

    // The window of an id, null when it is unknown or gone.
    PlasmaWindow* Get(std::uint64_t id);

    // Whether a window has been announced whose first state has not come.
    bool Pending() const;

    // The id of the active window, 0 when none is.
    std::uint64_t Active() const;

    // Whether `window` is `task`, or a window transient for it (a dialog of
    // it, or a dialog of such a dialog).
    bool IsOrServes(std::uint64_t window, std::uint64_t task) const;

    // Shows the window (not minimised; not maximised, when `restore`) and,
    // with `activate`, makes it the active window.
    void Show(std::uint64_t id, bool restore, bool activate);

    // A window KWin has announced (public for the listener table).
    void Add(const char* uuid);

private:
    const PlasmaWindow* ByHandle(const org_kde_plasma_window* handle) const;

    org_kde_plasma_window_management* manager_;
    std::map<std::uint64_t, std::unique_ptr<PlasmaWindow>> windows_;
    std::uint64_t nextId_ = 1;
};

} // namespace orvanel::kde
