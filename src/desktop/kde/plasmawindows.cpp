#include "desktop/kde/plasmawindows.h"

#include <wayland-client.h>

#include "plasma-window-management-client.h"

namespace orvanel::kde {

namespace {

constexpr std::uint32_t kActive = ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_ACTIVE;
constexpr std::uint32_t kMinimized = ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_MINIMIZED;
constexpr std::uint32_t kMaximized = ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_MAXIMIZED;

PlasmaWindow& Of(void* data) {
    return *static_cast<PlasmaWindow*>(data);
}

void OnTitle(void* data, org_kde_plasma_window* /*w*/, const char* title) {
    Of(data).title = title != nullptr ? title : "";
}
void OnState(void* data, org_kde_plasma_window* /*w*/, std::uint32_t flags) {
    Of(data).states = flags;
}
void OnUnmapped(void* data, org_kde_plasma_window* /*w*/) {
    Of(data).gone = true;
}
void OnInitialState(void* data, org_kde_plasma_window* /*w*/) {
    Of(data).ready = true;
}
void OnParent(void* data, org_kde_plasma_window* /*w*/, org_kde_plasma_window* parent) {
    Of(data).parent = parent;
}
void OnPid(void* data, org_kde_plasma_window* /*w*/, std::uint32_t pid) {
    Of(data).pid = pid;
}
void IgnoreText(void* /*data*/, org_kde_plasma_window* /*w*/, const char* /*text*/) {}
void IgnoreNumber(void* /*data*/, org_kde_plasma_window* /*w*/, std::int32_t /*n*/) {}
void IgnoreNothing(void* /*data*/, org_kde_plasma_window* /*w*/) {}
void IgnoreGeometry(void* /*data*/, org_kde_plasma_window* /*w*/, std::int32_t /*x*/,
                    std::int32_t /*y*/, std::uint32_t /*width*/, std::uint32_t /*height*/) {}
void IgnoreMenu(void* /*data*/, org_kde_plasma_window* /*w*/, const char* /*service*/,
                const char* /*path*/) {}

const org_kde_plasma_window_listener kWindowListener = {
    OnTitle,        // title_changed
    IgnoreText,     // app_id_changed
    OnState,        // state_changed
    IgnoreNumber,   // virtual_desktop_changed
    IgnoreText,     // themed_icon_name_changed
    OnUnmapped,     // unmapped
    OnInitialState, // initial_state
    OnParent,       // parent_window
    IgnoreGeometry, // geometry
    IgnoreNothing,  // icon_changed
    OnPid,          // pid_changed
    IgnoreText,     // virtual_desktop_entered
    IgnoreText,     // virtual_desktop_left
    IgnoreMenu,     // application_menu
    IgnoreText,     // activity_entered
    IgnoreText,     // activity_left
    IgnoreText,     // resource_name_changed
};

void OnShowDesktop(void* /*data*/, org_kde_plasma_window_management* /*m*/,
                   std::uint32_t /*state*/) {}
void OnWindowById(void* /*data*/, org_kde_plasma_window_management* /*m*/, std::uint32_t /*id*/) {}
void OnStacking(void* /*data*/, org_kde_plasma_window_management* /*m*/, wl_array* /*ids*/) {}
void OnStackingUuids(void* /*data*/, org_kde_plasma_window_management* /*m*/,
                     const char* /*uuids*/) {}
void OnWindowWithUuid(void* data, org_kde_plasma_window_management* /*m*/, std::uint32_t /*id*/,
                      const char* uuid) {
    static_cast<PlasmaWindows*>(data)->Add(uuid);
}

const org_kde_plasma_window_management_listener kManagerListener = {
    OnShowDesktop, OnWindowById, OnStacking, OnStackingUuids, OnWindowWithUuid,
};

} // namespace

PlasmaWindows::PlasmaWindows(org_kde_plasma_window_management* manager) : manager_(manager) {
    org_kde_plasma_window_management_add_listener(manager_, &kManagerListener, this);
}

PlasmaWindows::~PlasmaWindows() {
    for (auto& [id, window] : windows_) {
        org_kde_plasma_window_destroy(window->handle);
    }
    org_kde_plasma_window_management_destroy(manager_);
}

void PlasmaWindows::Add(const char* uuid) {
    // Forget the windows that have gone before another one comes.
    for (auto it = windows_.begin(); it != windows_.end();) {
        if (it->second->gone) {
            for (auto& [id, other] : windows_) {
                if (other->parent == it->second->handle) {
                    other->parent = nullptr;
                }
            }
            org_kde_plasma_window_destroy(it->second->handle);
            it = windows_.erase(it);
        } else {
            ++it;
        }
    }
    auto window = std::make_unique<PlasmaWindow>();
    window->uuid = uuid != nullptr ? uuid : "";
    window->handle =
        org_kde_plasma_window_management_get_window_by_uuid(manager_, window->uuid.c_str());
    org_kde_plasma_window_add_listener(window->handle, &kWindowListener, window.get());
    windows_.emplace(nextId_++, std::move(window));
}

std::uint64_t PlasmaWindows::Find(const std::string& title) const {
    std::uint64_t found = 0;
    for (const auto& [id, window] : windows_) {
        if (!window->ready || window->gone || window->title != title) {
            continue;
        }
        if ((window->states & kActive) != 0) {
            return id;
        }
        found = id; // the newest, unless one is active
    }
    return found;
}

PlasmaWindow* PlasmaWindows::Get(std::uint64_t id) {
    auto it = windows_.find(id);
    return it != windows_.end() && !it->second->gone ? it->second.get() : nullptr;
}

bool PlasmaWindows::Pending() const {
    for (const auto& [id, window] : windows_) {
        if (!window->ready && !window->gone) {
            return true;
        }
    }
    return false;
}

std::uint64_t PlasmaWindows::Active() const {
    for (const auto& [id, window] : windows_) {
        if (window->ready && !window->gone && (window->states & kActive) != 0) {
            return id;
        }
    }
    return 0;
}

const PlasmaWindow* PlasmaWindows::ByHandle(const org_kde_plasma_window* handle) const {
    for (const auto& [id, window] : windows_) {
        if (window->handle == handle) {
            return window.get();
        }
    }
    return nullptr;
}

bool PlasmaWindows::IsOrServes(std::uint64_t window, std::uint64_t task) const {
    const auto w = windows_.find(window);
    const auto t = windows_.find(task);
    if (w == windows_.end() || t == windows_.end()) {
        return false;
    }
    const PlasmaWindow* current = w->second.get();
    // Up the chain of parents; a chain is short, and a loop ends here.
    for (std::size_t depth = 0; current != nullptr && depth <= windows_.size(); ++depth) {
        if (current == t->second.get()) {
            return true;
        }
        current = current->parent != nullptr ? ByHandle(current->parent) : nullptr;
    }
    return false;
}

void PlasmaWindows::Show(std::uint64_t id, bool restore, bool activate) {
    PlasmaWindow* window = Get(id);
    if (window == nullptr) {
        return;
    }
    std::uint32_t flags = kMinimized;
    if (restore && (window->states & kMaximized) != 0) {
        flags |= kMaximized;
    }
    std::uint32_t state = 0;
    if (activate) {
        flags |= kActive;
        state |= kActive;
    }
    org_kde_plasma_window_set_state(window->handle, flags, state);
}

} // namespace orvanel::kde
