// A small Wayland window that writes down the text it receives, the witness
// of the Wayland tests (what targetwin is for X11).
//
//   wltarget --title TITLE --out FILE [--ready FILE] [--held FILE]
//            [--dialog TITLE] [--sibling TITLE] [--minimized yes]
//
// Each key press is read with xkbcommon against the keymap the compositor
// sent: a character typed without Ctrl or Alt is written in UTF-8; any other
// key as <Mods+Name> (<Tab>, <Ctrl+a>); a modifier key on its own writes
// nothing. When the window is up it writes "up" to the ready file
// (FILE.ready unless named). With --held, the held file always says how many
// keys are down and the depressed modifier mask ("keys mods"). --dialog opens
// a second window transient for the first, --sibling one that is not (both
// write to the same file); --minimized asks for the first to be minimised
// once it is up. Every window has the application id "orvanel-wltarget".
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <string>

#include "xdg-shell-client.h"

namespace {

struct Target;

// One top-level window of the program.
struct Window {
    Target* target = nullptr;
    std::string title;
    wl_surface* surface = nullptr;
    xdg_toplevel* toplevel = nullptr;
    wl_buffer* buffer = nullptr;
    bool configured = false;
};

struct Target {
    std::string title, out, ready, held, dialog, sibling, minimized;
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    wl_seat* seat = nullptr;
    wl_keyboard* keyboard = nullptr;
    xdg_wm_base* wm = nullptr;
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap* keymap = nullptr;
    xkb_state* state = nullptr;
    std::string typed; // read, not yet written to the out file
    std::set<std::uint32_t> down;
    std::uint32_t mods = 0;
    bool closed = false;
};

void Write(const std::string& file, const std::string& text, bool append) {
    std::ofstream f(file, append ? std::ios::app : std::ios::trunc);
    f << text;
}

void WriteHeld(Target& t) {
    if (!t.held.empty()) {
        Write(t.held + ".tmp", std::to_string(t.down.size()) + " " + std::to_string(t.mods), false);
        std::rename((t.held + ".tmp").c_str(), t.held.c_str());
    }
}

wl_buffer* MakeBuffer(wl_shm* shm, int width, int height) {
    const int stride = width * 4, size = stride * height;
    const int fd = memfd_create("wltarget", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, size) != 0) {
        return nullptr;
    }
    void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    std::memset(data, 0xEE, size);
    munmap(data, size);
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, size);
    wl_buffer* buffer =
        wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    return buffer;
}

void OnKeymap(void* data, wl_keyboard*, std::uint32_t format, int fd, std::uint32_t size) {
    auto& t = *static_cast<Target*>(data);
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
        char* text = static_cast<char*>(mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0));
        if (text != MAP_FAILED) {
            xkb_keymap* keymap = xkb_keymap_new_from_string(
                t.context, text, XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
            munmap(text, size);
            if (keymap != nullptr) {
                xkb_state_unref(t.state);
                xkb_keymap_unref(t.keymap);
                t.keymap = keymap;
                t.state = xkb_state_new(keymap);
            }
        }
    }
    close(fd);
}

void OnEnter(void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {}
void OnLeave(void* data, wl_keyboard*, std::uint32_t, wl_surface*) {
    auto& t = *static_cast<Target*>(data);
    t.down.clear();
    WriteHeld(t);
}

void OnKey(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key,
           std::uint32_t pressed) {
    auto& t = *static_cast<Target*>(data);
    if (pressed == 0) {
        t.down.erase(key);
        WriteHeld(t);
        return;
    }
    t.down.insert(key);
    WriteHeld(t);
    if (t.state == nullptr) {
        t.typed += "<nokeymap>";
        return;
    }
    const xkb_keycode_t kc = key + 8;
    const xkb_keysym_t sym = xkb_state_key_get_one_sym(t.state, kc);
    const bool ctrl =
        xkb_state_mod_name_is_active(t.state, XKB_MOD_NAME_CTRL, XKB_STATE_MODS_EFFECTIVE) > 0;
    const bool alt =
        xkb_state_mod_name_is_active(t.state, XKB_MOD_NAME_ALT, XKB_STATE_MODS_EFFECTIVE) > 0;
    const bool shift =
        xkb_state_mod_name_is_active(t.state, XKB_MOD_NAME_SHIFT, XKB_STATE_MODS_EFFECTIVE) > 0;
    char name[64];
    xkb_keysym_get_name(sym, name, sizeof name);
    const std::string n = name;
    if (n.find("Shift") == 0 || n.find("Control") == 0 || n.find("Alt") == 0 ||
        n.find("Meta") == 0 || n.find("Super") == 0 || n.find("ISO_Level") == 0 ||
        n == "Mode_switch" || n == "Caps_Lock" || n == "Num_Lock") {
        return;
    }
    char utf8[16] = {};
    xkb_state_key_get_utf8(t.state, kc, utf8, sizeof utf8);
    const auto first = static_cast<unsigned char>(utf8[0]);
    if (!ctrl && !alt && first >= 0x20 && first != 0x7F) {
        t.typed += utf8;
        return;
    }
    std::string text = "<";
    text += ctrl ? "Ctrl+" : "";
    text += alt ? "Alt+" : "";
    text += shift && (first < 0x20 || first == 0x7F) ? "Shift+" : "";
    char plain[64];
    xkb_keysym_get_name(xkb_keysym_to_lower(sym), plain, sizeof plain);
    t.typed += text + (ctrl || alt ? plain : name) + ">";
}

void OnModifiers(void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed,
                 std::uint32_t latched, std::uint32_t locked, std::uint32_t group) {
    auto& t = *static_cast<Target*>(data);
    t.mods = depressed;
    WriteHeld(t);
    if (t.state != nullptr) {
        xkb_state_update_mask(t.state, depressed, latched, locked, 0, 0, group);
    }
}

void OnRepeat(void*, wl_keyboard*, std::int32_t, std::int32_t) {}

const wl_keyboard_listener kKeyboard = {OnKeymap, OnEnter, OnLeave, OnKey, OnModifiers, OnRepeat};

// The keyboard comes and goes with the seat's keyboards (virtual ones too).
void OnCapabilities(void* data, wl_seat* seat, std::uint32_t caps) {
    auto& t = *static_cast<Target*>(data);
    const bool has = (caps & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    if (has && t.keyboard == nullptr) {
        t.keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(t.keyboard, &kKeyboard, data);
    } else if (!has && t.keyboard != nullptr) {
        wl_keyboard_destroy(t.keyboard);
        t.keyboard = nullptr;
    }
}
void OnSeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeat = {OnCapabilities, OnSeatName};

void OnPing(void*, xdg_wm_base* wm, std::uint32_t serial) {
    xdg_wm_base_pong(wm, serial);
}
const xdg_wm_base_listener kWm = {OnPing};

void OnSurfaceConfigure(void* data, xdg_surface* surface, std::uint32_t serial) {
    auto& w = *static_cast<Window*>(data);
    xdg_surface_ack_configure(surface, serial);
    if (!w.configured) {
        w.configured = true;
        w.buffer = MakeBuffer(w.target->shm, 320, 200);
        wl_surface_attach(w.surface, w.buffer, 0, 0);
    }
    wl_surface_commit(w.surface);
}
const xdg_surface_listener kSurface = {OnSurfaceConfigure};

void OnToplevelConfigure(void*, xdg_toplevel*, std::int32_t, std::int32_t, wl_array*) {}
void OnToplevelClose(void* data, xdg_toplevel*) {
    static_cast<Window*>(data)->target->closed = true;
}
const xdg_toplevel_listener kToplevel = {OnToplevelConfigure, OnToplevelClose};

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version) {
    auto& t = *static_cast<Target*>(data);
    if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
        t.compositor = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, 4));
    } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
        t.shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && t.seat == nullptr) {
        t.seat = static_cast<wl_seat*>(
            wl_registry_bind(registry, name, &wl_seat_interface, version < 5 ? version : 5));
        wl_seat_add_listener(t.seat, &kSeat, &t);
    } else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0) {
        t.wm =
            static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
        xdg_wm_base_add_listener(t.wm, &kWm, &t);
    }
}
void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener kRegistry = {OnGlobal, OnGlobalRemove};

