// A small owning layer over sd-bus (the D-Bus library of systemd) for the
// desktop backends that talk to the session or the system bus: a connection,
// method calls with a time limit, signal matches and exported objects whose
// handlers are C++ callables, each released with its owner. Messages are read
// and written with sd-bus's own calls (sd_bus_message_read/append).
//
// One thread uses a connection. Nothing is handled behind the caller's back:
// incoming calls and signals run their handlers only inside Dispatch or Wait
// (a Call waits for its own reply alone and leaves the rest queued).
#pragma once

#include <systemd/sd-bus.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace orvanel::dbus {

struct MessageUnref {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using Message = std::unique_ptr<sd_bus_message, MessageUnref>;

// A handler of an incoming call or signal, as sd-bus's: it returns > 0 when
// it has handled (and, for a call, answered) the message, 0 to leave it to
// others, < 0 (a negative errno) for an error that sd-bus answers.
using Handler = std::function<int(sd_bus_message*)>;

// A signal match, an exported object or a pending call: it lasts as long as
// this object does.
class Subscription {
public:
    explicit Subscription(Handler handler) : handler_(std::move(handler)) {}
    ~Subscription() { sd_bus_slot_unref(slot_); }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;

    // The trampoline handed to sd-bus, with the Subscription as user data.
    static int Run(sd_bus_message* message, void* self, sd_bus_error* error);
    sd_bus_slot** Slot() { return &slot_; }

private:
    Handler handler_;
    sd_bus_slot* slot_ = nullptr;
};

class Bus {
public:
    // The user's session bus ($DBUS_SESSION_BUS_ADDRESS) or the system bus;
    // null with `error` set when there is none.
    static std::unique_ptr<Bus> OpenSession(std::string& error);
    static std::unique_ptr<Bus> OpenSystem(std::string& error);
    ~Bus();
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;

    sd_bus* Get() const { return bus_; }

    // A new method call for `destination`, to fill with
    // sd_bus_message_append; null with `error` set when it cannot be made.
    Message NewCall(const char* destination, const char* path, const char* interface,
                    const char* member, std::string& error);

    // Sends `call` and waits at most `timeout` for its reply. Null, with
    // `error` set to the D-Bus error or the reason, when there is none.
    Message Call(const Message& call, std::chrono::milliseconds timeout, std::string& error);

    // NewCall, the arguments appended by `types` (sd-bus's signature
    // letters, null for none), then Call.
    template <typename... Args>
    Message CallMethod(const char* destination, const char* path, const char* interface,
                       const char* member, std::chrono::milliseconds timeout, std::string& error,
                       const char* types = nullptr, Args... args) {
        Message call = NewCall(destination, path, interface, member, error);
        if (!call) {
            return nullptr;
        }
        if (types != nullptr) {
            const int r = sd_bus_message_append(call.get(), types, args...);
            if (r < 0) {
                error = ErrorText(r);
                return nullptr;
            }
        }
        return Call(call, timeout, error);
    }

    // Sends `call` without waiting: `onReply` runs, inside Dispatch or Wait,
    // with the reply or the error (sd_bus_message_is_method_error), also
    // when no reply came within `timeout`. Null with `error` set when it
    // cannot be sent; dropping the subscription forgets the call.
    std::unique_ptr<Subscription> CallAsync(const Message& call, std::chrono::milliseconds timeout,
                                            Handler onReply, std::string& error);

    // Runs `handler` for every signal that matches; a null text matches any.
    std::unique_ptr<Subscription> MatchSignal(const char* sender, const char* path,
                                              const char* interface, const char* member,
                                              Handler handler, std::string& error);

    // Runs `handler` for every method call to `path` (any interface).
    std::unique_ptr<Subscription> ExportObject(const char* path, Handler handler,
                                               std::string& error);

    // The unique name (":1.42") that owns `name` now; empty when none does.
    std::string NameOwner(const char* name, std::chrono::milliseconds timeout);

    // This connection's own unique name.
    std::string UniqueName() const;

    // Handles whatever has arrived, without waiting. False once the
    // connection is lost.
    bool Dispatch();
    // Waits at most `timeout` for something to arrive, then handles it all.
    bool Wait(std::chrono::milliseconds timeout);

    // The text of a negative errno that sd-bus returned.
    static std::string ErrorText(int negativeErrno);

private:
    explicit Bus(sd_bus* bus) : bus_(bus) {}
    static std::unique_ptr<Bus> Open(bool system, std::string& error);
    sd_bus* bus_;
};

} // namespace orvanel::dbus
