// Orvanel's GNOME Shell extension on the session bus (its questions in
// shelllink.h), spoken to only when GNOME Shell's own process owns its name.
// Calls wait at most two seconds for their answer; keys are sent without
// waiting, in order, and a later call's answer comes only after them. The
// stop key arrives as a signal addressed to this connection. A shell that
// stopped answering (the extension turned off and on again) is looked for
// anew at the next call.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "desktop/dbus/bus.h"
#include "desktop/gnome/shelllink.h"

namespace orvanel::gnome {

class ShellClient : public ShellLink {
public:
    // Connects to the extension on the session bus and asks it once; null
    // with `error` set when it is not there, is not in the process of
    // `shellProgram` (the name of its program file), or refuses this program
    // (`refused` then true).
    static std::unique_ptr<ShellClient> Connect(std::string& error, bool& refused,
                                                const std::string& shellProgram = "gnome-shell");

    bool Windows(std::vector<ShellWindow>& windows) override;
    ShellState State() override;
    bool Show(std::uint64_t window) override;
    bool Activate(std::uint64_t window) override;
    void Keys(const std::vector<ShellKey>& keys, bool lendKeymap, std::uint64_t window) override;
    bool WatchStopKey(bool on) override;
    bool StopKeyPressed() override;
    bool Connected() override { return connected_; }

private:
    ShellClient(std::unique_ptr<dbus::Bus> bus, std::string shellProgram)
        : bus_(std::move(bus)), shellProgram_(std::move(shellProgram)) {}
    bool Attach(std::string& error);
    // A call of the extension's method `member` with the arguments of
    // `types` (sd-bus's signature letters).
    template <typename... Args>
    dbus::Message Call(const char* member, std::string& error, const char* types = nullptr,
                       Args... args) {
        if (!connected_ && !Attach(error)) {
            return nullptr;
        }
        dbus::Message reply = bus_->CallMethod(shell_.c_str(), kObjectPath, kInterface, member,
                                               kAnswerTime, error, types, args...);
        NoteFailure(reply, error);
        return reply;
    }
    void NoteFailure(const dbus::Message& reply, const std::string& error);
    static bool AnswerIsTrue(const dbus::Message& reply);

    static constexpr std::chrono::milliseconds kAnswerTime{2000};

    std::unique_ptr<dbus::Bus> bus_;
    std::string shellProgram_;
    std::string shell_; // the unique name of the shell that owns the extension's name
    std::unique_ptr<dbus::Subscription> stopKey_;
    bool stopPressed_ = false;
    bool connected_ = true;
};

} // namespace orvanel::gnome
