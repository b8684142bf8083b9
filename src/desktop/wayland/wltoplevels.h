// The top-level windows of the compositor, as the foreign toplevel manager
// announces them: each with its title and its states (minimised, maximised,
// activated), applied on the handle's "done" event.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;

namespace orvanel::wl {

struct Toplevel {
    zwlr_foreign_toplevel_handle_v1* handle = nullptr;
    std::string title;        // UTF-8, as of the last "done"
    std::string pendingTitle; // since then
    bool minimized = false;
    bool maximized = false;
    bool activated = false;
    std::uint32_t pendingStates = 0; // bit per state value
    bool havePendingStates = false;
    bool closed = false;
    std::string appId;        // as of the last "done"
    std::string pendingAppId; // since then
    zwlr_foreign_toplevel_handle_v1* parent = nullptr;
};

class Toplevels {
public:
    explicit Toplevels(zwlr_foreign_toplevel_manager_v1* manager);
    ~Toplevels();
    Toplevels(const Toplevels&) = delete;
    Toplevels& operator=(const Toplevels&) = delete;

    // The id (from 1) of an open window with exactly this title, the active
    // one first, then the newest; 0 when there is none.
    std::uint64_t Find(const std::string& title) const;

    // The window of an id, null when it is unknown or closed.
    Toplevel* Get(std::uint64_t id);

    // The id of the activated window, 0 when none is.
    std::uint64_t Active() const;

    // Whether window `a` is window `b` or one of its dialogs: its parent, or
    // the parent's parent (a few levels), is `b`. Other windows of the same
    // application id do not count.
    bool IsOrBelongsTo(std::uint64_t a, std::uint64_t b) const;

    // The manager's events (public for its listener table).
    static void OnToplevelThunk(void* data, zwlr_foreign_toplevel_manager_v1* manager,
                                zwlr_foreign_toplevel_handle_v1* handle);
    static void OnFinishedThunk(void* data, zwlr_foreign_toplevel_manager_v1* manager);

private:
    const Toplevel* ByHandle(const zwlr_foreign_toplevel_handle_v1* handle) const;

    zwlr_foreign_toplevel_manager_v1* manager_;
    std::map<std::uint64_t, std::unique_ptr<Toplevel>> windows_;
    std::uint64_t nextId_ = 1;
};

} // namespace orvanel::wl
