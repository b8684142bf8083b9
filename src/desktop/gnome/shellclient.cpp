#include "desktop/gnome/shellclient.h"

#include <filesystem>
#include <system_error>

#include "desktop/gnome/lentkeymap.h"

namespace orvanel::gnome {

std::unique_ptr<ShellClient> ShellClient::Connect(std::string& error, bool& refused,
                                                  const std::string& shellProgram) {
    refused = false;
    std::unique_ptr<dbus::Bus> bus = dbus::Bus::OpenSession(error);
    if (!bus) {
        return nullptr;
    }
    std::unique_ptr<ShellClient> client(new ShellClient(std::move(bus), shellProgram));
    if (!client->Attach(error) || !client->Call("State", error)) {
        refused = error.find("AccessDenied") != std::string::npos;
        return nullptr;
    }
    return client;
}

// The keys of a script may hold a password: they go to the extension's name
// only when GNOME Shell itself owns it.
bool ShellClient::Attach(std::string& error) {
    stopKey_.reset();
    shell_ = bus_->NameOwner(kBusName, kAnswerTime);
    if (shell_.empty()) {
        error = "Orvanel's GNOME Shell extension is not running";
        return false;
    }
    std::string callError;
    const dbus::Message reply =
        bus_->CallMethod("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                         "GetConnectionUnixProcessID", kAnswerTime, callError, "s", shell_.c_str());
    std::uint32_t pid = 0;
    std::error_code ignored;
    std::string program;
    if (reply && sd_bus_message_read(reply.get(), "u", &pid) >= 0) {
        program = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", ignored)
                      .filename()
                      .string();
    }
    if (program != shellProgram_ && program != shellProgram_ + " (deleted)") {
        error = "the program that answers as Orvanel's GNOME Shell extension is not " +
                shellProgram_ + " but " + (program.empty() ? "unknown" : program);
        shell_.clear();
        return false;
    }
    // Addressed to this connection alone, from the shell alone.
    stopKey_ = bus_->MatchSignal(
        shell_.c_str(), kObjectPath, kInterface, "StopKey",
        [this](sd_bus_message*) {
            stopPressed_ = true;
            return 1;
        },
        error);
    connected_ = stopKey_ != nullptr;
    return connected_;
}

// A shell that has gone (or hangs) answers no more calls.
void ShellClient::NoteFailure(const dbus::Message& reply, const std::string& error) {
    for (const char* gone : {"NoReply", "ServiceUnknown", "NameHasNoOwner", "Disconnected",
                             "Connection reset", "Broken pipe", "Transport endpoint"}) {
        if (!reply && error.find(gone) != std::string::npos) {
            connected_ = false;
        }
    }
}

bool ShellClient::AnswerIsTrue(const dbus::Message& reply) {
    int answer = 0;
    return reply && sd_bus_message_read(reply.get(), "b", &answer) >= 0 && answer != 0;
}

bool ShellClient::Windows(std::vector<ShellWindow>& windows) {
    windows.clear();
    std::string error;
    const dbus::Message reply = Call("Windows", error);
    if (!reply || sd_bus_message_enter_container(reply.get(), 'a', "(tsut)") < 0) {
        return false;
    }
    ShellWindow w;
    const char* title = nullptr;
    while (sd_bus_message_read(reply.get(), "(tsut)", &w.id, &title, &w.pid, &w.parent) > 0) {
        w.title = title != nullptr ? title : "";
        windows.push_back(w);
    }
    return true;
}

ShellState ShellClient::State() {
    ShellState state;
    std::string error;
    const dbus::Message reply = Call("State", error);
    int locked = 0;
    int held = 0;
    int refused = 0;
    if (!reply || sd_bus_message_read(reply.get(), "bbb", &locked, &held, &refused) < 0 ||
        sd_bus_message_enter_container(reply.get(), 'a', "t") < 0) {
        return state;
    }
    std::uint64_t window = 0;
    while (sd_bus_message_read(reply.get(), "t", &window) > 0) {
        state.focus.push_back(window);
    }
    state.answered = true;
    state.locked = locked != 0;
    state.held = held != 0;
    state.refused = refused != 0;
    return state;
}

bool ShellClient::Show(std::uint64_t window) {
    std::string error;
    return AnswerIsTrue(Call("Show", error, "t", window));
}

bool ShellClient::Activate(std::uint64_t window) {
    std::string error;
    return AnswerIsTrue(Call("Activate", error, "t", window));
}

void ShellClient::Keys(const std::vector<ShellKey>& keys, bool lendKeymap, std::uint64_t window) {
    std::string error;
    if (!connected_ && !Attach(error)) {
        return;
    }
    dbus::Message call = bus_->NewCall(shell_.c_str(), kObjectPath, kInterface, "Keys", error);
    if (!call ||
        sd_bus_message_append(call.get(), "sut", lendKeymap ? kLentLayouts : "", kLentGroup,
                              window) < 0 ||
        sd_bus_message_open_container(call.get(), 'a', "(ub)") < 0) {
        return;
    }
    for (const ShellKey& key : keys) {
        if (sd_bus_message_append(call.get(), "(ub)", key.keysym, key.pressed ? 1 : 0) < 0) {
            return;
        }
    }
    if (sd_bus_message_close_container(call.get()) < 0 ||
        sd_bus_message_set_expect_reply(call.get(), 0) < 0 ||
        sd_bus_send(bus_->Get(), call.get(), nullptr) < 0) {
        connected_ = false;
        return;
    }
    sd_bus_flush(bus_->Get());
}

bool ShellClient::WatchStopKey(bool on) {
    stopPressed_ = false;
    std::string error;
    const dbus::Message reply = Call("WatchStopKey", error, "b", on ? 1 : 0);
    bus_->Dispatch();
    stopPressed_ = false;
    return AnswerIsTrue(reply);
}

bool ShellClient::StopKeyPressed() {
    if (!bus_->Dispatch()) {
        connected_ = false;
    }
    return stopPressed_;
}

} // namespace orvanel::gnome
