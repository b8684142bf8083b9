#include "desktop/dbus/bus.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace orvanel::dbus {

namespace {

// A call's time limit for sd-bus, where 0 would mean its default of 25 s.
std::uint64_t Microseconds(std::chrono::milliseconds timeout) {
    return static_cast<std::uint64_t>(std::max<std::int64_t>(timeout.count(), 1)) * 1000;
}

// The text of an sd-bus error, or of `r` when the error is not set.
std::string Describe(const sd_bus_error& error, int r) {
    if (sd_bus_error_is_set(&error) != 0) {
        std::string text = error.name != nullptr ? error.name : "";
        if (error.message != nullptr) {
            text += std::string(text.empty() ? "" : ": ") + error.message;
        }
        return text;
    }
    return Bus::ErrorText(r);
}

} // namespace

int Subscription::Run(sd_bus_message* message, void* self, sd_bus_error* /*error*/) {
    return static_cast<Subscription*>(self)->handler_(message);
}

std::unique_ptr<Bus> Bus::Open(bool system, std::string& error) {
    sd_bus* bus = nullptr;
    const int r = system ? sd_bus_open_system(&bus) : sd_bus_open_user(&bus);
    if (r < 0) {
        error = std::string("cannot connect to the ") + (system ? "system" : "session") +
                " bus: " + ErrorText(r);
        return nullptr;
    }
    return std::unique_ptr<Bus>(new Bus(bus));
}

std::unique_ptr<Bus> Bus::OpenSession(std::string& error) {
    return Open(false, error);
}

std::unique_ptr<Bus> Bus::OpenSystem(std::string& error) {
    return Open(true, error);
}

Bus::~Bus() {
    sd_bus_flush_close_unref(bus_);
}

std::string Bus::ErrorText(int negativeErrno) {
    return std::strerror(negativeErrno < 0 ? -negativeErrno : negativeErrno);
}

Message Bus::NewCall(const char* destination, const char* path, const char* interface,
                     const char* member, std::string& error) {
    sd_bus_message* call = nullptr;
    const int r = sd_bus_message_new_method_call(bus_, &call, destination, path, interface, member);
    if (r < 0) {
        error = ErrorText(r);
        return nullptr;
    }
    return Message(call);
}

Message Bus::Call(const Message& call, std::chrono::milliseconds timeout, std::string& error) {
    sd_bus_error failure{}; // SD_BUS_ERROR_NULL, without its C compound literal
    sd_bus_message* reply = nullptr;
    const int r = sd_bus_call(bus_, call.get(), Microseconds(timeout), &failure, &reply);
    if (r < 0) {
        error = Describe(failure, r);
        sd_bus_error_free(&failure);
        return nullptr;
    }
    return Message(reply);
}

std::unique_ptr<Subscription> Bus::CallAsync(const Message& call, std::chrono::milliseconds timeout,
                                             Handler onReply, std::string& error) {
    auto subscription = std::make_unique<Subscription>(std::move(onReply));
    const int r = sd_bus_call_async(bus_, subscription->Slot(), call.get(), Subscription::Run,
                                    subscription.get(), Microseconds(timeout));
    if (r < 0) {
        error = ErrorText(r);
        return nullptr;
    }
    return subscription;
}

std::unique_ptr<Subscription> Bus::MatchSignal(const char* sender, const char* path,
                                               const char* interface, const char* member,
                                               Handler handler, std::string& error) {
    auto subscription = std::make_unique<Subscription>(std::move(handler));
    const int r = sd_bus_match_signal(bus_, subscription->Slot(), sender, path, interface, member,
                                      Subscription::Run, subscription.get());
    if (r < 0) {
        error = ErrorText(r);
        return nullptr;
    }
    return subscription;
}

std::unique_ptr<Subscription> Bus::ExportObject(const char* path, Handler handler,
                                                std::string& error) {
    auto subscription = std::make_unique<Subscription>(std::move(handler));
    const int r =
        sd_bus_add_object(bus_, subscription->Slot(), path, Subscription::Run, subscription.get());
    if (r < 0) {
        error = ErrorText(r);
        return nullptr;
    }
    return subscription;
}

std::string Bus::NameOwner(const char* name, std::chrono::milliseconds timeout) {
    std::string error;
    const Message reply =
        CallMethod("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                   "GetNameOwner", timeout, error, "s", name);
    const char* owner = nullptr;
    if (!reply || sd_bus_message_read(reply.get(), "s", &owner) < 0 || owner == nullptr) {
        return {};
    }
    return owner;
}

std::string Bus::UniqueName() const {
    const char* name = nullptr;
    return sd_bus_get_unique_name(bus_, &name) >= 0 && name != nullptr ? name : "";
}

bool Bus::Dispatch() {
    int r = 0;
    while ((r = sd_bus_process(bus_, nullptr)) > 0) {
    }
    return r >= 0;
}

bool Bus::Wait(std::chrono::milliseconds timeout) {
    if (!Dispatch()) {
        return false;
    }
    const auto usec = static_cast<std::uint64_t>(std::max<std::int64_t>(timeout.count(), 0)) * 1000;
    const int r = sd_bus_wait(bus_, usec);
    return r >= 0 && Dispatch();
}

} // namespace orvanel::dbus
