#include "desktop/gnome/gnomesession.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

#include "desktop/dbus/bus.h"
#include "desktop/gnome/gnomedesktop.h"
#include "desktop/gnome/shelllink.h"

extern char** environ;

namespace orvanel::gnome {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kAnswerTime{2000};
// How long a freshly enabled extension may take to come up.
constexpr milliseconds kLoadTime{2000};
// GNOME Shell's states of an extension (org.gnome.Shell.Extensions).
constexpr double kStateError = 3;
constexpr double kStateOutOfDate = 4;

// Whether the extension is installed where GNOME Shell looks: the user's data
// folder, then the system's.
bool Installed(const char* uuid) {
    std::vector<std::filesystem::path> roots;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (dataHome != nullptr && dataHome[0] == '/') {
        roots.emplace_back(dataHome);
    } else if (home != nullptr && home[0] == '/') {
        roots.push_back(std::filesystem::path(home) / ".local" / "share");
    }
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    std::istringstream dirs(
        dataDirs != nullptr && dataDirs[0] != '\0' ? dataDirs : "/usr/local/share:/usr/share");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        if (!dir.empty() && dir[0] == '/') {
            roots.emplace_back(dir);
        }
    }
    std::error_code error;
    for (const auto& root : roots) {
        if (std::filesystem::exists(root / "gnome-shell" / "extensions" / uuid / "metadata.json",
                                    error)) {
            return true;
        }
    }
    return false;
}

// GNOME Shell's word on the extension: its state (0 when it does not know
// it) and its error.
double ExtensionState(dbus::Bus& bus, const char* uuid, std::string& shellError) {
    std::string error;
    const dbus::Message reply =
        bus.CallMethod("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell.Extensions",
                       "GetExtensionInfo", kAnswerTime, error, "s", uuid);
    double state = 0;
    if (!reply || sd_bus_message_enter_container(reply.get(), 'a', "{sv}") < 0) {
        return state;
    }
    while (sd_bus_message_enter_container(reply.get(), 'e', "sv") > 0) {
        const char* key = nullptr;
        sd_bus_message_read(reply.get(), "s", &key);
        const std::string name = key != nullptr ? key : "";
        if (name == "state") {
            sd_bus_message_read(reply.get(), "v", "d", &state);
        } else if (name == "error") {
            const char* text = nullptr;
            sd_bus_message_read(reply.get(), "v", "s", &text);
            shellError = text != nullptr ? text : "";
        } else {
            sd_bus_message_skip(reply.get(), "v");
        }
        sd_bus_message_exit_container(reply.get());
    }
    return state;
}

// Runs `gnome-extensions enable` for the extension, with nothing on its
// standard streams, for at most two seconds. It writes GNOME Shell's setting
// also for an extension that the running shell does not know yet.
bool EnableForNextLogin(const char* uuid) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd = 0; fd < 3; ++fd) {
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY,
                                         0);
    }
    char program[] = "gnome-extensions";
    char verb[] = "enable";
    std::string name = uuid;
    char* argv[] = {program, verb, name.data(), nullptr};
    pid_t pid = -1;
    const bool started = posix_spawnp(&pid, program, &actions, nullptr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!started) {
        return false;
    }
    int status = 0;
    for (int waited = 0; waitpid(pid, &status, WNOHANG) == 0; waited += 20) {
        if (waited >= 2000) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(milliseconds(20));
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// GNOME Shell's version ("43.9"), empty when it does not say.
std::string ShellVersion(dbus::Bus& bus) {
    std::string error;
    const dbus::Message reply =
        bus.CallMethod("org.gnome.Shell", "/org/gnome/Shell", "org.freedesktop.DBus.Properties",
                       "Get", kAnswerTime, error, "ss", "org.gnome.Shell", "ShellVersion");
    const char* version = nullptr;
    return reply && sd_bus_message_read(reply.get(), "v", "s", &version) > 0 && version != nullptr
               ? version
               : "";
}

std::unique_ptr<DesktopServices> OpenBackend(std::string& why, bool& answered) {
    GnomeDesktop::Failure failure = GnomeDesktop::Failure::Opened;
    std::string error;
    std::unique_ptr<GnomeDesktop> desktop = GnomeDesktop::Open(error, failure);
    answered = failure != GnomeDesktop::Failure::NoExtension;
    if (failure == GnomeDesktop::Failure::Refused) {
        why = "Orvanel's GNOME Shell extension answers only the installed Orvanel programs (" +
              error + ")";
    } else if (!desktop && answered) {
        why = "the GNOME backend could not start (" + error + ")";
    }
    return desktop;
}

} // namespace

GnomeOpening OpenOnGnome() {
    GnomeOpening opening;
    std::string error;
    std::unique_ptr<dbus::Bus> bus = dbus::Bus::OpenSession(error);
    if (!bus || bus->NameOwner("org.gnome.Shell", kAnswerTime).empty()) {
        return opening;
    }
    opening.gnome = true;
    bool answered = false;
    opening.desktop = OpenBackend(opening.why, answered);
    if (answered) {
        return opening;
    }
    const char* uuid = ExtensionUuidFor(ShellVersion(*bus));
    if (!Installed(uuid)) {
        opening.why = std::string("GNOME Shell needs Orvanel's extension (") + uuid +
                      "), which is not installed: install Orvanel's package";
        return opening;
    }
    std::string shellError;
    const double state = ExtensionState(*bus, uuid, shellError);
    if (state == kStateError || state == kStateOutOfDate) {
        opening.why = "GNOME Shell could not start Orvanel's extension (" +
                      (state == kStateOutOfDate ? std::string("it does not support this version "
                                                              "of GNOME Shell")
                                                : shellError) +
                      ")";
        return opening;
    }
    // Turned on now, an extension the shell knows comes up at once; one
    // installed after the log-in comes at the next.
    const bool enabled = EnableForNextLogin(uuid);
    for (auto waited = milliseconds(0); state != 0 && waited < kLoadTime;
         waited += milliseconds(100)) {
        if (!bus->NameOwner(kBusName, kAnswerTime).empty()) {
            opening.desktop = OpenBackend(opening.why, answered);
            return opening;
        }
        std::this_thread::sleep_for(milliseconds(100));
    }
    opening.why = enabled ? "Orvanel has turned on its GNOME Shell extension, which GNOME loads "
                            "at your next log-in: log out and in again"
                          : std::string("Orvanel's GNOME Shell extension is off: turn it on with "
                                        "\"gnome-extensions enable ") +
                                uuid + "\", then log out and in again";
    return opening;
}

const char* ExtensionUuidFor(std::string_view version) {
    int major = 0;
    for (const char c : version.substr(0, version.find('.'))) {
        if (c < '0' || c > '9' || major > 1000) {
            return kExtensionUuid;
        }
        major = major * 10 + (c - '0');
    }
    return major >= 45 ? kModuleExtensionUuid : kExtensionUuid;
}

} // namespace orvanel::gnome
