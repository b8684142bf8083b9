#include "desktop/gnome/shellclient.h"

#include "desktop/gnome/lentkeymap.h"

namespace orvanel::gnome {

std::unique_ptr<ShellClient> ShellClient::Connect(std::string& error, bool& refused) {
    refused = false;
    std::unique_ptr<dbus::Bus> bus = dbus::Bus::OpenSession(error);
    if (!bus) {
        return nullptr;
    }
    std::unique_ptr<ShellClient> client(new ShellClient(std::move(bus)));
    client->shell_ = client->bus_->NameOwner(kBusName, kAnswerTime);
    if (client->shell_.empty()) {
        error = "Orvanel's GNOME Shell extension is not running";
        return nullptr;
    }
    // Addressed to this connection alone, from the shell alone.
    client->stopKey_ = client->bus_->MatchSignal(
        client->shell_.c_str(), kObjectPath, kInterface, "StopKey",
        [raw = client.get()](sd_bus_message*) {
            raw->stopPressed_ = true;
            return 1;
        },
        error);
    if (!client->stopKey_ || !client->Call("State", error)) {
        refused = error.find("AccessDenied") != std::string::npos;
        return nullptr;
    }
    return client;
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
    if (!reply || sd_bus_message_read(reply.get(), "bb", &locked, &held) < 0 ||
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

void ShellClient::Keys(const std::vector<ShellKey>& keys, bool lendKeymap) {
    std::string error;
    dbus::Message call = bus_->NewCall(shell_.c_str(), kObjectPath, kInterface, "Keys", error);
    if (!call ||
        sd_bus_message_append(call.get(), "su", lendKeymap ? kLentLayouts : "", kLentGroup) < 0 ||
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
