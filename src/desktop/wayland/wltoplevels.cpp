#include "desktop/wayland/wltoplevels.h"

#include <wayland-client.h>

#include "wlr-foreign-toplevel-management-unstable-v1-client.h"

namespace orvanel::wl {

namespace {

// How many parent links IsOrBelongsTo follows.
constexpr int kParentDepth = 4;

void OnTitle(void* data, zwlr_foreign_toplevel_handle_v1* /*handle*/, const char* title) {
    static_cast<Toplevel*>(data)->pendingTitle = title != nullptr ? title : "";
}

void OnAppId(void* data, zwlr_foreign_toplevel_handle_v1* /*handle*/, const char* id) {
    static_cast<Toplevel*>(data)->pendingAppId = id != nullptr ? id : "";
}

void OnOutput(void* /*data*/, zwlr_foreign_toplevel_handle_v1* /*handle*/, wl_output* /*out*/) {}

void OnState(void* data, zwlr_foreign_toplevel_handle_v1* /*handle*/, wl_array* states) {
    auto* window = static_cast<Toplevel*>(data);
    window->pendingStates = 0;
    const auto* values = static_cast<const std::uint32_t*>(states->data);
    for (std::size_t i = 0; i < states->size / sizeof(std::uint32_t); ++i) {
        if (values[i] < 32) {
            window->pendingStates |= 1u << values[i];
        }
    }
    window->havePendingStates = true;
}

void OnDone(void* data, zwlr_foreign_toplevel_handle_v1* /*handle*/) {
    auto* window = static_cast<Toplevel*>(data);
    window->title = window->pendingTitle;
    window->appId = window->pendingAppId;
    if (window->havePendingStates) {
        const std::uint32_t s = window->pendingStates;
        window->maximized = (s & (1u << ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MAXIMIZED)) != 0;
        window->minimized = (s & (1u << ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MINIMIZED)) != 0;
        window->activated = (s & (1u << ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED)) != 0;
        window->havePendingStates = false;
    }
}

void OnClosed(void* data, zwlr_foreign_toplevel_handle_v1* /*handle*/) {
    static_cast<Toplevel*>(data)->closed = true;
}

void OnParent(void* data, zwlr_foreign_toplevel_handle_v1* /*handle*/,
              zwlr_foreign_toplevel_handle_v1* parent) {
    static_cast<Toplevel*>(data)->parent = parent;
}

const zwlr_foreign_toplevel_handle_v1_listener kHandleListener = {
    OnTitle, OnAppId, OnOutput, OnOutput, OnState, OnDone, OnClosed, OnParent,
};

const zwlr_foreign_toplevel_manager_v1_listener kManagerListener = {
    Toplevels::OnToplevelThunk,
    Toplevels::OnFinishedThunk,
};

} // namespace

Toplevels::Toplevels(zwlr_foreign_toplevel_manager_v1* manager) : manager_(manager) {
    zwlr_foreign_toplevel_manager_v1_add_listener(manager_, &kManagerListener, this);
}

Toplevels::~Toplevels() {
    for (auto& [id, window] : windows_) {
        zwlr_foreign_toplevel_handle_v1_destroy(window->handle);
    }
    if (manager_ != nullptr) {
        zwlr_foreign_toplevel_manager_v1_destroy(manager_);
    }
}

void Toplevels::OnToplevelThunk(void* data, zwlr_foreign_toplevel_manager_v1* /*manager*/,
                                zwlr_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<Toplevels*>(data);
    // Forget the windows that have gone before another one comes.
    for (auto it = self->windows_.begin(); it != self->windows_.end();) {
        if (it->second->closed) {
            zwlr_foreign_toplevel_handle_v1_destroy(it->second->handle);
            it = self->windows_.erase(it);
        } else {
            ++it;
        }
    }
    auto window = std::make_unique<Toplevel>();
    window->handle = handle;
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kHandleListener, window.get());
    self->windows_.emplace(self->nextId_++, std::move(window));
}

void Toplevels::OnFinishedThunk(void* data, zwlr_foreign_toplevel_manager_v1* manager) {
    auto* self = static_cast<Toplevels*>(data);
    zwlr_foreign_toplevel_manager_v1_destroy(manager);
    self->manager_ = nullptr;
}

std::uint64_t Toplevels::Find(const std::string& title) const {
    std::uint64_t found = 0;
    for (const auto& [id, window] : windows_) {
        if (window->closed || window->title != title) {
            continue;
        }
        if (window->activated) {
            return id;
        }
        found = id; // the newest, unless one is active
    }
    return found;
}

Toplevel* Toplevels::Get(std::uint64_t id) {
    auto it = windows_.find(id);
    return it != windows_.end() && !it->second->closed ? it->second.get() : nullptr;
}

std::uint64_t Toplevels::Active() const {
    for (const auto& [id, window] : windows_) {
        if (!window->closed && window->activated) {
            return id;
        }
    }
    return 0;
}

bool Toplevels::IsOrBelongsTo(std::uint64_t a, std::uint64_t b) const {
    const auto first = windows_.find(a);
    const auto second = windows_.find(b);
    if (first == windows_.end() || second == windows_.end()) {
        return false;
    }
    if (a == b) {
        return true;
    }
    const zwlr_foreign_toplevel_handle_v1* owner = second->second->handle;
    const Toplevel* current = first->second.get();
    // Bounded: a dialog of a dialog of a main window is as deep as programs go.
    for (int depth = 0; depth < kParentDepth && current->parent != nullptr; ++depth) {
        if (current->parent == owner) {
            return true;
        }
        current = ByHandle(current->parent);
        if (current == nullptr) {
            return false;
        }
    }
    return false;
}

const Toplevel* Toplevels::ByHandle(const zwlr_foreign_toplevel_handle_v1* handle) const {
    for (const auto& [id, window] : windows_) {
        if (window->handle == handle) {
            return window.get();
        }
    }
    return nullptr;
}

} // namespace orvanel::wl