// Maps a top-level window, transient for `parent` when given.
void Open(Window& w, xdg_toplevel* parent) {
    Target& t = *w.target;
    w.surface = wl_compositor_create_surface(t.compositor);
    xdg_surface* surface = xdg_wm_base_get_xdg_surface(t.wm, w.surface);
    xdg_surface_add_listener(surface, &kSurface, &w);
    w.toplevel = xdg_surface_get_toplevel(surface);
    xdg_toplevel_add_listener(w.toplevel, &kToplevel, &w);
    xdg_toplevel_set_title(w.toplevel, w.title.c_str());
    // Every wltarget window is of one application, as a program's windows are.
    xdg_toplevel_set_app_id(w.toplevel, "orvanel-wltarget");
    if (parent != nullptr) {
        xdg_toplevel_set_parent(w.toplevel, parent);
    }
    wl_surface_commit(w.surface);
}

} // namespace

int main(int argc, char** argv) {
    Target t;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        (option == "--title"       ? t.title
         : option == "--out"       ? t.out
         : option == "--ready"     ? t.ready
         : option == "--dialog"    ? t.dialog
         : option == "--sibling"   ? t.sibling
         : option == "--minimized" ? t.minimized
                                   : t.held) = argv[i + 1];
    }
    if (t.out.empty()) {
        std::fprintf(stderr,
                     "usage: wltarget --title TITLE --out FILE [--ready FILE] [--held FILE]\n"
                     "                [--dialog TITLE] [--sibling TITLE] [--minimized yes]\n");
        return 2;
    }
    t.ready = t.ready.empty() ? t.out + ".ready" : t.ready;
    Write(t.out, "", false);
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "wltarget: no Wayland display\n");
        return 1;
    }
    wl_registry_add_listener(wl_display_get_registry(display), &kRegistry, &t);
    wl_display_roundtrip(display);
    if (t.compositor == nullptr || t.shm == nullptr || t.wm == nullptr) {
        std::fprintf(stderr, "wltarget: the compositor lacks xdg-shell\n");
        return 1;
    }
    Window first{&t, t.title};
    Window dialog{&t, t.dialog};
    Window sibling{&t, t.sibling};
    Open(first, nullptr);
    if (!t.dialog.empty()) {
        Open(dialog, first.toplevel);
    }
    if (!t.sibling.empty()) {
        Open(sibling, nullptr);
    }
    while (!(first.configured && (t.dialog.empty() || dialog.configured) &&
             (t.sibling.empty() || sibling.configured)) &&
           wl_display_dispatch(display) >= 0) {
    }
    if (!t.minimized.empty()) {
        xdg_toplevel_set_minimized(first.toplevel);
    }
    wl_display_roundtrip(display);
    WriteHeld(t);
    Write(t.ready, "up", false);
    // What a batch of events typed is written at once: a window that writes
    // every key on its own reads too slowly to keep up with the compositor.
    while (!t.closed && wl_display_dispatch(display) >= 0) {
        if (!t.typed.empty()) {
            Write(t.out, t.typed, true);
            t.typed.clear();
        }
    }
    return 0;
}
